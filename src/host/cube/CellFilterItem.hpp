#pragma once

#include "host/cube/PeriodLevel.hpp"
#include "host/types/Value.hpp"

#include <string>
#include <vector>

namespace Talvex::Cube {

// One condition of the rows behind a cell: the source field (for a period level, the date
// field and the level it is cut by) must hold one of the members. A cell's list of these,
// all together, selects exactly its source rows.
struct CellFilterItem {
    std::string DimName;
    std::string FieldName;
    PeriodLevel Level = PeriodLevel::None;
    std::vector<Value> Members;
};

} // namespace Talvex::Cube
