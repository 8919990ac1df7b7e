#pragma once

#include <cstdint>
#include <vector>

namespace Talvex::Cube {

// One row (or column) header of the grid: the member codes of the axis's outer dimensions.
// Fewer codes than the axis shows make it a subtotal; none, the grand total.
struct AxisHeader {
    std::vector<std::uint32_t> Codes;
    bool IsGrandTotal() const { return Codes.empty(); }
};

} // namespace Talvex::Cube
