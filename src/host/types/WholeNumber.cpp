#include "host/types/WholeNumber.hpp"

#include "host/types/Errors.hpp"

#include <charconv>
#include <string>

namespace Talvex {

std::optional<std::int64_t> TryParseWholeNumber(std::string_view text)
{
    std::int64_t number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return number;
}

std::int64_t ParseWholeNumber(std::string_view text, std::string_view parameterName)
{
    if (auto number = TryParseWholeNumber(text)) return *number;
    throw ValueError(std::string(parameterName) + ": '" + std::string(text) + "' is not a whole number");
}

} // namespace Talvex
