#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {

// The ERP's stored procedures are set-returning functions on PostgreSQL: EXEC reads their
// rows as a SELECT would. Named arguments (@DateFrom = ?) use PostgreSQL's named notation.
std::string PostgresWriter::Exec(const Ast::Exec& exec)
{
    std::string args;
    for (std::size_t i = 0; i < exec.args.size(); ++i) {
        if (i) args += ", ";
        if (!exec.argNames[i].empty()) args += Identifier(exec.argNames[i]) + " => ";
        args += Expression(exec.args[i]);
    }
    return "SELECT * FROM " + TableName(exec.procedure) + "(" + args + ")";
}

} // namespace Talvex::Data::TSql
