#include "host/data/tsql/TSql.hpp"

#include "host/data/tsql/parser/Parser.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"

namespace Talvex::Data::TSql {
namespace {

std::string Describe(int line, int column, const std::string& token, const std::string& problem)
{
    std::string near = token.empty() ? "near the end of the text" : "near '" + token + "'";
    if (line <= 0) return "Syntax error " + near + ": " + problem;
    return "Syntax error at line " + std::to_string(line) + ", column " + std::to_string(column) + " " + near + ": " +
           problem;
}

} // namespace

SqlSyntaxError::SqlSyntaxError(int line, int column, std::string token, const std::string& problem)
    : std::runtime_error(Describe(line, column, token, problem)), line_(line), column_(column), token_(std::move(token))
{
}

Translation Translate(std::string_view tsql)
{
    return PostgresWriter().Batch(ParseBatch(tsql));
}

} // namespace Talvex::Data::TSql
