#include "host/data/tsql/parser/Parser.hpp"

namespace Talvex::Data::TSql {

Ast::Exec Parser::Exec()
{
    Advance(); // EXEC or EXECUTE
    if (Peek().kind == TokenKind::Variable) Fail("a procedure's return code cannot be read; call it as EXEC name");
    if (IsSymbol("(")) Fail("dynamic SQL is not supported");
    Ast::Exec exec;
    exec.procedure = DottedName("a procedure name");
    bool endOfStatement = AtEnd() || IsSymbol(";") || IsKeyword("SELECT") || IsKeyword("INSERT") ||
                          IsKeyword("UPDATE") || IsKeyword("DELETE") || IsKeyword("EXEC") || IsKeyword("EXECUTE") ||
                          IsKeyword("SET") || IsKeyword("BEGIN") || IsKeyword("COMMIT") || IsKeyword("ROLLBACK");
    if (!endOfStatement) {
        do {
            std::string argName;
            if (Peek().kind == TokenKind::Variable && IsSymbol("=", 1)) {
                argName = Advance().text.substr(1);
                Advance();
            }
            exec.argNames.push_back(std::move(argName));
            exec.args.push_back(Expression());
        } while (AcceptSymbol(","));
    }
    return exec;
}

} // namespace Talvex::Data::TSql
