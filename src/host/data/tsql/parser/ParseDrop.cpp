#include "host/data/tsql/parser/Parser.hpp"

namespace Talvex::Data::TSql {

Ast::DropTable Parser::DropTable()
{
    ExpectKeyword("DROP");
    ExpectKeyword("TABLE");
    Ast::DropTable drop;
    // IF EXISTS as SQL Server 2016 writes it: a table that is not there is no error.
    if (IsKeyword("IF") && IsKeyword("EXISTS", 1)) {
        Advance();
        Advance();
        drop.ifExists = true;
    }
    drop.table = TemporaryTableName("DROP TABLE: only temporary tables (#name) can be dropped");
    return drop;
}

} // namespace Talvex::Data::TSql
