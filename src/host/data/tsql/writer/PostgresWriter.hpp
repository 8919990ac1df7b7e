#pragma once

#include "host/data/tsql/TSql.hpp"
#include "host/data/tsql/ast/Statement.hpp"

#include <string>

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

    static std::string TableName(const Ast::Name& name);
    static std::vector<std::string> ColumnNames(const Ast::Select& select);
    // The FROM entry an UPDATE or DELETE names as its target: its alias or table name, and
    // the table; empty when the target is not among the sources.
    static const Ast::TableName* FindTarget(const std::vector<Ast::TableRef>& from, const Ast::Name& target);

    // Placeholders are written as $(index - parameterOffset_); the highest index written
    // tells how many a statement takes.
    int parameterOffset_ = 0;
    int highestParameter_ = 0;
};

} // namespace Talvex::Data::TSql
