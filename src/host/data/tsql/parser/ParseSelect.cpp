#include "host/data/tsql/parser/Parser.hpp"

#include "host/data/tsql/TSql.hpp"

namespace Talvex::Data::TSql {

Ast::Select Parser::Select(bool allowInto)
{
    auto term = [this]() -> Ast::SelectCore {
        if (!IsSymbol("(")) return SelectCore();
        const Token& open = Peek();
        Ast::Select inner = ParenthesizedQuery();
        if (!inner.rest.empty() || !inner.orderBy.empty())
            Fail(open, "a query in parentheses between UNION parts must be a single SELECT");
        return std::move(inner.first);
    };
    Ast::Select select;
    // SELECT ... INTO #Name stands only at the head of a statement, in its first block.
    if (allowInto && IsKeyword("SELECT"))
        select.first = SelectCore(&select.into);
    else
        select.first = term();
    for (;;) {
        Ast::SetOperator op;
        if (AcceptKeyword("UNION"))
            op = AcceptKeyword("ALL") ? Ast::SetOperator::UnionAll : Ast::SetOperator::Union;
        else if (AcceptKeyword("EXCEPT"))
            op = Ast::SetOperator::Except;
        else if (AcceptKeyword("INTERSECT"))
            op = Ast::SetOperator::Intersect;
        else
            break;
        select.rest.push_back(Ast::SetTerm{op, term()});
    }
    if (IsKeyword("ORDER")) {
        // A table keeps no order: SQL Server itself ignores an ORDER BY that fills one.
        if (!select.into.empty()) Fail("SELECT INTO: ORDER BY is not allowed, a table keeps no order");
        select.orderBy = OrderBy();
    }
    return select;
}

Ast::SelectCore Parser::SelectCore(std::string* into)
{
    ExpectKeyword("SELECT");
    Ast::SelectCore core;
    if (AcceptKeyword("DISTINCT"))
        core.distinct = true;
    else
        AcceptKeyword("ALL");
    if (AcceptKeyword("TOP")) {
        if (AcceptSymbol("(")) {
            core.top = Expression();
            ExpectSymbol(")");
        } else if (Peek().kind == TokenKind::Integer || Peek().kind == TokenKind::Decimal ||
                   Peek().kind == TokenKind::Parameter) {
            core.top = Primary();
        } else {
            Fail("expected the row count after TOP");
        }
        core.topPercent = AcceptKeyword("PERCENT");
        if (IsKeyword("WITH")) Fail("TOP ... WITH TIES is not supported");
    }
    do {
        core.items.push_back(SelectItem());
    } while (AcceptSymbol(","));
    if (IsKeyword("INTO")) {
        if (!into) Fail("INTO stands only in the first SELECT of a statement");
        Advance();
        *into = TemporaryTableName("SELECT INTO: only temporary tables (#name) can be created");
    }
    if (AcceptKeyword("FROM")) core.from = FromList();
    if (AcceptKeyword("WHERE")) core.where = Expression();
    if (AcceptKeyword("GROUP")) {
        ExpectKeyword("BY");
        do {
            core.groupBy.push_back(Expression());
        } while (AcceptSymbol(","));
    }
    if (AcceptKeyword("HAVING")) core.having = Expression();
    return core;
}

Ast::SelectItem Parser::SelectItem()
{
    if (AcceptSymbol("*")) return Ast::SelectItem{Ast::Expression{Ast::Star{}}, {}};
    // "Summa = expr" names the column, as "expr AS Summa" does.
    if ((IsNameToken() || Peek().kind == TokenKind::String) && IsSymbol("=", 1)) {
        std::string alias = Advance().text;
        Advance();
        return Ast::SelectItem{Expression(), std::move(alias)};
    }
    Ast::Expression expr = Expression();
    return Ast::SelectItem{std::move(expr), OptionalAlias()};
}

std::vector<Ast::TableRef> Parser::FromList()
{
    std::vector<Ast::TableRef> sources;
    do {
        sources.push_back(TableSource());
    } while (AcceptSymbol(","));
    return sources;
}

Ast::TableRef Parser::TableSource()
{
    OperatorChain chain(*this);
    Ast::TableRef left = TablePrimary();
    for (;;) {
        Ast::JoinKind kind;
        if (IsKeyword("CROSS")) {
            if (!IsKeyword("JOIN", 1)) Fail(Peek(1), "expected JOIN after CROSS");
            chain.Sink(Advance());
            Advance();
            const Operand rightSide(*this, Peek());
            Ast::TableRef right = TablePrimary();
            left = Ast::TableRef{Ast::Join{Ast::JoinKind::Cross, std::move(left), std::move(right), {}}};
            continue;
        }
        if (AcceptKeyword("INNER"))
            kind = Ast::JoinKind::Inner;
        else if (AcceptKeyword("LEFT"))
            kind = Ast::JoinKind::Left;
        else if (AcceptKeyword("RIGHT"))
            kind = Ast::JoinKind::Right;
        else if (AcceptKeyword("FULL"))
            kind = Ast::JoinKind::Full;
        else if (IsKeyword("JOIN") || IsKeyword("MERGE") || IsKeyword("HASH") || IsKeyword("LOOP"))
            kind = Ast::JoinKind::Inner;
        else
            return left;
        chain.Sink(Peek());
        if (kind != Ast::JoinKind::Inner) AcceptKeyword("OUTER");
        // The join hint decides only how SQL Server joins, never what the join gives.
        if (IsKeyword("MERGE") || IsKeyword("HASH") || IsKeyword("LOOP") || IsKeyword("REMOTE")) Advance();
        const Token& join = Peek();
        ExpectKeyword("JOIN");
        // The right side may itself hold joins whose ON follow later: t JOIN u JOIN v ON .. ON ..
        const Nested rightSide(*this, join);
        Ast::TableRef right = TableSource();
        ExpectKeyword("ON");
        Ast::Expression on = Expression();
        left = Ast::TableRef{Ast::Join{kind, std::move(left), std::move(right), std::move(on)}};
    }
}

Ast::TableRef Parser::TablePrimary()
{
    if (IsSymbol("(")) {
        if (IsQueryStart(1) && !notADerivedTable_.contains(pos_)) {
            // "((SELECT ...) AS Main JOIN ...)" opens like a sub-query but is a join in
            // parentheses: try the sub-query first, the join when it does not close there.
            const Attempt attempt = StartAttempt();
            try {
                const Token& open = Peek();
                Ast::Select query = ParenthesizedQuery();
                std::string alias = OptionalAlias();
                if (alias.empty()) Fail(open, "a sub-query in FROM needs an alias");
                return Ast::TableRef{Ast::DerivedTable{std::move(query), std::move(alias)}};
            } catch (const SqlSyntaxError&) {
                if (tooDeep_) throw;
                Rewind(attempt);
                if (!IsSymbol("(", 1)) throw;
                notADerivedTable_.insert(pos_);
            }
        }
        const Nested nested(*this, Advance());
        Ast::TableRef inner = TableSource();
        ExpectSymbol(")");
        return inner;
    }
    Ast::Name name = TableName("a table name");
    SkipTableHints();
    if (AcceptSymbol("(")) {
        Ast::TableFunction function{std::move(name), {}, {}};
        if (!IsSymbol(")")) {
            do {
                function.args.push_back(Expression());
            } while (AcceptSymbol(","));
        }
        ExpectSymbol(")");
        function.alias = OptionalAlias();
        return Ast::TableRef{std::move(function)};
    }
    SkipTableHints();
    std::string alias = OptionalAlias();
    SkipTableHints();
    return Ast::TableRef{Ast::TableName{std::move(name), std::move(alias)}};
}

void Parser::SkipTableHints()
{
    // WITH (NOLOCK), (NOLOCK): locking hints; PostgreSQL readers never block on writers anyway.
    bool withHints = IsKeyword("WITH") && IsSymbol("(", 1);
    bool bareHints = IsSymbol("(") && (IsKeyword("NOLOCK", 1) || IsKeyword("READUNCOMMITTED", 1) ||
                                       IsKeyword("ROWLOCK", 1) || IsKeyword("UPDLOCK", 1) || IsKeyword("HOLDLOCK", 1));
    if (!withHints && !bareHints) return;
    if (withHints) Advance();
    Advance();
    for (int depth = 1; depth > 0;) {
        if (AtEnd()) Fail("expected ')' after the table hints");
        if (IsSymbol("(")) ++depth;
        if (IsSymbol(")")) --depth;
        Advance();
    }
}

std::vector<Ast::OrderItem> Parser::OrderBy()
{
    ExpectKeyword("ORDER");
    ExpectKeyword("BY");
    std::vector<Ast::OrderItem> items;
    do {
        Ast::Expression expr = Expression();
        bool descending = false;
        if (AcceptKeyword("DESC"))
            descending = true;
        else
            AcceptKeyword("ASC");
        items.push_back(Ast::OrderItem{std::move(expr), descending});
    } while (AcceptSymbol(","));
    return items;
}

} // namespace Talvex::Data::TSql
