#pragma once

#include "host/types/Value.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace Talvex::Ui {

// The rows a local list shows: a host DataList, a recordset the report computed, or a
// plain table. Read-only to the list.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual std::vector<std::string> ColumnNames() const = 0;
    virtual std::size_t RowCount() const = 0;
    virtual Value Cell(std::size_t row, std::size_t column) const = 0;
};

} // namespace Talvex::Ui
