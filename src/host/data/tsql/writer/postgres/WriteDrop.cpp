#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {

std::string PostgresWriter::DropTable(const Ast::DropTable& drop)
{
    return std::string("DROP TABLE ") + (drop.ifExists ? "IF EXISTS " : "") + TableName({drop.table});
}

} // namespace Talvex::Data::TSql
