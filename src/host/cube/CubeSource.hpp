#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Talvex::Data {
class Recordset;
}

namespace Talvex::Cube {

// The rows a cube is built from, held by column: a column of Values as a recordset gives
// them, or a typed array when the caller has one (a million generated or fetched rows
// should not pay for a Variant each).
class CubeSource {
public:
    using Column = std::variant<std::vector<Value>, std::vector<std::string>, std::vector<std::int64_t>,
                                std::vector<double>, std::vector<Date>>;

    // Throws ValueError when the name is taken or the length differs from the columns before.
    void AddColumn(std::string name, Column values);

    // Every field of the recordset's rows in view, from its first record, as columns of Values.
    static CubeSource FromRecordset(Data::Recordset& recordset);

    std::size_t RowCount() const { return rowCount_; }
    std::size_t ColumnCount() const { return columns_.size(); }
    bool Exists(std::string_view name) const;
    // Throws ValueError naming a missing column; names compare without regard to case.
    const Column& Item(std::string_view name) const;
    Value ValueAt(std::string_view name, std::size_t row) const;

private:
    std::size_t Find(std::string_view name) const;
    std::vector<std::string> names_;
    std::vector<Column> columns_;
    std::size_t rowCount_ = 0;
};

} // namespace Talvex::Cube
