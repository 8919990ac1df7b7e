#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class Book;
}

namespace Talvex::Web {

// The name a person knows a report by: the module's resource text for it where the module
// has one ("Client debt"), else the catalogue's few words of its role, capitalised.
std::string BusinessName(std::string_view className, std::string_view role);

// The user's recent reports, latest first, at most kRecentCount, kept in the per-user
// settings store.
inline constexpr std::size_t kRecentCount = 8;
std::vector<std::string> PushRecent(std::vector<std::string> recent, const std::string& className);
std::vector<std::string> LoadRecent(Book& book);
std::vector<std::string> RememberRecent(Book& book, const std::string& className);

} // namespace Talvex::Web
