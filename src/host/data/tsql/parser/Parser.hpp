#pragma once

#include "host/data/tsql/ast/Statement.hpp"
#include "host/data/tsql/lexer/Token.hpp"

#include <algorithm>
#include <string_view>
#include <unordered_set>
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

    // Depth: a Nested level for every recursive step of the reading, an Operand level for
    // the right side of an operator, and an OperatorChain that puts what it has read one
    // level lower at each further operator.
    class Level;
    class Nested;
    class Operand;
    class OperatorChain;
    void EnterLevel(const Token& at, bool nesting);
    void CheckTreeDepth(const Token& at);
    // A sub-query tried where an expression or a join may also stand: a failed try leaves
    // nothing behind. A statement refused as too deep is not tried again another way, and a
    // place where the try failed once is not tried again: it would fail the same way, and
    // nested tries would otherwise take time exponential in the nesting.
    struct Attempt {
        std::size_t pos;
        int parameterCount;
        int deepest;
    };
    Attempt StartAttempt() const { return {pos_, parameterCount_, deepest_}; }
    void Rewind(const Attempt& attempt);

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
    Ast::UpdateStatistics UpdateStatistics();
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
    Ast::Expression ParenthesizedPrimary();
    Ast::Expression NamedPrimary();
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
    int nesting_ = 0; // recursive steps open at the current token
    int level_ = 0;   // tree level of what is read now, below the innermost operator chain
    int deepest_ = 0; // deepest tree level reached within the innermost operator chain
    bool tooDeep_ = false;
    std::unordered_set<std::size_t> notAQuery_;        // token positions: "(" opens no scalar sub-query
    std::unordered_set<std::size_t> notADerivedTable_; // token positions: "(" opens no derived table
};

// One level of the tree while it is read. A Nested step (a parenthesis, a sub-query, a
// call...) counts against kMaxNesting and kMaxTreeDepth; the Operand on the right of an
// operator only against kMaxTreeDepth.
class Parser::Level {
public:
    Level(Parser& parser, const Token& at, bool nesting) : parser_(parser), nesting_(nesting)
    {
        parser_.EnterLevel(at, nesting);
    }
    ~Level()
    {
        if (nesting_) --parser_.nesting_;
        --parser_.level_;
    }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

private:
    Parser& parser_;
    bool nesting_;
};

class Parser::Nested : public Level {
public:
    Nested(Parser& parser, const Token& at) : Level(parser, at, true) {}
};

class Parser::Operand : public Level {
public:
    Operand(Parser& parser, const Token& at) : Level(parser, at, false) {}
};

// A left-deep chain of operators (a OR b OR c, t JOIN u JOIN v): it measures the depth of its
// own tree, which sinks by one level with every operator after the first.
class Parser::OperatorChain {
public:
    explicit OperatorChain(Parser& parser) : parser_(parser), outerDeepest_(parser.deepest_)
    {
        parser_.deepest_ = parser_.level_;
    }
    ~OperatorChain() { parser_.deepest_ = std::max(outerDeepest_, parser_.deepest_); }
    OperatorChain(const OperatorChain&) = delete;
    OperatorChain& operator=(const OperatorChain&) = delete;

    void Sink(const Token& op)
    {
        ++parser_.deepest_;
        parser_.CheckTreeDepth(op);
    }

private:
    Parser& parser_;
    int outerDeepest_;
};

} // namespace Talvex::Data::TSql
