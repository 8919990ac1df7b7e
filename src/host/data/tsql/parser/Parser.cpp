#include "host/data/tsql/parser/Parser.hpp"

#include "host/data/tsql/TSql.hpp"
#include "host/data/tsql/internal/Text.hpp"
#include "host/data/tsql/lexer/Lexer.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace Talvex::Data::TSql {
namespace {

// Words that end a table or column expression, so that they are never read as an alias
// without AS. SQL Server's reserved words, as far as a statement of ours can meet them.
constexpr std::array kReserved = {
    "ADD",         "ALL",     "ALTER",  "AND",     "ANY",       "AS",      "ASC",       "BEGIN",      "BETWEEN",
    "BREAK",       "BY",      "CASE",   "CHECK",   "COLLATE",   "COMMIT",  "COMPUTE",   "CONSTRAINT", "CONTINUE",
    "CONVERT",     "CREATE",  "CROSS",  "CURRENT", "DECLARE",   "DEFAULT", "DELETE",    "DESC",       "DISTINCT",
    "DROP",        "ELSE",    "END",    "ESCAPE",  "EXCEPT",    "EXEC",    "EXECUTE",   "EXISTS",     "FETCH",
    "FOR",         "FOREIGN", "FROM",   "FULL",    "FUNCTION",  "GOTO",    "GRANT",     "GROUP",      "HAVING",
    "IF",          "IN",      "INNER",  "INSERT",  "INTERSECT", "INTO",    "IS",        "JOIN",       "KEY",
    "LEFT",        "LIKE",    "NOT",    "NULL",    "OF",        "OFF",     "ON",        "OPEN",       "OPTION",
    "OR",          "ORDER",   "OUTER",  "OVER",    "PERCENT",   "PRIMARY", "PROCEDURE", "RETURN",     "RIGHT",
    "ROLLBACK",    "SELECT",  "SET",    "SOME",    "TABLE",     "THEN",    "TO",        "TOP",        "TRAN",
    "TRANSACTION", "UNION",   "UNIQUE", "UPDATE",  "VALUES",    "WHEN",    "WHERE",     "WHILE",      "WITH",
};

bool IsReserved(std::string_view word)
{
    return std::any_of(kReserved.begin(), kReserved.end(), [&](const char* r) { return EqualsIgnoreCase(word, r); });
}

} // namespace

Ast::Batch ParseBatch(std::string_view text)
{
    return Parser(Tokenize(text)).Batch();
}

Parser::Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

const Token& Parser::Peek(std::size_t ahead) const
{
    std::size_t i = std::min(pos_ + ahead, tokens_.size() - 1);
    return tokens_[i];
}

const Token& Parser::Advance()
{
    const Token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
}

bool Parser::IsKeyword(std::string_view word, std::size_t ahead) const
{
    const Token& t = Peek(ahead);
    return t.kind == TokenKind::Identifier && EqualsIgnoreCase(t.text, word);
}

bool Parser::AcceptKeyword(std::string_view word)
{
    if (!IsKeyword(word)) return false;
    Advance();
    return true;
}

void Parser::ExpectKeyword(std::string_view word)
{
    if (!AcceptKeyword(word)) Fail("expected " + std::string(word));
}

bool Parser::IsSymbol(std::string_view symbol, std::size_t ahead) const
{
    const Token& t = Peek(ahead);
    return t.kind == TokenKind::Symbol && t.text == symbol;
}

bool Parser::AcceptSymbol(std::string_view symbol)
{
    if (!IsSymbol(symbol)) return false;
    Advance();
    return true;
}

void Parser::ExpectSymbol(std::string_view symbol)
{
    if (!AcceptSymbol(symbol)) Fail("expected '" + std::string(symbol) + "'");
}

void Parser::EnterLevel(const Token& at, bool nesting)
{
    if (nesting && nesting_ >= kMaxNesting) {
        tooDeep_ = true;
        Fail(at, "nested deeper than " + std::to_string(kMaxNesting) +
                     " levels (parentheses, sub-queries, CASE, calls, NOT and signs)");
    }
    if (nesting) ++nesting_;
    ++level_;
    deepest_ = std::max(deepest_, level_);
    try {
        CheckTreeDepth(at);
    } catch (...) {
        if (nesting) --nesting_;
        --level_;
        throw;
    }
}

void Parser::CheckTreeDepth(const Token& at)
{
    if (deepest_ <= kMaxTreeDepth) return;
    tooDeep_ = true;
    Fail(at, "the statement's syntax tree would be deeper than " + std::to_string(kMaxTreeDepth) +
                 " levels; split the chain of operators");
}

void Parser::Rewind(const Attempt& attempt)
{
    pos_ = attempt.pos;
    parameterCount_ = attempt.parameterCount;
    deepest_ = attempt.deepest;
}

