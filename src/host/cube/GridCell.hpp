#pragma once

#include "host/cube/CellCoordinates.hpp"

#include <cstddef>
#include <string>

namespace Talvex::Cube {

class Fact;

// One cell of the computed grid: a fact at a row header and a column header.
class GridCell {
public:
    GridCell(const CubeGrid& grid, std::size_t rowIndex, std::size_t colIndex)
        : grid_(&grid), rowIndex_(rowIndex), colIndex_(colIndex)
    {
    }

    std::size_t RowIndex() const { return rowIndex_; }
    std::size_t ColIndex() const { return colIndex_; }
    const Cube::Fact& Fact() const;
    // 0 when blank; a display value, so a double.
    double Value() const;
    bool IsBlank() const;
    CellCoordinates Coordinates() const;
    const CubeGrid& Grid() const { return *grid_; }

private:
    const CubeGrid* grid_;
    std::size_t rowIndex_;
    std::size_t colIndex_;
};

} // namespace Talvex::Cube
