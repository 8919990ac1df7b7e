#include "host/cube/CellCoordinates.hpp"

#include "host/cube/CubeGrid.hpp"
#include "host/cube/Dimension.hpp"
#include "host/types/Errors.hpp"

namespace Talvex::Cube {

std::size_t CellCoordinates::Count() const
{
    return grid_->RowHeader(rowHeader_).Codes.size() + grid_->ColHeader(colHeader_).Codes.size();
}

const Dimension& CellCoordinates::Dimension(std::size_t index) const
{
    const auto rowPart = grid_->RowHeader(rowHeader_).Codes.size();
    if (index < rowPart) return *grid_->RowDims()[index];
    if (index >= Count()) throw ValueError("cell coordinates: no dimension at " + std::to_string(index));
    return *grid_->ColDims()[index - rowPart];
}

const Value& CellCoordinates::Member(std::size_t index) const
{
    const auto& row = grid_->RowHeader(rowHeader_).Codes;
    if (index < row.size()) return grid_->RowDims()[index]->Member(row[index]);
    if (index >= Count()) throw ValueError("cell coordinates: no member at " + std::to_string(index));
    return grid_->ColDims()[index - row.size()]->Member(grid_->ColHeader(colHeader_).Codes[index - row.size()]);
}

Value CellCoordinates::MemberByName(std::string_view dimName) const
{
    for (std::size_t i = 0; i < Count(); ++i)
        if (Dimension(i).Name() == dimName) return Member(i);
    return Value();
}

std::optional<double> CellCoordinates::FactValue(std::string_view factName) const
{
    return grid_->FactValue(rowHeader_, colHeader_, factName);
}

bool CellCoordinates::IsBlank() const
{
    return grid_->RowCountAt(rowHeader_, colHeader_) == 0;
}

} // namespace Talvex::Cube
