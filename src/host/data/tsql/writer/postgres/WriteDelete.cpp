#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {

// As with UPDATE, T-SQL's DELETE ... FROM names its target by an alias of the FROM list; the
// rows to delete are found by the statement's own join and removed by row id.
std::string PostgresWriter::Delete(const Ast::Delete& deletion)
{
    if (deletion.from.empty()) {
        std::string out = "DELETE FROM " + TableName(deletion.target);
        if (deletion.where) out += " WHERE " + Expression(*deletion.where);
        return out;
    }
    const Ast::TableName* target = FindTarget(deletion.from, deletion.target);
    if (!target) {
        std::string out = "DELETE FROM " + TableName(deletion.target) + " USING " + FromList(deletion.from);
        if (deletion.where) out += " WHERE " + Expression(*deletion.where);
        return out;
    }
    std::string key = Identifier(target->alias.empty() ? target->name.back() : target->alias);
    std::string rows = "SELECT " + key + ".ctid FROM " + FromList(deletion.from);
    if (deletion.where) rows += " WHERE " + Expression(*deletion.where);
    return "DELETE FROM " + TableName(target->name) + " AS delete_target WHERE delete_target.ctid IN (" + rows + ")";
}

} // namespace Talvex::Data::TSql
