#pragma once

#include "host/data/Connection.hpp"
#include "host/data/recordset/DataType.hpp"
#include "host/data/recordset/RowStore.hpp"
#include "host/data/recordset/SortOrder.hpp"
#include "host/types/Value.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Data {

namespace RecordsetDetail {
class RecordFilter;
}

class Recordset;

enum class ObjectStateEnum { Closed = 0, Open = 1 };           // adStateClosed, adStateOpen
enum class EditModeEnum { None = 0, InProgress = 1, Add = 2 }; // adEditNone, adEditInProgress, adEditAdd
enum class FilterGroupEnum { None = 0 };                       // adFilterNone
enum class SearchDirectionEnum { Forward = 1, Backward = -1 }; // adSearchForward, adSearchBackward

// What AbsolutePosition says when there is no current record.
inline constexpr std::int64_t kPosUnknown = -1;
inline constexpr std::int64_t kPosBOF = -2;
inline constexpr std::int64_t kPosEOF = -3;

// One column of a recordset, read and written at the recordset's current record. It refers
// to its recordset and is valid while that recordset stays where it is.
class Field {
public:
    const std::string& Name() const;
    DataTypeEnum Type() const;
    std::int64_t DefinedSize() const;
    std::size_t Index() const { return index_; }

    // The value at the current record (or of the record being added or edited). Throws
    // ValueError at BOF, EOF or on a deleted record.
    Talvex::Value Value() const;
    // Converts the value to the field's type and starts an edit of the current record; the
    // edit is stored by Update, or by moving to another record, as in ADO.
    void SetValue(const Talvex::Value& value);

private:
    friend class RecordsetFields;
    Field(Recordset& owner, std::size_t index) : owner_(&owner), index_(index) {}
    Recordset* owner_;
    std::size_t index_;
};

// The Fields collection: by position from 0, or by name without regard to case.
class RecordsetFields {
public:
    std::size_t Count() const;
    Field Item(std::size_t index);
    Field Item(std::string_view name); // throws ValueError naming a missing field
    Field operator()(std::size_t index) { return Item(index); }
    Field operator()(std::string_view name) { return Item(name); }
    bool Exists(std::string_view name) const;

    // Defines a field of a recordset being built; only while it is closed.
    void Append(std::string name, DataTypeEnum type, std::int64_t definedSize = 0);

private:
    friend class Recordset;
    explicit RecordsetFields(Recordset& owner) : owner_(&owner) {}
    Recordset* owner_;
};

// An in-memory recordset as the reports use ADO's: rows read from a statement or built by
// hand, walked with a cursor, narrowed by a Filter, ordered by a Sort, summed through
// clones. The rows live in one store that clones share; every recordset keeps its own
// view of them (the live rows in sort order, through its filter) and a position in it.
//
// Decisions where ADO left a choice or was not followed exactly:
// - Setting Filter or Sort moves to the first record of the new view, as ADO does.
// - A bookmark is the row's place in the store, from 1; it survives Sort, Filter, deletes
//   and clones. Filtering by a list of bookmarks shows those rows in the current order.
// - A clone starts with the view of its original (same filter, same order) on its first
//   record; from then on its filter, sort and position are its own. Edits and new rows
//   become visible to every clone once stored. A new row appears at the end of each view:
//   in the recordset that added it always, in the others only when it passes their filter.
// - Filters keep AND tighter than OR and accept any grouping by parentheses.
// - MoveFirst and MoveLast on an empty view do nothing; MoveNext at EOF and MovePrevious
//   at BOF throw, as ADO does.
class Recordset final : public Object {
public:
    Recordset(); // closed, without fields, as `New Recordset`
    Recordset(Recordset&& other) noexcept;
    Recordset& operator=(Recordset&& other) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    ~Recordset() override;

    // An open recordset of a statement's rows, on its first row; column kinds become
    // field types (NUMERIC as Numeric, keeping the exact amounts) and values are kept as read.
    static Recordset FromResultSet(const ResultSet& result);

    RecordsetFields& Fields() { return fields_; }
    const RecordsetFields& Fields() const { return fields_; }

    // Opens a recordset built with Fields().Append, without rows. Close drops the rows (and
    // a pending edit) but keeps the field definitions, so that it can be opened again.
    void Open();
    void Close();
    ObjectStateEnum State() const;

    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Move(std::int64_t records);

    std::int64_t RecordCount() const;      // of the view: after the filter
    std::int64_t AbsolutePosition() const; // from 1, or kPosBOF, kPosEOF, kPosUnknown
    void SetAbsolutePosition(std::int64_t position);
    std::int64_t Bookmark() const;
    void SetBookmark(std::int64_t bookmark); // throws unless that record is in the view

    // ADO filter criteria; the text is compiled once and throws ValueError naming the
    // position of what does not parse. An empty text clears the filter.
    const std::string& Filter() const { return filterText_; }
    void SetFilter(std::string_view criteria);
    void SetFilter(FilterGroupEnum group);
    void SetFilter(const std::vector<std::int64_t>& bookmarks);

    // ADO's Find: the first record of the view meeting the criterion (a filter condition,
    // compared by the same rules), looked for from the current record, or the one `skip`
    // records further, towards the end (or the start), becomes current; when none does the
    // cursor is at EOF (BOF). From BOF forwards the search begins at the first record, from
    // EOF backwards at the last.
    void Find(std::string_view criterion, std::int64_t skip = 0,
              SearchDirectionEnum direction = SearchDirectionEnum::Forward);

