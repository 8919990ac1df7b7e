#include "host/data/tsql/parser/Parser.hpp"

namespace Talvex::Data::TSql {

Ast::Update Parser::Update()
{
    ExpectKeyword("UPDATE");
    Ast::Update update;
    update.target = TableName("the table to update");
    SkipTableHints();
    ExpectKeyword("SET");
    do {
        Ast::Name column = DottedName("a column name");
        ExpectSymbol("=");
        update.assignments.push_back(Ast::Assignment{std::move(column), Expression()});
    } while (AcceptSymbol(","));
    if (AcceptKeyword("FROM")) update.from = FromList();
    if (AcceptKeyword("WHERE")) update.where = Expression();
    return update;
}

} // namespace Talvex::Data::TSql
