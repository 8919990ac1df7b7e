#include "host/data/tsql/parser/Parser.hpp"

namespace Talvex::Data::TSql {

Ast::UpdateStatistics Parser::UpdateStatistics()
{
    ExpectKeyword("UPDATE");
    ExpectKeyword("STATISTICS");
    Ast::UpdateStatistics statistics;
    statistics.table = TemporaryTableName("UPDATE STATISTICS: only temporary tables (#name) are analysed");
    return statistics;
}

} // namespace Talvex::Data::TSql
