#pragma once

#include "host/data/tsql/ast/Expression.hpp"

// SELECT: a query of one or more select blocks joined by UNION / EXCEPT / INTERSECT.
namespace Talvex::Data::TSql::Ast {

struct TableRef;

struct TableName {
    Name name;
    std::string alias; // empty when none
    bool operator==(const TableName&) const = default;
};

// A sub-query in FROM: (SELECT ...) Main
struct DerivedTable {
    Box<Select> query;
    std::string alias;
    bool operator==(const DerivedTable&) const = default;
};

// A table-valued function in FROM: REFClientT(?) AS clntT
struct TableFunction {
    Name name;
    std::vector<Expression> args;
    std::string alias;
    bool operator==(const TableFunction&) const = default;
};

enum class JoinKind { Inner, Left, Right, Full, Cross };

// Join hints (MERGE, HASH, LOOP) are read and dropped: they tell SQL Server how to join,
// never what the join gives.
struct Join {
    JoinKind kind = JoinKind::Inner;
    Box<TableRef> left;
    Box<TableRef> right;
    ExprBox on; // empty for CROSS JOIN
    bool operator==(const Join&) const = default;
};

struct TableRef {
    std::variant<TableName, DerivedTable, TableFunction, Join> node;

    template <class T> const T* As() const { return std::get_if<T>(&node); }
    bool operator==(const TableRef&) const = default;
};

struct SelectItem {
    Expression expr;
    std::string alias; // from "expr AS alias", "expr alias" or "alias = expr"; empty when none
    bool operator==(const SelectItem&) const = default;
};

struct OrderItem {
    Expression expr;
    bool descending = false;
    bool operator==(const OrderItem&) const = default;
};

struct SelectCore {
    bool distinct = false;
    ExprBox top; // TOP n; empty when none
    bool topPercent = false;
    std::vector<SelectItem> items;
    std::vector<TableRef> from; // comma-separated sources
    ExprBox where;
    std::vector<Expression> groupBy;
    ExprBox having;
    bool operator==(const SelectCore&) const = default;
};

enum class SetOperator { Union, UnionAll, Except, Intersect };

struct SetTerm {
    SetOperator op = SetOperator::Union;
    SelectCore core;
    bool operator==(const SetTerm&) const = default;
};

struct Select {
    // SELECT ... INTO #Name: the query fills a new session temporary table and returns no
    // rows. The INTO stands in the first block and names the table as T-SQL spells it;
    // empty when none.
    std::string into;
    SelectCore first;
    std::vector<SetTerm> rest;
    std::vector<OrderItem> orderBy; // of the whole query
    bool operator==(const Select&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
