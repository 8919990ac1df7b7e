#include "host/cube/GridCell.hpp"

#include "host/cube/CubeGrid.hpp"
#include "host/cube/Fact.hpp"

namespace Talvex::Cube {

const Fact& GridCell::Fact() const
{
    return grid_->ColumnFact(colIndex_);
}

double GridCell::Value() const
{
    return grid_->FactValue(rowIndex_, colIndex_ / grid_->FactCount(), Fact().Name()).value_or(0.0);
}

bool GridCell::IsBlank() const
{
    return !grid_->FactValue(rowIndex_, colIndex_ / grid_->FactCount(), Fact().Name()).has_value();
}

CellCoordinates GridCell::Coordinates() const
{
    return CellCoordinates(*grid_, rowIndex_, colIndex_ / grid_->FactCount());
}

} // namespace Talvex::Cube
