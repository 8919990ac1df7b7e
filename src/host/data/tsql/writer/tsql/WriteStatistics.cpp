#include "host/data/tsql/writer/TSqlWriter.hpp"

namespace Talvex::Data::TSql {

std::string TSqlWriter::UpdateStatistics(const Ast::UpdateStatistics& statistics)
{
    return "UPDATE STATISTICS " + Quote(statistics.table);
}

} // namespace Talvex::Data::TSql
