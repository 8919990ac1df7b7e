#pragma once

#include "host/data/Connection.hpp"
#include "host/data/recordset/DataType.hpp"
#include "host/types/Value.hpp"

#include <cstddef>
#include <cstdint>
#include <deque>
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
    const Value& At(std::size_t row, std::size_t field) const
    {
        const Place& place = places_[field];
        return place.coded ? coded_[place.index].members[coded_[place.index].codes[row]] : Slot(row)[place.index];
    }
    void Set(std::size_t row, std::size_t field, Value value);
    // A field kept as codes: each stored row's code and the values the codes name. Both null
    // for a field kept plainly. The members are distinct texts while `distinct` holds; a field
    // whose texts mostly differ (a document number) stops looking its texts up, and then
    // one text may stand in several members. Valid until the next change of the store.
    struct CodedView {
        const std::vector<std::uint32_t>* codes = nullptr;
        const std::deque<Value>* members = nullptr;
        bool distinct = true;
    };
    CodedView Coded(std::size_t field) const;

    // Appends a row of FieldCount() values and tells every attached recordset; `origin` is
    // the recordset that added it. Reserve first for bulk loads.
    std::size_t Append(std::vector<Value>&& row, const Recordset* origin);
    // The same for a row as its fields' texts, as the server writes them, each read as its
    // column's kind: a text already among a coded field's values makes no Value at all.
    std::size_t AppendTexts(const std::vector<FieldText>& row, const std::vector<ColumnKind>& kinds);
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
    Value* Slot(std::size_t row) const { return blocks_[row / kBlockRows].get() + (row % kBlockRows) * plainCount_; }

    // A text field keeps one code per row into its distinct values: the names a list repeats
    // on every row (a buyer, a good, a group) are held once, not once per row. Members are
    // never removed or moved, so the lookup may point into them.
    //
    // Looking a text up costs a hash and, in a big map, a wait for memory; for a field whose
    // texts mostly differ (a document's number, repeated on some of its terms) that buys
    // little. So at every power of two from kFirstCheck rows on, a field that holds members
    // for more than half its rows and whose map found fewer than one text in four it was
    // asked for stops looking up: each new text is then a member of its own, and the map is
    // dropped. A field of 30,000 clients met in any order stays coded: by 16,384 rows the
    // map has found a client already met for more than one row in four.
    static constexpr std::size_t kFirstCheck = 16384;
    struct CodedField {
        std::vector<std::uint32_t> codes;
        std::deque<Value> members;
        std::unordered_map<std::string_view, std::uint32_t> textCodes;
        std::optional<std::uint32_t> nullCode;
        std::optional<std::uint32_t> emptyCode;
        bool lookedUp = true;
        std::size_t lookUps = 0; // texts the map was asked for
        std::size_t found = 0;   // of them, texts it held
    };
    // Called with each row's code appended: decides whether the field goes on looking texts up.
    static void CheckLookUps(CodedField& field);
    struct Place {
        bool coded = false;
        std::size_t index = 0; // into coded_, or the slot within a row's plain values
    };
    // The code of a text the field holds already: the last row's, else the map's while the
    // field looks texts up.
    static std::optional<std::uint32_t> KnownCode(CodedField& field, std::string_view text);
    // A new member, entered in the map when it is a text and the field looks texts up.
    static std::uint32_t AddMember(CodedField& field, Value&& member);
    static std::uint32_t CodeOf(CodedField& field, Value&& value);
    static std::uint32_t CodeOfText(CodedField& field, const FieldText& text);
    // The index of the row about to be stored, its block of plain values made when it opens one.
    std::size_t NextRow();
    // After a row was stored: the indexes and the recordsets showing the rows learn of it.
    void Appended(std::size_t index, const Recordset* origin);
    void Store(std::size_t row, std::size_t field, Value&& value);

    std::optional<std::string> IndexKey(std::size_t field, const Value& value) const;
    void AddToIndex(EqualityIndex& index, std::size_t field, std::size_t row) const;

    std::vector<FieldDef> fields_;
    std::vector<Place> places_; // by field
    std::size_t plainCount_ = 0;
    std::vector<std::unique_ptr<Value[]>> blocks_;
    std::vector<CodedField> coded_;
    std::vector<unsigned char> deleted_;
    std::vector<Recordset*> views_;
    std::vector<std::unique_ptr<EqualityIndex>> indexes_; // by field; null until asked for
};

} // namespace Talvex::Data::RecordsetDetail
