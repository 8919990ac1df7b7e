#include "host/data/tsql/writer/TSqlWriter.hpp"

namespace Talvex::Data::TSql {

std::string TSqlWriter::Insert(const Ast::Insert& insert)
{
    std::string out = "INSERT INTO " + Name(insert.table);
    if (!insert.columns.empty()) {
        out += " (";
        for (std::size_t i = 0; i < insert.columns.size(); ++i)
            out += (i ? ", " : "") + Quote(insert.columns[i]);
        out += ")";
    }
    if (insert.query) return out + " " + Select(*insert.query);
    out += " VALUES ";
    for (std::size_t i = 0; i < insert.rows.size(); ++i)
        out += (i ? ", (" : "(") + List(insert.rows[i]) + ")";
    return out;
}

} // namespace Talvex::Data::TSql
