#include "host/data/QuoteText.hpp"

namespace Talvex::Data {

std::string QuoteByDoubling(std::string_view text, char quote)
{
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += quote;
    for (char c : text) {
        if (c == quote) quoted += quote;
        quoted += c;
    }
    quoted += quote;
    return quoted;
}

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    return QuoteByDoubling(text, '"');
}

} // namespace Talvex::Data
