#pragma once

namespace Talvex::Cube {

// Where a dimension stands: down the rows, across the columns, or in the filter area,
// where it only narrows the rows by its selected members.
enum class Axis { Rows = 0, Columns = 1, Filter = 2 };

} // namespace Talvex::Cube