    // "Name ASC, DocumentDate DESC": stable, nulls first in ascending order, text in the
    // company's language without regard to case. Empty: the order the rows were stored in.
    const std::string& Sort() const { return sortText_; }
    void SetSort(std::string_view sort);
    // Orders the records as the caller lists their stored rows (the indexes ViewRows gives,
    // every live row once), for an order no Sort text can state, such as one the database
    // decided. The Sort text becomes empty; a later Sort replaces the order. Clones keep it.
    void SetOrder(std::vector<std::size_t> rows);

    // Another cursor over the same rows, starting with this one's filter and sort, on its
    // first record; its position, filter and sort are its own from then on.
    std::shared_ptr<Recordset> Clone() const;
    // An independent recordset holding copies of the rows in view, in view order, with new
    // bookmarks from 1, unfiltered and unsorted: what persisting and reading back gives.
    // A pending edit is not part of it.
    std::shared_ptr<Recordset> Copy() const;

    // For readers of many rows at once (the cube's loader): the stored rows in view, in view
    // order, as store indexes, and a stored value of one of them. Neither moves the cursor nor
    // sees a pending edit; move first (which stores the edit) when it must count.
    const std::vector<std::size_t>& ViewRows() const { return view_; }
    const Talvex::Value& StoredValue(std::size_t row, std::size_t field) const { return store_->At(row, field); }
    // A text field as the rows keep it: a code per stored row into its distinct values (both
    // null when the field is kept plainly). Valid until the rows change.
    RecordsetDetail::RowStore::CodedView StoredCodes(std::size_t field) const { return store_->Coded(field); }

    void AddNew();
    void Update();
    void CancelUpdate();
    void Delete(); // the current record
    EditModeEnum EditMode() const { return editMode_; }

private:
    friend class Field;
    friend class RecordsetFields;
    friend class RecordsetBuilder;
    friend class RecordsetDetail::RowStore;

    enum class FilterKind { None, Criteria, Bookmarks };

    const std::vector<RecordsetDetail::FieldDef>& Definitions() const;
    void RequireOpen() const;
    std::size_t CurrentRow() const;
    std::size_t FieldIndex(std::string_view name) const; // Count() when absent
    Talvex::Value FieldValue(std::size_t field) const;
    void SetFieldValue(std::size_t field, const Talvex::Value& value);

    void AttachTo(std::shared_ptr<RecordsetDetail::RowStore> store);
    void CommitPendingEdit();
    bool PassesFilter(std::size_t row) const;
    void RebuildOrder();
    void ApplyView();
    void MoveTo(std::ptrdiff_t position);
    void ApplyFilter(FilterKind kind, std::shared_ptr<const RecordsetDetail::RecordFilter> filter,
                     std::vector<std::size_t> rows, std::string text);

    // Told by the store.
    void OnRowAppended(std::size_t row, bool addedHere);
    void OnRowDeleted(std::size_t row);

    RecordsetFields fields_{*this};
    std::vector<RecordsetDetail::FieldDef> definitions_;
    std::shared_ptr<RecordsetDetail::RowStore> store_; // null while closed

    std::vector<std::size_t> order_; // live rows in sort order
    std::vector<std::size_t> view_;  // order_ through the filter
    // Where each stored row stands in order_, by row: rising along order_, not dense.
    std::vector<std::size_t> orderRank_;
    std::size_t nextRank_ = 0;
    // Index into view_: -1 is BOF, view_.size() is EOF. After a delete of the current
    // record it indexes the record that followed it, and currentDeleted_ is set.
    std::ptrdiff_t position_ = 0;
    bool currentDeleted_ = false;

    FilterKind filterKind_ = FilterKind::None;
    std::shared_ptr<const RecordsetDetail::RecordFilter> filter_;
    std::vector<std::size_t> filterRows_; // sorted, for a filter by bookmarks
    std::string filterText_;

    std::vector<RecordsetDetail::SortKey> sortKeys_;
    std::string sortText_;
    bool givenOrder_ = false; // order_ is the one SetOrder was given

    EditModeEnum editMode_ = EditModeEnum::None;
    std::vector<Talvex::Value> editBuffer_;
    std::size_t editRow_ = 0;
    std::ptrdiff_t positionBeforeAdd_ = 0;
};

// Fills an open recordset with rows handed over one at a time, as Connection::QueryEach
// reads them: each row is stored once, never copied from a whole result held beside it.
// NUMERIC columns end as a whole result gives them: money when every value is an amount.
class RecordsetBuilder {
public:
    explicit RecordsetBuilder(const std::vector<Column>& columns);
    void Append(std::vector<Talvex::Value>&& row);
    // A row as its fields' texts (Connection::TextRowReader).
    void AppendTexts(const std::vector<FieldText>& row);
    // The recordset of the rows appended, on its first row; the builder is spent.
    Recordset Finish();

private:
    Recordset recordset_;
    std::shared_ptr<RecordsetDetail::RowStore> store_;
    std::vector<std::size_t> moneyFields_; // NUMERIC fields whose values are all amounts so far
    std::vector<ColumnKind> kinds_;
};

} // namespace Talvex::Data
