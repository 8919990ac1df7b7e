#include "host/data/tsql/writer/TSqlWriter.hpp"

namespace Talvex::Data::TSql {

std::string TSqlWriter::DropTable(const Ast::DropTable& drop)
{
    return std::string("DROP TABLE ") + (drop.ifExists ? "IF EXISTS " : "") + Quote(drop.table);
}

} // namespace Talvex::Data::TSql
