#pragma once

#include "host/data/tsql/ast/Box.hpp"

#include <string>
#include <variant>
#include <vector>

// Expressions of T-SQL. Names keep the spelling of the statement (T-SQL does not care about
// case; the writers decide how to fold it), literals keep their text.
namespace Talvex::Data::TSql::Ast {

struct Expression;
struct Select;
using ExprBox = Box<Expression>;

// A dotted name: oTable.Code is {"oTable", "Code"}.
using Name = std::vector<std::string>;

enum class LiteralKind { Integer, Decimal, Float, String, NString, Null };

struct Literal {
    LiteralKind kind = LiteralKind::Null;
    std::string text; // digits as written; a string's value without quotes
    bool operator==(const Literal&) const = default;
};

// A "?" placeholder; index counts from 1 in order of appearance in the batch.
struct Parameter {
    int index = 0;
    bool operator==(const Parameter&) const = default;
};

struct ColumnRef {
    Name name;
    bool operator==(const ColumnRef&) const = default;
};

// "*" or "alias.*" in a select list.
struct Star {
    Name qualifier;
    bool operator==(const Star&) const = default;
};

struct Unary {
    std::string op; // "-", "+", "~", "NOT"
    ExprBox operand;
    bool operator==(const Unary&) const = default;
};

struct Binary {
    std::string op; // "+", "-", "*", "/", "%", "&", "|", "^", "=", "<>", "<", ">", "<=", ">=", "AND", "OR"
    ExprBox left;
    ExprBox right;
    bool operator==(const Binary&) const = default;
};

struct IsNull {
    ExprBox operand;
    bool negated = false;
    bool operator==(const IsNull&) const = default;
};

struct Between {
    ExprBox operand;
    ExprBox low;
    ExprBox high;
    bool negated = false;
    bool operator==(const Between&) const = default;
};

struct Like {
    ExprBox operand;
    ExprBox pattern;
    ExprBox escape; // empty when none
    bool negated = false;
    bool operator==(const Like&) const = default;
};

struct InList {
    ExprBox operand;
    std::vector<Expression> items;
    bool negated = false;
    bool operator==(const InList&) const;
};

struct InSelect {
    ExprBox operand;
    Box<Select> query;
    bool negated = false;
    bool operator==(const InSelect&) const;
};

struct Exists {
    Box<Select> query;
    bool operator==(const Exists&) const;
};

// A sub-query in parentheses used as a value.
struct ScalarSelect {
    Box<Select> query;
    bool operator==(const ScalarSelect&) const;
};

struct When {
    ExprBox condition; // the compared value in a simple CASE
    ExprBox result;
    bool operator==(const When&) const = default;
};

struct Case {
    ExprBox operand; // empty for a searched CASE
    std::vector<When> whens;
    ExprBox otherwise; // empty when there is no ELSE
    bool operator==(const Case&) const = default;
};

// A T-SQL type name, lower case: {"decimal", {"19", "4"}}, {"varchar", {"max"}}.
struct DataType {
    std::string name;
    std::vector<std::string> args;
    bool operator==(const DataType&) const = default;
};

struct Cast {
    ExprBox operand;
    DataType type;
    bool operator==(const Cast&) const = default;
};

struct Convert {
    DataType type;
    ExprBox operand;
    ExprBox style; // empty when not given
    bool operator==(const Convert&) const = default;
};

struct FunctionCall {
    Name name;
    std::vector<Expression> args;
    bool distinct = false; // COUNT(DISTINCT x)
    bool star = false;     // COUNT(*)
    bool operator==(const FunctionCall&) const;
};

struct Expression {
    using Node = std::variant<Literal, Parameter, ColumnRef, Star, Unary, Binary, IsNull, Between, Like, InList,
                              InSelect, Exists, ScalarSelect, Case, Cast, Convert, FunctionCall>;
    Node node;

    template <class T> const T* As() const { return std::get_if<T>(&node); }
    bool operator==(const Expression&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
