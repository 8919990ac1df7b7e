#include "host/data/tsql/parser/Parser.hpp"

namespace Talvex::Data::TSql {

Ast::Delete Parser::Delete()
{
    ExpectKeyword("DELETE");
    AcceptKeyword("FROM");
    Ast::Delete deletion;
    deletion.target = TableName("the table to delete from");
    SkipTableHints();
    if (AcceptKeyword("FROM")) deletion.from = FromList();
    if (AcceptKeyword("WHERE")) deletion.where = Expression();
    return deletion;
}

} // namespace Talvex::Data::TSql
