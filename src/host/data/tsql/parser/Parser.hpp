#pragma once

#include "host/data/tsql/ast/Statement.hpp"
#include "host/data/tsql/lexer/Token.hpp"

#include <string_view>
#include <vector>

namespace Talvex::Data::TSql {

// Reads a whole batch into syntax trees; throws SqlSyntaxError naming line, column and token
// of the first thing it cannot read.
Ast::Batch ParseBatch(std::string_view text);

// Recursive descent over the tokens of one batch. Each statement kind is read in its own
// file (ParseSelect.cpp, ParseInsert.cpp, ...); expressions in ParseExpression.cpp.
class Parser {
public:
    explicit Parser(std::vector<Token> tokens);
    Ast::Batch Batch();

private:
    // Cursor
    const Token& Peek(std::size_t ahead = 0) const;
    const Token& Advance();
    bool AtEnd() const { return Peek().kind == TokenKind::End; }
    bool IsKeyword(std::string_view word, std::size_t ahead = 0) const;
    bool AcceptKeyword(std::string_view word);
    void ExpectKeyword(std::string_view word);
    bool IsSymbol(std::string_view symbol, std::size_t ahead = 0) const;
    bool AcceptSymbol(std::string_view symbol);
    void ExpectSymbol(std::string_view symbol);
    [[noreturn]] void Fail(const Token& at, const std::string& problem) const;
    [[noreturn]] void Fail(const std::string& problem) const { Fail(Peek(), problem); }

    // Names
    bool IsNameToken(std::size_t ahead = 0) const; // an identifier that is not reserved, or a quoted one
    std::string NamePart(std::string_view what);
    Ast::Name DottedName(std::string_view what);
    Ast::Name TableName(std::string_view what);
    std::string TemporaryTableName(const std::string& refusal);
    bool IsAliasAhead() const;
    std::string OptionalAlias();

    // Statements
    Ast::Statement Statement();
    Ast::Select Select(bool allowInto = false);
    Ast::SelectCore SelectCore(std::string* into = nullptr);
    Ast::SelectItem SelectItem();
    std::vector<Ast::TableRef> FromList();
    Ast::TableRef TableSource();
    Ast::TableRef TablePrimary();
    void SkipTableHints();
    std::vector<Ast::OrderItem> OrderBy();
    Ast::Insert Insert();
    Ast::Update Update();
    Ast::Delete Delete();
    Ast::DropTable DropTable();
    Ast::Exec Exec();
    Ast::Statement SetStatement();
    Ast::Statement TransactionStatement();

    // Expressions, lowest precedence first
    Ast::Expression Expression();
    Ast::Expression OrExpression();
    Ast::Expression AndExpression();
    Ast::Expression NotExpression();
    Ast::Expression Predicate();
    Ast::Expression Additive();
    Ast::Expression Multiplicative();
    Ast::Expression UnaryExpression();
    Ast::Expression Primary();
    Ast::Expression CaseExpression();
    Ast::Expression CastExpression();
    Ast::Expression ConvertExpression();
    Ast::Expression FunctionCall(Ast::Name name, const Token& nameToken);
    Ast::DataType DataType();
    bool IsQueryStart(std::size_t ahead = 0) const;
    Ast::Select ParenthesizedQuery();

    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    int parameterCount_ = 0;
};

} // namespace Talvex::Data::TSql
