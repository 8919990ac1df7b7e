#include "web/MenuTexts.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/Startup.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

namespace Talvex::Web {

namespace {

// The reports the module's resource names in its own words.
constexpr std::pair<std::string_view, long> kNamedByResource[] = {
    {"CDebtOfClients", 21810},      // "Client debt"
    {"RCashFlow", 27149},           // "Cash flow"
    {"CRSaleByPayType", 15542},     // "Splitting sales by payment type"
    {"CPriceListCostPrice", 26293}, // "Prices from purchase cost"
};

constexpr std::string_view kRecentKey = "web.recent";

} // namespace

std::string BusinessName(std::string_view className, std::string_view role)
{
    for (const auto& [name, text] : kNamedByResource) {
        if (name == className) return Quarn_DuzAde::ModuleFormRes().GetString(text);
    }
    std::string result(role.empty() ? className : role);
    if (!result.empty()) result[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(result[0])));
    return result;
}

std::vector<std::string> PushRecent(std::vector<std::string> recent, const std::string& className)
{
    std::erase(recent, className);
    recent.insert(recent.begin(), className);
    if (recent.size() > kRecentCount) recent.resize(kRecentCount);
    return recent;
}

std::vector<std::string> LoadRecent(Book& book)
{
    const Value saved = UserSettings(book).Load(kRecentKey, "Classes");
    std::vector<std::string> recent;
    if (saved.IsNull() || saved.IsEmpty()) return recent;
    const std::string text = saved.ToText();
    std::size_t from = 0;
    while (from <= text.size() && recent.size() < kRecentCount) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        if (comma > from) recent.push_back(text.substr(from, comma - from));
        from = comma + 1;
    }
    return recent;
}

std::vector<std::string> RememberRecent(Book& book, const std::string& className)
{
    auto recent = PushRecent(LoadRecent(book), className);
    std::string text;
    for (const auto& name : recent)
        text += (text.empty() ? "" : ",") + name;
    UserSettings(book).Save(kRecentKey, "Classes", Value(text));
    return recent;
}

} // namespace Talvex::Web
