#pragma once

#include <cstdint>
#include <vector>

namespace Talvex::Cube {

// One row (or column) header of the grid: the member codes of the axis's outer dimensions.
// Fewer codes than the axis shows make it a subtotal; none, the grand total.
struct AxisHeader {
    std::vector<std::uint32_t> Codes;
    // Whether the innermost member shows the members of the next dimension under it (the
    // header is then that member's subtotal); false for a collapsed member, a member of the
    // innermost dimension shown and the grand total.
    bool Expanded = false;
    bool IsGrandTotal() const { return Codes.empty(); }
};

} // namespace Talvex::Cube
