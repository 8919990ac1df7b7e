#include "host/ui/TableRowSource.hpp"

#include "host/ui/UiError.hpp"

namespace Talvex::Ui {

TableRowSource::TableRowSource(std::vector<std::string> columns) : columns_(std::move(columns)) {}

std::size_t TableRowSource::AddRow(std::vector<Value> cells)
{
    if (cells.size() > columns_.size())
        throw UiError("TableRowSource: a row of " + std::to_string(cells.size()) + " cells for " +
                      std::to_string(columns_.size()) + " columns");
    cells.resize(columns_.size());
    rows_.push_back(std::move(cells));
    return rows_.size() - 1;
}

std::size_t TableRowSource::ColumnIndex(std::string_view column) const
{
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i] == column) return i;
    }
    throw UiError("TableRowSource: no column '" + std::string(column) + "'");
}

void TableRowSource::Set(std::size_t row, std::string_view column, Value value)
{
    const std::size_t index = ColumnIndex(column);
    if (row >= rows_.size()) throw UiError("TableRowSource: no row " + std::to_string(row));
    rows_[row][index] = std::move(value);
}

const Value& TableRowSource::Get(std::size_t row, std::string_view column) const
{
    const std::size_t index = ColumnIndex(column);
    if (row >= rows_.size()) throw UiError("TableRowSource: no row " + std::to_string(row));
    return rows_[row][index];
}

Value TableRowSource::Cell(std::size_t row, std::size_t column) const
{
    if (row >= rows_.size() || column >= columns_.size())
        throw UiError("TableRowSource: no cell " + std::to_string(row) + ", " + std::to_string(column));
    return rows_[row][column];
}

} // namespace Talvex::Ui
