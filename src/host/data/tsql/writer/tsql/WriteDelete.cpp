#include "host/data/tsql/writer/TSqlWriter.hpp"

namespace Talvex::Data::TSql {

std::string TSqlWriter::Delete(const Ast::Delete& deletion)
{
    std::string out = "DELETE FROM " + Name(deletion.target);
    if (!deletion.from.empty()) out += " FROM " + FromList(deletion.from);
    if (deletion.where) out += " WHERE " + Expression(*deletion.where);
    return out;
}

} // namespace Talvex::Data::TSql
