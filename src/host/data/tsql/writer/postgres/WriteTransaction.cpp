#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {

// T-SQL's SET TRANSACTION lasts for the session, as PostgreSQL's session characteristics
// do. PostgreSQL has no dirty reads (READ UNCOMMITTED reads committed rows) and calls
// SQL Server's SNAPSHOT "REPEATABLE READ".
std::string PostgresWriter::Transaction(const Ast::SetIsolationLevel& set)
{
    std::string level = set.level == "SNAPSHOT" ? "REPEATABLE READ" : set.level;
    return "SET SESSION CHARACTERISTICS AS TRANSACTION ISOLATION LEVEL " + level;
}

std::string PostgresWriter::Transaction(const Ast::TransactionControl& control)
{
    switch (control.action) {
    case Ast::TransactionAction::Begin: return "BEGIN";
    case Ast::TransactionAction::Commit: return "COMMIT";
    case Ast::TransactionAction::Rollback: return "ROLLBACK";
    }
    return {};
}

} // namespace Talvex::Data::TSql
