#pragma once

#include "host/data/recordset/RowStore.hpp"

#include <cstddef>
#include <string_view>
#include <vector>

namespace Talvex::Data::RecordsetDetail {

struct SortKey {
    std::size_t field = 0;
    bool descending = false;
};

// Reads "Name ASC, [Document Date] DESC": field names without regard to case, ASC when no
// direction is given. Empty text gives no keys. Throws ValueError naming the culprit.
std::vector<SortKey> ParseSortOrder(std::string_view text, const std::vector<FieldDef>& fields);

// Orders rows by the keys, keeping the given order among equals; nulls come first in an
// ascending key and last in a descending one.
void SortRows(std::vector<std::size_t>& rows, const RowStore& store, const std::vector<SortKey>& keys);

} // namespace Talvex::Data::RecordsetDetail
