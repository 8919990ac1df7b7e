#include "host/data/tsql/TSql.hpp"

#include "host/data/tsql/parser/Parser.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"

#include <algorithm>

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

bool IsTemporaryTableName(std::string_view name)
{
    // Nothing that could close the quoted name on the server ever stands in one.
    auto isNameChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    };
    return name.size() > 1 && name[0] == '#' && std::all_of(name.begin() + 1, name.end(), isNameChar);
}

std::string PostgresName(const std::string& name)
{
    return PostgresWriter::Identifier(name);
}

Translation Translate(std::string_view tsql)
{
    return PostgresWriter().Batch(ParseBatch(tsql));
}

} // namespace Talvex::Data::TSql
