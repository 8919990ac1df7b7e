#include "host/data/tsql/writer/TSqlWriter.hpp"

namespace Talvex::Data::TSql {

std::string TSqlWriter::Transaction(const Ast::SetIsolationLevel& set)
{
    return "SET TRANSACTION ISOLATION LEVEL " + set.level;
}

std::string TSqlWriter::Transaction(const Ast::TransactionControl& control)
{
    switch (control.action) {
    case Ast::TransactionAction::Begin: return "BEGIN TRANSACTION";
    case Ast::TransactionAction::Commit: return "COMMIT TRANSACTION";
    case Ast::TransactionAction::Rollback: return "ROLLBACK TRANSACTION";
    }
    return {};
}

} // namespace Talvex::Data::TSql
