#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {

std::string PostgresWriter::Insert(const Ast::Insert& insert)
{
    std::string out = "INSERT INTO " + TableName(insert.table);
    if (!insert.columns.empty()) {
        out += " (";
        for (std::size_t i = 0; i < insert.columns.size(); ++i)
            out += (i ? ", " : "") + Identifier(insert.columns[i]);
        out += ")";
    }
    if (insert.query) return out + " " + Select(*insert.query);
    out += " VALUES ";
    for (std::size_t i = 0; i < insert.rows.size(); ++i)
        out += (i ? ", (" : "(") + List(insert.rows[i]) + ")";
    return out;
}

} // namespace Talvex::Data::TSql
