#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace Talvex {

// Reads a whole number from text a user typed (a URL, a command line, an answers file): an
// optional '-' and decimal digits, and nothing else. "1) OR 1=1" or "12abc" is refused, never
// read as 1 or 12; so are spaces, a '+', decimals and numbers beyond 64 bits.
std::optional<std::int64_t> TryParseWholeNumber(std::string_view text);

// As above; throws ValueError naming the parameter: "idc: '1) OR 1=1' is not a whole number".
std::int64_t ParseWholeNumber(std::string_view text, std::string_view parameterName);

} // namespace Talvex
