#pragma once

#include "host/data/tsql/lexer/Token.hpp"

#include <string_view>
#include <vector>

namespace Talvex::Data::TSql {

// Splits a T-SQL batch into tokens, dropping blanks and comments. The last token is always
// End. Throws SqlSyntaxError on an unterminated literal or a character T-SQL does not know.
std::vector<Token> Tokenize(std::string_view text);

} // namespace Talvex::Data::TSql
