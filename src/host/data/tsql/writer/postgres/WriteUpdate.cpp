#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {

// T-SQL's UPDATE ... FROM names its target by an alias of the FROM list, and its sources
// may be outer joins to it. PostgreSQL's UPDATE ... FROM cannot say that, so the FROM list
// becomes a sub-query that delivers, per row to change, its row id and the new values;
// the sub-query is the T-SQL statement's own join, unchanged.
std::string PostgresWriter::Update(const Ast::Update& update)
{
    const Ast::TableName* target = FindTarget(update.from, update.target);
    if (!target) {
        std::string out = "UPDATE " + TableName(update.target) + " SET ";
        for (std::size_t i = 0; i < update.assignments.size(); ++i)
            out += (i ? ", " : "") + Identifier(update.assignments[i].column.back()) + " = " +
                   Expression(update.assignments[i].value);
        if (!update.from.empty()) out += " FROM " + FromList(update.from);
        if (update.where) out += " WHERE " + Expression(*update.where);
        return out;
    }
    std::string key = Identifier(target->alias.empty() ? target->name.back() : target->alias);
    std::string set, values;
    for (std::size_t i = 0; i < update.assignments.size(); ++i) {
        std::string column = "new_" + std::to_string(i + 1);
        set += (i ? ", " : "") + Identifier(update.assignments[i].column.back()) + " = update_source." + column;
        values += ", " + Expression(update.assignments[i].value) + " AS " + column;
    }
    std::string source = "SELECT " + key + ".ctid AS row_id" + values + " FROM " + FromList(update.from);
    if (update.where) source += " WHERE " + Expression(*update.where);
    return "UPDATE " + TableName(target->name) + " AS update_target SET " + set + " FROM (" + source +
           ") AS update_source WHERE update_target.ctid = update_source.row_id";
}

} // namespace Talvex::Data::TSql