void Parser::Fail(const Token& at, const std::string& problem) const
{
    throw SqlSyntaxError(at.line, at.column, at.kind == TokenKind::End ? std::string() : at.spelling, problem);
}

bool Parser::IsNameToken(std::size_t ahead) const
{
    const Token& t = Peek(ahead);
    if (t.kind == TokenKind::QuotedIdentifier) return true;
    return t.kind == TokenKind::Identifier && !IsReserved(t.text);
}

std::string Parser::NamePart(std::string_view what)
{
    const Token& t = Peek();
    // After a dot any word is a name: oTable.[Key], Doc.Percent are columns.
    bool afterDot = pos_ > 0 && tokens_[pos_ - 1].kind == TokenKind::Symbol && tokens_[pos_ - 1].text == ".";
    if (t.kind == TokenKind::QuotedIdentifier ||
        (t.kind == TokenKind::Identifier && (afterDot || !IsReserved(t.text)))) {
        // [#Name] names the same temporary table as #Name, under the same rule.
        if (!t.text.empty() && t.text[0] == '#' && !IsTemporaryTableName(t.text))
            Fail("a temporary table name is '#' and then only letters, digits and '_'");
        return Advance().text;
    }
    Fail("expected " + std::string(what));
}

Ast::Name Parser::DottedName(std::string_view what)
{
    Ast::Name name{NamePart(what)};
    while (IsSymbol(".")) {
        Advance();
        name.push_back(NamePart(what));
    }
    return name;
}

Ast::Name Parser::TableName(std::string_view what)
{
    const Token& start = Peek();
    Ast::Name name = DottedName(what);
    // A temporary table lives in the session, never in a schema of the database.
    if (name.size() > 1 &&
        std::any_of(name.begin(), name.end(), [](const std::string& part) { return !part.empty() && part[0] == '#'; }))
        Fail(start, "a temporary table (#name) takes no schema or database prefix");
    return name;
}

std::string Parser::TemporaryTableName(const std::string& refusal)
{
    const Token& t = Peek();
    bool named = t.kind == TokenKind::Identifier || t.kind == TokenKind::QuotedIdentifier;
    if (!named || t.text.empty() || t.text[0] != '#') Fail(refusal);
    std::string name = NamePart("a temporary table name");
    if (IsSymbol(".")) Fail(t, "a temporary table (#name) takes no schema or database prefix");
    return name;
}

bool Parser::IsAliasAhead() const
{
    return IsNameToken() || Peek().kind == TokenKind::String;
}

std::string Parser::OptionalAlias()
{
    if (AcceptKeyword("AS")) {
        if (Peek().kind == TokenKind::String) return Advance().text;
        return NamePart("an alias after AS");
    }
    if (IsAliasAhead()) return Advance().text;
    return {};
}

Ast::Batch Parser::Batch()
{
    Ast::Batch batch;
    for (;;) {
        while (AcceptSymbol(";")) {
        }
        if (AtEnd()) break;
        batch.statements.push_back(Statement());
        if (!AtEnd() && !IsSymbol(";") && !IsKeyword("SELECT") && !IsKeyword("INSERT") && !IsKeyword("UPDATE") &&
            !IsKeyword("DELETE") && !IsKeyword("DROP") && !IsKeyword("EXEC") && !IsKeyword("EXECUTE") &&
            !IsKeyword("SET") && !IsKeyword("BEGIN") && !IsKeyword("COMMIT") && !IsKeyword("ROLLBACK") &&
            !IsSymbol("("))
            Fail("expected the end of the statement");
    }
    if (batch.statements.empty()) Fail("expected a statement");
    batch.parameterCount = parameterCount_;
    return batch;
}

Ast::Statement Parser::Statement()
{
    if (IsKeyword("SELECT") || IsSymbol("(")) return Ast::Statement{Select(true)};
    if (IsKeyword("INSERT")) return Ast::Statement{Insert()};
    if (IsKeyword("UPDATE") && IsKeyword("STATISTICS", 1)) return Ast::Statement{UpdateStatistics()};
    if (IsKeyword("UPDATE")) return Ast::Statement{Update()};
    if (IsKeyword("DELETE")) return Ast::Statement{Delete()};
    if (IsKeyword("DROP")) return Ast::Statement{DropTable()};
    if (IsKeyword("EXEC") || IsKeyword("EXECUTE")) return Ast::Statement{Exec()};
    if (IsKeyword("SET")) return SetStatement();
    if (IsKeyword("BEGIN") || IsKeyword("COMMIT") || IsKeyword("ROLLBACK")) return TransactionStatement();
    Fail("expected a statement");
}

} // namespace Talvex::Data::TSql
