#pragma once

#include "host/ui/RowSource.hpp"

#include <string_view>

namespace Talvex::Ui {

// Rows held in memory: a result set a report builds row by row.
class TableRowSource : public RowSource {
public:
    explicit TableRowSource(std::vector<std::string> columns);

    // Missing trailing cells are empty; more cells than columns is an error.
    std::size_t AddRow(std::vector<Value> cells);
    void Set(std::size_t row, std::string_view column, Value value);
    const Value& Get(std::size_t row, std::string_view column) const;
    std::size_t ColumnIndex(std::string_view column) const; // throws UiError when absent

    std::vector<std::string> ColumnNames() const override { return columns_; }
    std::size_t RowCount() const override { return rows_.size(); }
    Value Cell(std::size_t row, std::size_t column) const override;

private:
    std::vector<std::string> columns_;
    std::vector<std::vector<Value>> rows_;
};

} // namespace Talvex::Ui
