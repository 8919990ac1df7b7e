#pragma once

#include "host/types/Value.hpp"

#include <cstddef>
#include <optional>
#include <string_view>

namespace Talvex::Cube {

class CubeGrid;
class Dimension;

// Where a cell stands: the dimensions of its row and column headers with their members,
// outer row dimensions first, then column dimensions. A total has fewer of them.
class CellCoordinates {
public:
    CellCoordinates(const CubeGrid& grid, std::size_t rowHeader, std::size_t colHeader)
        : grid_(&grid), rowHeader_(rowHeader), colHeader_(colHeader)
    {
    }

    std::size_t Count() const;
    const Cube::Dimension& Dimension(std::size_t index) const;
    const Value& Member(std::size_t index) const;
    // The member of a named dimension; empty when the dimension is not on the cell.
    Value MemberByName(std::string_view dimName) const;
    // Any fact's value at these coordinates; empty when blank. Throws ValueError on an unknown name.
    std::optional<double> FactValue(std::string_view factName) const;
    // True when no source row falls on these coordinates.
    bool IsBlank() const;

private:
    const CubeGrid* grid_;
    std::size_t rowHeader_;
    std::size_t colHeader_;
};

} // namespace Talvex::Cube
