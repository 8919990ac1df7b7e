#pragma once

#include "host/data/recordset/DataType.hpp"
#include "host/types/Value.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Talvex::Data {
class Recordset;
}

namespace Talvex::Data::RecordsetDetail {

struct FieldDef {
    std::string name;
    DataTypeEnum type = DataTypeEnum::Variant;
    std::int64_t definedSize = 0;
};

// The rows a recordset and its clones share. Rows are never moved: a row's index is its
// identity (its bookmark less one), and a deleted row stays as a tombstone so that every
// other index keeps meaning the same row. Each recordset that shows these rows is told of
// rows added and deleted, so that its own view follows.
class RowStore {
public:
    explicit RowStore(std::vector<FieldDef> fields);
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    const std::vector<FieldDef>& Fields() const { return fields_; }
    std::size_t FieldCount() const { return fields_.size(); }
    // Index of the field named so, ignoring case; FieldCount() when there is none.
    std::size_t FieldIndex(std::string_view name) const;

    // Every row ever stored, deleted ones included.
    std::size_t RowCount() const { return deleted_.size(); }
    bool IsDeleted(std::size_t row) const { return deleted_[row] != 0; }
    const Value* Row(std::size_t row) const { return Slot(row); }
    const Value& At(std::size_t row, std::size_t field) const { return Slot(row)[field]; }
    void Set(std::size_t row, std::size_t field, Value value);

    // Appends a row of FieldCount() values and tells every attached recordset; `origin` is
    // the recordset that added it. Reserve first for bulk loads.
    std::size_t Append(std::vector<Value>&& row, const Recordset* origin);
    void Reserve(std::size_t rows);
    void Delete(std::size_t row);

    void Attach(Recordset* view);
    void Detach(Recordset* view);

    // The rows whose field equals the key as a filter compares them (text without regard to
    // case), in storage order, so that a filter on a code need not read every row. Null when
    // the field cannot be looked up so: it is not text, an integer or a date, or holds a value
    // of another kind. Built on first use, kept as rows are added, dropped when the field's
    // values change; the list is valid until the next change of the store.
    const std::vector<std::size_t>* RowsEqualTo(std::size_t field, const Value& key);

private:
    struct EqualityIndex {
        bool usable = true;
        std::unordered_map<std::string, std::vector<std::size_t>> rows;
    };
    // Rows live in blocks of kBlockRows: a store filled row by row, without knowing how many
    // rows will come, then never holds its rows twice while a single array grows.
    static constexpr std::size_t kBlockRows = 1024;
    Value* Slot(std::size_t row) const { return blocks_[row / kBlockRows].get() + (row % kBlockRows) * fields_.size(); }

    std::optional<std::string> IndexKey(std::size_t field, const Value& value) const;
    void AddToIndex(EqualityIndex& index, std::size_t field, std::size_t row) const;

    std::vector<FieldDef> fields_;
    std::vector<std::unique_ptr<Value[]>> blocks_;
    std::vector<unsigned char> deleted_;
    std::vector<Recordset*> views_;
    std::vector<std::unique_ptr<EqualityIndex>> indexes_; // by field; null until asked for
};

} // namespace Talvex::Data::RecordsetDetail
