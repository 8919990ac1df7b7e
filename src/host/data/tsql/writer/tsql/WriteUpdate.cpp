#include "host/data/tsql/writer/TSqlWriter.hpp"

namespace Talvex::Data::TSql {

std::string TSqlWriter::Update(const Ast::Update& update)
{
    std::string out = "UPDATE " + Name(update.target) + " SET ";
    for (std::size_t i = 0; i < update.assignments.size(); ++i)
        out += (i ? ", " : "") + Name(update.assignments[i].column) + " = " + Expression(update.assignments[i].value);
    if (!update.from.empty()) out += " FROM " + FromList(update.from);
    if (update.where) out += " WHERE " + Expression(*update.where);
    return out;
}

} // namespace Talvex::Data::TSql
