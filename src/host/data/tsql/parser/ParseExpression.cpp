#include "host/data/tsql/TSql.hpp"
#include "host/data/tsql/internal/Text.hpp"
#include "host/data/tsql/internal/Vocabulary.hpp"
#include "host/data/tsql/parser/Parser.hpp"

#include <algorithm>
#include <cctype>

namespace Talvex::Data::TSql {
namespace {

Ast::Expression MakeBinary(std::string op, Ast::Expression left, Ast::Expression right)
{
    return Ast::Expression{Ast::Binary{std::move(op), std::move(left), std::move(right)}};
}

} // namespace

Ast::Expression Parser::Expression()
{
    return OrExpression();
}

Ast::Expression Parser::OrExpression()
{
    OperatorChain chain(*this);
    Ast::Expression left = AndExpression();
    while (IsKeyword("OR")) {
        chain.Sink(Advance());
        const Operand right(*this, Peek());
        left = MakeBinary("OR", std::move(left), AndExpression());
    }
    return left;
}

Ast::Expression Parser::AndExpression()
{
    OperatorChain chain(*this);
    Ast::Expression left = NotExpression();
    while (IsKeyword("AND")) {
        chain.Sink(Advance());
        const Operand right(*this, Peek());
        left = MakeBinary("AND", std::move(left), NotExpression());
    }
    return left;
}

Ast::Expression Parser::NotExpression()
{
    if (!IsKeyword("NOT")) return Predicate();
    const Nested nested(*this, Advance());
    return Ast::Expression{Ast::Unary{"NOT", NotExpression()}};
}

Ast::Expression Parser::Predicate()
{
    Ast::Expression left = Additive();
    const Token& t = Peek();
    if (t.kind == TokenKind::Symbol) {
        static constexpr std::string_view kComparisons[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
        for (std::string_view op : kComparisons) {
            if (t.text != op) continue;
            Advance();
            // !=, !< and !> are other spellings of <>, >= and <=.
            std::string canonical = op == "!=" ? "<>" : op == "!<" ? ">=" : op == "!>" ? "<=" : std::string(op);
            return MakeBinary(canonical, std::move(left), Additive());
        }
        return left;
    }
    if (AcceptKeyword("IS")) {
        bool negated = AcceptKeyword("NOT");
        ExpectKeyword("NULL");
        return Ast::Expression{Ast::IsNull{std::move(left), negated}};
    }
    bool negated = false;
    if (IsKeyword("NOT") && (IsKeyword("BETWEEN", 1) || IsKeyword("IN", 1) || IsKeyword("LIKE", 1))) {
        Advance();
        negated = true;
    }
    if (AcceptKeyword("BETWEEN")) {
        Ast::Expression low = Additive();
        ExpectKeyword("AND");
        Ast::Expression high = Additive();
        return Ast::Expression{Ast::Between{std::move(left), std::move(low), std::move(high), negated}};
    }
    if (AcceptKeyword("IN")) {
        if (!IsSymbol("(")) Fail("expected '(' after IN");
        if (IsQueryStart(1)) {
            Ast::Select query = ParenthesizedQuery();
            return Ast::Expression{Ast::InSelect{std::move(left), std::move(query), negated}};
        }
        const Nested nested(*this, Advance());
        Ast::InList in{std::move(left), {}, negated};
        do {
            in.items.push_back(Expression());
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
        return Ast::Expression{std::move(in)};
    }
    if (AcceptKeyword("LIKE")) {
        Ast::Like like{std::move(left), Additive(), {}, negated};
        if (AcceptKeyword("ESCAPE")) like.escape = Additive();
        return Ast::Expression{std::move(like)};
    }
    return left;
}

Ast::Expression Parser::Additive()
{
    OperatorChain chain(*this);
    Ast::Expression left = Multiplicative();
    for (;;) {
        const Token& t = Peek();
        if (t.kind != TokenKind::Symbol ||
            (t.text != "+" && t.text != "-" && t.text != "&" && t.text != "|" && t.text != "^"))
            return left;
        const Token& opToken = Advance();
        chain.Sink(opToken);
        const Operand right(*this, Peek());
        left = MakeBinary(opToken.text, std::move(left), Multiplicative());
    }
}

Ast::Expression Parser::Multiplicative()
{
    OperatorChain chain(*this);
    Ast::Expression left = UnaryExpression();
    for (;;) {
        const Token& t = Peek();
        if (t.kind != TokenKind::Symbol || (t.text != "*" && t.text != "/" && t.text != "%")) return left;
        const Token& opToken = Advance();
        chain.Sink(opToken);
        const Operand right(*this, Peek());
        left = MakeBinary(opToken.text, std::move(left), UnaryExpression());
    }
}

Ast::Expression Parser::UnaryExpression()
{
    const Token& t = Peek();
    if (t.kind != TokenKind::Symbol || (t.text != "-" && t.text != "+" && t.text != "~")) return Primary();
    const Token& opToken = Advance();
    const Nested nested(*this, opToken);
    return Ast::Expression{Ast::Unary{opToken.text, UnaryExpression()}};
}

bool Parser::IsQueryStart(std::size_t ahead) const
{
    while (IsSymbol("(", ahead))
        ++ahead;
    return IsKeyword("SELECT", ahead);
}

Ast::Select Parser::ParenthesizedQuery()
{
    const Nested nested(*this, Peek());
    ExpectSymbol("(");
    Ast::Select query = Select();
    ExpectSymbol(")");
    return query;
}

Ast::Expression Parser::Primary()
{
    const Token& t = Peek();
    switch (t.kind) {
    case TokenKind::Integer: return Ast::Expression{Ast::Literal{Ast::LiteralKind::Integer, Advance().text}};
    case TokenKind::Decimal: return Ast::Expression{Ast::Literal{Ast::LiteralKind::Decimal, Advance().text}};
    case TokenKind::Float: return Ast::Expression{Ast::Literal{Ast::LiteralKind::Float, Advance().text}};
    case TokenKind::String: return Ast::Expression{Ast::Literal{Ast::LiteralKind::String, Advance().text}};
    case TokenKind::NString: return Ast::Expression{Ast::Literal{Ast::LiteralKind::NString, Advance().text}};
    case TokenKind::Parameter: Advance(); return Ast::Expression{Ast::Parameter{++parameterCount_}};
    case TokenKind::Variable: Fail("variables are not supported; pass the value as a parameter");
    case TokenKind::Symbol:
        if (t.text == "(") return ParenthesizedPrimary();
        break;
    case TokenKind::Identifier:
    case TokenKind::QuotedIdentifier: return NamedPrimary();
    case TokenKind::End: break;
    }
    Fail("expected an expression");
}

// "(" opens a sub-query or an expression in parentheses.
Ast::Expression Parser::ParenthesizedPrimary()
{
    if (IsQueryStart(1)) {
        // "((SELECT ...) + 1)" opens like a sub-query but is an expression: try the
        // sub-query first and read an expression when it does not close there.
        if (!IsSymbol("(", 1)) return Ast::Expression{Ast::ScalarSelect{ParenthesizedQuery()}};
        if (!notAQuery_.contains(pos_)) {
            const Attempt attempt = StartAttempt();
            try {
                return Ast::Expression{Ast::ScalarSelect{ParenthesizedQuery()}};
            } catch (const SqlSyntaxError&) {
                if (tooDeep_) throw;
                Rewind(attempt);
                notAQuery_.insert(pos_);
            }
        }
    }
    const Nested nested(*this, Advance());
    Ast::Expression inner = Expression();
    ExpectSymbol(")");
    return inner;
}

// A word: NULL, CASE, CAST, CONVERT, EXISTS, a function call, or a (dotted) column name.
Ast::Expression Parser::NamedPrimary()
{
    if (Peek().kind == TokenKind::Identifier) {
        if (IsKeyword("NULL")) {
            Advance();
            return Ast::Expression{Ast::Literal{Ast::LiteralKind::Null, "NULL"}};
        }
        if (IsKeyword("CASE")) return CaseExpression();
        if (IsKeyword("CAST") && IsSymbol("(", 1)) return CastExpression();
        if (IsKeyword("CONVERT") && IsSymbol("(", 1)) return ConvertExpression();
        if (IsKeyword("EXISTS") && IsSymbol("(", 1)) {
            Advance();
            return Ast::Expression{Ast::Exists{ParenthesizedQuery()}};
        }
        if (IsKeyword("CURRENT_TIMESTAMP")) {
            Advance();
            return Ast::Expression{Ast::FunctionCall{{"GETDATE"}, {}, false, false}};
        }
        if (IsSymbol("(", 1)) {
            // Reserved words name functions too: LEFT(...), RIGHT(...), COALESCE(...).
            const Token& nameToken = Peek();
            std::string name = Advance().text;
            return FunctionCall({std::move(name)}, nameToken);
        }
    }
    if (!IsNameToken()) Fail("expected an expression");
    const Token& nameToken = Peek();
    Ast::Name name{Advance().text};
    while (IsSymbol(".")) {
        Advance();
        if (AcceptSymbol("*")) return Ast::Expression{Ast::Star{std::move(name)}};
        name.push_back(NamePart("a name after '.'"));
    }
    if (IsSymbol("(") && nameToken.kind == TokenKind::Identifier) return FunctionCall(std::move(name), nameToken);
    return Ast::Expression{Ast::ColumnRef{std::move(name)}};
}

Ast::Expression Parser::FunctionCall(Ast::Name name, const Token& nameToken)
{
    const Nested nested(*this, nameToken);
    ExpectSymbol("(");
    Ast::FunctionCall call{std::move(name), {}, false, false};
    std::string upper = AsciiUpper(call.name.back());
    if (call.name.size() == 1 &&
        (upper == "DATEADD" || upper == "DATEDIFF" || upper == "DATEPART" || upper == "DATENAME")) {
        const Token& partToken = Peek();
        if (partToken.kind != TokenKind::Identifier || !DatePartOf(partToken.text))
            Fail(partToken, "expected a date part (day, month, year, ...)");
        call.args.push_back(Ast::Expression{Ast::ColumnRef{{Advance().text}}});
        ExpectSymbol(",");
    }
    if (IsSymbol("*") && IsSymbol(")", 1)) {
        Advance();
        call.star = true;
    } else if (!IsSymbol(")") || !call.args.empty()) {
        if (call.args.empty()) {
            if (AcceptKeyword("DISTINCT"))
                call.distinct = true;
            else
                AcceptKeyword("ALL");
        }
        do {
            call.args.push_back(Expression());
        } while (AcceptSymbol(","));
    }
    if (!IsSymbol(")")) Fail("expected ')' to close the call of " + nameToken.spelling);
    Advance();
    if (auto count = ArgumentCountOf(upper); count && call.name.size() == 1 && !call.star &&
                                             (call.args.size() < count->least || call.args.size() > count->most)) {
        std::string expected = std::to_string(count->least);
        if (count->most != count->least) expected += " to " + std::to_string(count->most);
        Fail(nameToken,
             nameToken.spelling + " takes " + expected + " arguments, " + std::to_string(call.args.size()) + " given");
    }
    return Ast::Expression{std::move(call)};
}

Ast::Expression Parser::CaseExpression()
{
    const Nested nested(*this, Peek());
    ExpectKeyword("CASE");
    Ast::Case c;
    if (!IsKeyword("WHEN")) c.operand = Expression();
    if (!IsKeyword("WHEN")) Fail("expected WHEN");
    while (AcceptKeyword("WHEN")) {
        Ast::Expression condition = Expression();
        ExpectKeyword("THEN");
        c.whens.push_back(Ast::When{std::move(condition), Expression()});
    }
    if (AcceptKeyword("ELSE")) c.otherwise = Expression();
    ExpectKeyword("END");
    return Ast::Expression{std::move(c)};
}

Ast::Expression Parser::CastExpression()
{
    const Nested nested(*this, Peek());
    ExpectKeyword("CAST");
    ExpectSymbol("(");
    Ast::Expression operand = Expression();
    ExpectKeyword("AS");
    Ast::DataType type = DataType();
    ExpectSymbol(")");
    return Ast::Expression{Ast::Cast{std::move(operand), std::move(type)}};
}

Ast::Expression Parser::ConvertExpression()
{
    const Nested nested(*this, Peek());
    ExpectKeyword("CONVERT");
    ExpectSymbol("(");
    Ast::Convert c;
    c.type = DataType();
    ExpectSymbol(",");
    c.operand = Expression();
    if (AcceptSymbol(",")) c.style = Expression();
    ExpectSymbol(")");
    return Ast::Expression{std::move(c)};
}

Ast::DataType Parser::DataType()
{
    const Token& t = Peek();
    if (t.kind != TokenKind::Identifier && t.kind != TokenKind::QuotedIdentifier) Fail("expected a type name");
    Ast::DataType type;
    type.name = Advance().text;
    type.name = AsciiLower(type.name);
    if (!IsKnownType(type.name)) Fail(t, "expected a type name");
    if (AcceptSymbol("(")) {
        do {
            const Token& a = Peek();
            if (a.kind == TokenKind::Integer || IsKeyword("MAX")) {
                type.args.push_back(AsciiLower(Advance().text));
            } else {
                Fail("expected a length");
            }
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
    }
    return type;
}

} // namespace Talvex::Data::TSql
