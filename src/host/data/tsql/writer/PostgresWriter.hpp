#pragma once

#include "host/data/tsql/TSql.hpp"
#include "host/data/tsql/ast/Statement.hpp"

#include <optional>
#include <string>
#include <vector>

namespace Talvex::Data::TSql {

// Writes syntax trees as PostgreSQL with T-SQL's meaning: names folded to lower case (the
// ERP schema is created unquoted), "+" as concatenation where an operand is surely text,
// T-SQL's functions through the compatibility schema "tsql", TOP as LIMIT, EXEC as a call of
// a set-returning function, SELECT ... INTO #Name as CREATE TEMPORARY TABLE. Compound expressions are always
// parenthesized, so the two dialects' different operator precedences never matter.
class PostgresWriter {
public:
    Translation Batch(const Ast::Batch& batch);
    std::string Statement(const Ast::Statement& statement);
    std::string Select(const Ast::Select& select);
    std::string Expression(const Ast::Expression& expr);

    // A name folded to lower case, quoted when PostgreSQL would not read it bare.
    static std::string Identifier(const std::string& name);

    // What the writer knows of an expression's type without a schema.
    enum class Kind { Unknown, String, Integer, Number, Date };
    Kind KindOf(const Ast::Expression& expr) const;

private:
    std::string SelectCore(const Ast::SelectCore& core, bool withTop);
    std::string Top(const Ast::SelectCore& core);
    std::string TableRef(const Ast::TableRef& table);
    std::string FromList(const std::vector<Ast::TableRef>& from);
    std::string Insert(const Ast::Insert& insert);
    std::string Update(const Ast::Update& update);
    std::string Delete(const Ast::Delete& deletion);
    std::string DropTable(const Ast::DropTable& drop);
    std::string UpdateStatistics(const Ast::UpdateStatistics& statistics);
    std::string Exec(const Ast::Exec& exec);
    std::string Transaction(const Ast::SetIsolationLevel& set);
    std::string Transaction(const Ast::TransactionControl& control);

    std::string Binary(const Ast::Binary& binary);
    std::string Function(const Ast::FunctionCall& call);
    std::string Conversion(const Ast::DataType& type, const Ast::Expression& operand, const Ast::Expression* style);
    std::string AsText(const Ast::Expression& expr);
    std::string AsInteger(const Ast::Expression& expr);
    std::string List(const std::vector<Ast::Expression>& items);

    // Text by the ERP's collation: comparisons, LIKE, IN, grouping keys (WriteText.cpp).
    bool MayBeText(const Ast::Expression& expr) const;
    std::string Folded(const Ast::Expression& expr, const Ast::Expression& other);
    std::string Comparison(const Ast::Binary& binary);
    std::string Between(const Ast::Between& between);
    std::string Like(const Ast::Like& like);
    std::string In(const Ast::InList& in);
    std::string In(const Ast::InSelect& in);
    std::string SimpleCase(const Ast::Case& c);
    std::string IsNullCall(const Ast::Expression& value, const Ast::Expression& replacement);
    // The GROUP BY list, text keys folded; they stay the block's keys until the next block.
    std::string GroupBy(const std::vector<const Ast::Expression*>& keys);
    // A text key of the block's GROUP BY met outside an aggregate, as one of its spellings.
    std::optional<std::string> GroupedKey(const Ast::Expression& expr);

    // Counts the aggregate calls being written, inside which a grouped key is a plain value.
    class AggregateScope {
    public:
        AggregateScope(PostgresWriter& writer, const Ast::FunctionCall& call);
        ~AggregateScope();
        AggregateScope(const AggregateScope&) = delete;
        AggregateScope& operator=(const AggregateScope&) = delete;

    private:
        PostgresWriter& writer_;
        bool counts_;
    };
    // A query nested in another starts with no grouped keys of its own; those of the blocks
    // around it it sees as outer keys.
    class QueryScope {
    public:
        explicit QueryScope(PostgresWriter& writer);
        ~QueryScope();
        QueryScope(const QueryScope&) = delete;
        QueryScope& operator=(const QueryScope&) = delete;

    private:
        PostgresWriter& writer_;
        std::vector<const Ast::Expression*> keys_;
        std::vector<const Ast::Expression*> outerKeys_;
        int aggregateDepth_;
    };

    static std::string TableName(const Ast::Name& name);
    static std::vector<std::string> ColumnNames(const Ast::Select& select);
    // The FROM entry an UPDATE or DELETE names as its target: its alias or table name, and
    // the table; empty when the target is not among the sources.
    static const Ast::TableName* FindTarget(const std::vector<Ast::TableRef>& from, const Ast::Name& target);

    // Placeholders are written as $(index - parameterOffset_); the highest index written
    // tells how many a statement takes.
    int parameterOffset_ = 0;
    int highestParameter_ = 0;
    std::vector<const Ast::Expression*> textKeys_;
    // The keys of the grouped blocks a sub-query being written stands in.
    std::vector<const Ast::Expression*> outerKeys_;
    int aggregateDepth_ = 0;
};

} // namespace Talvex::Data::TSql
