#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Value.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Talvex::Data {
class Recordset;
}

namespace Talvex::Cube {

// A column kept as one code per row into a list of distinct values, in the order they
// first occur: what a text column of many repeated names becomes when loaded.
struct CodedColumn {
    using value_type = std::uint32_t; // a row holds its code
    std::vector<std::uint32_t> codes;
    std::vector<Value> members;
    std::size_t size() const { return codes.size(); }
};

// The rows a cube is built from, held by column: typed arrays where every value of a
// column is of one kind (a million generated or fetched rows should not pay for a Variant
// each), texts coded against their distinct values, and Values where the kinds are mixed.
// Copies share the columns.
class CubeSource {
public:
    using Column = std::variant<std::vector<Value>, std::vector<std::string>, std::vector<std::int64_t>,
                                std::vector<double>, std::vector<Date>, std::vector<Currency>, CodedColumn>;

    // Throws ValueError when the name is taken or the length differs from the columns before.
    void AddColumn(std::string name, Column values);

    // Every field of the recordset's rows in view, from its first record (a pending edit is
    // stored first); the recordset is left after its last record. Text fields come coded,
    // fields whose every value has the field's own kind as typed arrays, the rest as Values.
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
    std::vector<std::shared_ptr<const Column>> columns_;
    std::size_t rowCount_ = 0;
};

} // namespace Talvex::Cube
