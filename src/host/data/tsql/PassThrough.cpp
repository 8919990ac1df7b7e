// Temporary: hands statements to the server unchanged until the front end lands.
#include "host/data/tsql/TSql.hpp"
namespace Talvex::Data::TSql {
SqlSyntaxError::SqlSyntaxError(int line, int column, std::string token, const std::string& problem)
    : std::runtime_error(problem), line_(line), column_(column), token_(std::move(token)) {}
Translation Translate(std::string_view tsql) { return Translation{std::string(tsql), {}, true, 0}; }
}
