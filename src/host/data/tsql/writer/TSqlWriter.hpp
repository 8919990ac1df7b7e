#pragma once

#include "host/data/tsql/ast/Statement.hpp"

#include <string>

namespace Talvex::Data::TSql {

// Writes syntax trees back as T-SQL that parses to the same trees: every name bracketed, an
// operand in parentheses exactly where the parser's precedence asks for them, so the text
// nests no deeper than the statement that gave the tree and reads back under the same
// limits. Serves the reparse check (parse, write, parse again, compare) that finds faults of
// the parser and the writers on any statement.
class TSqlWriter {
public:
    std::string Batch(const Ast::Batch& batch);
    std::string Statement(const Ast::Statement& statement);
    std::string Expression(const Ast::Expression& expr);
    std::string Select(const Ast::Select& select);

private:
    // How tightly an expression binds, weakest first, as the parser's levels read it.
    enum class Strength { Or, And, Not, Predicate, Additive, Multiplicative, Unary, Primary };
    static Strength StrengthOf(const Ast::Expression& expr);
    // The expression where at least the given strength stands: in parentheses when weaker.
    std::string Operand(const Ast::Expression& expr, Strength least);
    std::string Bare(const Ast::Expression& expr);
    std::string SelectItem(const Ast::SelectItem& item);
    std::string SelectCore(const Ast::SelectCore& core, const std::string& into = {});
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
    std::string List(const std::vector<Ast::Expression>& items);

    static std::string Quote(const std::string& name);
    static std::string Name(const Ast::Name& name);
    static std::string DataType(const Ast::DataType& type);
};

} // namespace Talvex::Data::TSql
