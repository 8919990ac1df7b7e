#pragma once

#include <string>
#include <string_view>

// Case folding as T-SQL and PostgreSQL do it for names and key words: ASCII letters only.
namespace Talvex::Data::TSql {

inline std::string AsciiUpper(std::string_view s)
{
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

inline std::string AsciiLower(std::string_view s)
{
    std::string l(s);
    for (char& c : l)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return l;
}

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

} // namespace Talvex::Data::TSql
