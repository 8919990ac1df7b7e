#include "host/data/tsql/parser/Parser.hpp"

namespace Talvex::Data::TSql {

Ast::Insert Parser::Insert()
{
    ExpectKeyword("INSERT");
    AcceptKeyword("INTO");
    Ast::Insert insert;
    insert.table = TableName("a table name");
    if (IsSymbol("(") && !IsQueryStart(1)) {
        Advance();
        do {
            insert.columns.push_back(DottedName("a column name").back());
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
    }
    if (AcceptKeyword("VALUES")) {
        do {
            ExpectSymbol("(");
            std::vector<Ast::Expression> row;
            do {
                row.push_back(Expression());
            } while (AcceptSymbol(","));
            ExpectSymbol(")");
            insert.rows.push_back(std::move(row));
        } while (AcceptSymbol(","));
    } else if (IsQueryStart()) {
        insert.query = Select();
    } else {
        Fail("expected VALUES or SELECT");
    }
    return insert;
}

} // namespace Talvex::Data::TSql
