#include "host/data/recordset/SortOrder.hpp"

#include "host/data/recordset/ValueCompare.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>

namespace Talvex::Data::RecordsetDetail {
namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::vector<SortKey> ParseSortOrder(std::string_view text, const std::vector<FieldDef>& fields)
{
    std::vector<SortKey> keys;
    if (Trim(text).empty()) return keys;
    auto fail = [&](const std::string& problem) -> void {
        throw ValueError("Sort \"" + std::string(text) + "\": " + problem);
    };
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        // A bracketed name may hold a comma of its own.
        std::size_t open = text.find('[', start);
        if (open != std::string_view::npos && open < comma) {
            std::size_t close = text.find(']', open);
            if (close == std::string_view::npos) fail("a field name is not closed by ]");
            comma = text.find(',', close);
        }
        if (comma == std::string_view::npos) comma = text.size();
        std::string_view item = Trim(text.substr(start, comma - start));
        if (item.empty()) fail("a field name is missing before or after a comma");

        SortKey key;
        std::string_view name = item;
        std::size_t blank = item.find_last_of(" \t");
        if (blank != std::string_view::npos && item.back() != ']') {
            std::string_view direction = item.substr(blank + 1);
            if (EqualTextNoCase(direction, "DESC"))
                key.descending = true;
            else if (!EqualTextNoCase(direction, "ASC"))
                fail("'" + std::string(direction) + "' is neither ASC nor DESC");
            name = Trim(item.substr(0, blank));
        }
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
        key.field = fields.size();
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (EqualTextNoCase(fields[i].name, name)) {
                key.field = i;
                break;
            }
        if (key.field == fields.size()) fail("there is no field named " + std::string(name));
        keys.push_back(key);
        start = comma + 1;
    }
    return keys;
}

void SortRows(std::vector<std::size_t>& rows, const RowStore& store, const std::vector<SortKey>& keys)
{
    if (keys.empty()) return;
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        for (const SortKey& key : keys) {
            int order = CompareForSort(store.At(a, key.field), store.At(b, key.field));
            if (order != 0) return key.descending ? order > 0 : order < 0;
        }
        return false;
    });
}

} // namespace Talvex::Data::RecordsetDetail
