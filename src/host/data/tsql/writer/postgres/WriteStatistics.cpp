#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {

std::string PostgresWriter::UpdateStatistics(const Ast::UpdateStatistics& statistics)
{
    return "ANALYZE " + TableName({statistics.table});
}

} // namespace Talvex::Data::TSql
