#include "host/data/tsql/parser/Parser.hpp"

namespace Talvex::Data::TSql {

Ast::Statement Parser::SetStatement()
{
    ExpectKeyword("SET");
    if (!IsKeyword("TRANSACTION")) Fail("only SET TRANSACTION ISOLATION LEVEL is supported");
    Advance();
    ExpectKeyword("ISOLATION");
    ExpectKeyword("LEVEL");
    Ast::SetIsolationLevel set;
    if (AcceptKeyword("READ")) {
        if (AcceptKeyword("UNCOMMITTED"))
            set.level = "READ UNCOMMITTED";
        else if (AcceptKeyword("COMMITTED"))
            set.level = "READ COMMITTED";
        else
            Fail("expected UNCOMMITTED or COMMITTED");
    } else if (AcceptKeyword("REPEATABLE")) {
        ExpectKeyword("READ");
        set.level = "REPEATABLE READ";
    } else if (AcceptKeyword("SNAPSHOT")) {
        set.level = "SNAPSHOT";
    } else if (AcceptKeyword("SERIALIZABLE")) {
        set.level = "SERIALIZABLE";
    } else {
        Fail("expected an isolation level");
    }
    return Ast::Statement{std::move(set)};
}

Ast::Statement Parser::TransactionStatement()
{
    Ast::TransactionControl control;
    if (AcceptKeyword("BEGIN")) {
        control.action = Ast::TransactionAction::Begin;
        if (!AcceptKeyword("TRAN") && !AcceptKeyword("TRANSACTION")) Fail("expected TRAN or TRANSACTION");
    } else {
        control.action = IsKeyword("COMMIT") ? Ast::TransactionAction::Commit : Ast::TransactionAction::Rollback;
        Advance();
        if (!AcceptKeyword("TRAN") && !AcceptKeyword("TRANSACTION")) AcceptKeyword("WORK");
    }
    return Ast::Statement{control};
}

} // namespace Talvex::Data::TSql
