#include "host/data/Recordset.hpp"

#include "host/data/recordset/RecordFilter.hpp"
#include "host/data/recordset/ValueCompare.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>

namespace Talvex::Data {

using RecordsetDetail::FieldDef;
using RecordsetDetail::RecordFilter;
using RecordsetDetail::RowStore;

// ---- Field

const std::string& Field::Name() const
{
    return owner_->Definitions()[index_].name;
}
DataTypeEnum Field::Type() const
{
    return owner_->Definitions()[index_].type;
}
std::int64_t Field::DefinedSize() const
{
    return owner_->Definitions()[index_].definedSize;
}
Talvex::Value Field::Value() const
{
    return owner_->FieldValue(index_);
}
void Field::SetValue(const Talvex::Value& value)
{
    owner_->SetFieldValue(index_, value);
}

// ---- Fields

std::size_t RecordsetFields::Count() const
{
    return owner_->Definitions().size();
}

Field RecordsetFields::Item(std::size_t index)
{
    if (index >= Count())
        throw ValueError("Recordset: there is no field " + std::to_string(index) + " (the recordset has " +
                         std::to_string(Count()) + ")");
    return Field(*owner_, index);
}

Field RecordsetFields::Item(std::string_view name)
{
    std::size_t index = owner_->FieldIndex(name);
    if (index == Count()) throw ValueError("Recordset: there is no field named " + std::string(name));
    return Field(*owner_, index);
}

bool RecordsetFields::Exists(std::string_view name) const
{
    return owner_->FieldIndex(name) != Count();
}

void RecordsetFields::Append(std::string name, DataTypeEnum type, std::int64_t definedSize)
{
    if (owner_->store_) throw ValueError("Recordset: field " + name + " cannot be appended to an open recordset");
    if (name.empty()) throw ValueError("Recordset: a field needs a name");
    if (Exists(name)) throw ValueError("Recordset: field " + name + " is already defined");
    owner_->definitions_.push_back(FieldDef{std::move(name), type, definedSize});
}

// ---- Recordset: life

Recordset::Recordset() = default;

Recordset::Recordset(Recordset&& other) noexcept
{
    *this = std::move(other);
}

Recordset& Recordset::operator=(Recordset&& other) noexcept
{
    if (this == &other) return *this;
    if (store_) store_->Detach(this);
    if (other.store_) other.store_->Detach(&other);
    definitions_ = std::move(other.definitions_);
    store_ = std::move(other.store_);
    if (store_) store_->Attach(this);
    order_ = std::move(other.order_);
    view_ = std::move(other.view_);
    orderRank_ = std::move(other.orderRank_);
    nextRank_ = other.nextRank_;
    position_ = other.position_;
    currentDeleted_ = other.currentDeleted_;
    filterKind_ = other.filterKind_;
    filter_ = std::move(other.filter_);
    filterRows_ = std::move(other.filterRows_);
    filterText_ = std::move(other.filterText_);
    sortKeys_ = std::move(other.sortKeys_);
    sortText_ = std::move(other.sortText_);
    givenOrder_ = other.givenOrder_;
    editMode_ = other.editMode_;
    editBuffer_ = std::move(other.editBuffer_);
    editRow_ = other.editRow_;
    positionBeforeAdd_ = other.positionBeforeAdd_;
    other.editMode_ = EditModeEnum::None;
    other.filterKind_ = FilterKind::None;
    return *this;
}

Recordset::~Recordset()
{
    if (store_) store_->Detach(this);
}

Recordset Recordset::FromResultSet(const ResultSet& result)
{
    RecordsetBuilder builder(result.columns);
    for (const auto& row : result.rows)
        builder.Append(std::vector<Talvex::Value>(row));
    return builder.Finish();
}

RecordsetBuilder::RecordsetBuilder(const std::vector<Column>& columns)
{
    for (const Column& column : columns) {
        kinds_.push_back(column.kind);
        recordset_.definitions_.push_back(FieldDef{column.name, DataTypeFromColumnKind(column.kind), 0});
        if (MaySettleAsMoney(column)) moneyFields_.push_back(recordset_.definitions_.size() - 1);
    }
    // A statement may name two columns alike; the first of them answers to the name, as in ADO.
    store_ = std::make_shared<RowStore>(recordset_.definitions_);
}

void RecordsetBuilder::Append(std::vector<Talvex::Value>&& row)
{
    if (!store_) throw ValueError("Recordset: its rows are already complete");
    if (row.size() != store_->FieldCount())
        throw ValueError("Recordset: row " + std::to_string(store_->RowCount() + 1) + " has " +
                         std::to_string(row.size()) + " values for " + std::to_string(store_->FieldCount()) +
                         " columns");
    // A decimal that is no amount keeps its whole column decimal.
    std::erase_if(moneyFields_, [&row](std::size_t f) {
        const auto* d = std::get_if<Decimal>(&row[f].Raw());
        return d && !d->ExactCurrency();
    });
    store_->Append(std::move(row), nullptr);
}

void RecordsetBuilder::AppendTexts(const std::vector<FieldText>& row)
{
    if (!store_) throw ValueError("Recordset: its rows are already complete");
    if (row.size() != store_->FieldCount())
        throw ValueError("Recordset: row " + std::to_string(store_->RowCount() + 1) + " has " +
                         std::to_string(row.size()) + " values for " + std::to_string(store_->FieldCount()) +
                         " columns");
    const std::size_t index = store_->AppendTexts(row, kinds_);
    std::erase_if(moneyFields_, [&](std::size_t f) {
        const auto* d = std::get_if<Decimal>(&store_->At(index, f).Raw());
        return d && !d->ExactCurrency();
    });
}

Recordset RecordsetBuilder::Finish()
{
    if (!store_) throw ValueError("Recordset: its rows are already complete");
    // Each column the rows left all amounts is money, as a statement read whole gives it.
    for (std::size_t f : moneyFields_)
        for (std::size_t row = 0; row < store_->RowCount(); ++row)
            if (const auto* d = std::get_if<Decimal>(&store_->At(row, f).Raw()))
                store_->Set(row, f, Talvex::Value(*d->ExactCurrency()));
    recordset_.AttachTo(std::move(store_));
    store_.reset();
    return std::move(recordset_);
}

void Recordset::Open()
{
    if (store_) throw ValueError("Recordset: it is already open");
    if (definitions_.empty()) throw ValueError("Recordset: append its fields before opening it");
    AttachTo(std::make_shared<RowStore>(definitions_));
}

void Recordset::Close()
{
    RequireOpen();
    store_->Detach(this);
    store_.reset();
    order_.clear();
    view_.clear();
    orderRank_.clear();
    position_ = 0;
    currentDeleted_ = false;
    filterKind_ = FilterKind::None;
    filter_.reset();
    filterRows_.clear();
    filterText_.clear();
    sortKeys_.clear();
    sortText_.clear();
    givenOrder_ = false;
    editMode_ = EditModeEnum::None;
    editBuffer_.clear();
}

ObjectStateEnum Recordset::State() const
{
    return store_ ? ObjectStateEnum::Open : ObjectStateEnum::Closed;
}

void Recordset::AttachTo(std::shared_ptr<RowStore> store)
{
    store_ = std::move(store);
    store_->Attach(this);
    RebuildOrder();
    ApplyView();
}

std::shared_ptr<Recordset> Recordset::Clone() const
{
    RequireOpen();
    auto clone = std::make_shared<Recordset>();
    clone->definitions_ = definitions_;
    clone->store_ = store_;
    store_->Attach(clone.get());
    clone->order_ = order_;
    clone->view_ = view_;
    clone->orderRank_ = orderRank_;
    clone->nextRank_ = nextRank_;
    clone->filterKind_ = filterKind_;
    clone->filter_ = filter_;
    clone->filterRows_ = filterRows_;
    clone->filterText_ = filterText_;
    clone->sortKeys_ = sortKeys_;
    clone->sortText_ = sortText_;
    clone->givenOrder_ = givenOrder_;
    clone->MoveTo(0);
    return clone;
}

std::shared_ptr<Recordset> Recordset::Copy() const
{
    RequireOpen();
    auto store = std::make_shared<RowStore>(store_->Fields());
    store->Reserve(view_.size());
    for (std::size_t row : view_) {
        std::vector<Talvex::Value> values;
        values.reserve(store_->FieldCount());
        for (std::size_t f = 0; f < store_->FieldCount(); ++f)
            values.push_back(store_->At(row, f));
        store->Append(std::move(values), nullptr);
    }
    auto copy = std::make_shared<Recordset>();
    copy->definitions_ = definitions_;
    copy->AttachTo(std::move(store));
    return copy;
}

// ---- fields at the current record

const std::vector<FieldDef>& Recordset::Definitions() const
{
    return definitions_;
}

std::size_t Recordset::FieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < definitions_.size(); ++i)
        if (RecordsetDetail::EqualTextNoCase(definitions_[i].name, name)) return i;
    return definitions_.size();
}

void Recordset::RequireOpen() const
{
    if (!store_) throw ValueError("Recordset: the operation needs an open recordset");
}

std::size_t Recordset::CurrentRow() const
{
    RequireOpen();
    if (currentDeleted_) throw ValueError("Recordset: the current record has been deleted");
    if (position_ < 0 || position_ >= static_cast<std::ptrdiff_t>(view_.size()))
        throw ValueError("Recordset: there is no current record (BOF or EOF)");
    return view_[static_cast<std::size_t>(position_)];
}

Talvex::Value Recordset::FieldValue(std::size_t field) const
{
    RequireOpen();
    if (editMode_ != EditModeEnum::None) return editBuffer_[field];
    return store_->At(CurrentRow(), field);
}

void Recordset::SetFieldValue(std::size_t field, const Talvex::Value& value)
{
    RequireOpen();
    const FieldDef& def = definitions_[field];
    Talvex::Value stored = CoerceToDataType(value, def.type, def.name);
    if (editMode_ == EditModeEnum::None) {
        std::size_t row = CurrentRow();
        editBuffer_.clear();
        for (std::size_t f = 0; f < store_->FieldCount(); ++f)
            editBuffer_.push_back(store_->At(row, f));
        editRow_ = row;
        editMode_ = EditModeEnum::InProgress;
    }
    editBuffer_[field] = std::move(stored);
}

// ---- editing

void Recordset::AddNew()
{
    RequireOpen();
    CommitPendingEdit();
    positionBeforeAdd_ = position_;
    editBuffer_.assign(store_->FieldCount(), Talvex::Value(Null{}));
    editMode_ = EditModeEnum::Add;
}

void Recordset::Update()
{
    RequireOpen();
    if (editMode_ == EditModeEnum::Add) {
        editMode_ = EditModeEnum::None;
        store_->Append(std::move(editBuffer_), this); // positions this recordset on the new row
        editBuffer_.clear();
    } else if (editMode_ == EditModeEnum::InProgress) {
        editMode_ = EditModeEnum::None;
        std::vector<Talvex::Value> values = std::move(editBuffer_);
        editBuffer_.clear();
        if (store_->IsDeleted(editRow_)) throw ValueError("Recordset: the record being edited has been deleted");
        // Only changed fields are written, so that lookups on the others stay built.
        for (std::size_t f = 0; f < values.size(); ++f)
            if (!(store_->At(editRow_, f) == values[f])) store_->Set(editRow_, f, std::move(values[f]));
    }
}

void Recordset::CancelUpdate()
{
    RequireOpen();
    if (editMode_ == EditModeEnum::Add)
        position_ = std::min(positionBeforeAdd_, static_cast<std::ptrdiff_t>(view_.size()));
    editMode_ = EditModeEnum::None;
    editBuffer_.clear();
}

void Recordset::CommitPendingEdit()
{
    if (editMode_ != EditModeEnum::None) Update();
}

void Recordset::Delete()
{
    RequireOpen();
    if (editMode_ == EditModeEnum::Add) {
        CancelUpdate(); // the record being added was never stored: deleting it drops it
        return;
    }
    editMode_ = EditModeEnum::None;
    editBuffer_.clear();
    store_->Delete(CurrentRow());
}

void Recordset::OnRowAppended(std::size_t row, bool addedHere)
{
    bool atEof = position_ >= static_cast<std::ptrdiff_t>(view_.size());
    order_.push_back(row);
    orderRank_.resize(row + 1);
    orderRank_[row] = nextRank_++;
    if (addedHere) {
        view_.push_back(row);
        position_ = static_cast<std::ptrdiff_t>(view_.size()) - 1;
        currentDeleted_ = false;
    } else if (PassesFilter(row)) {
        view_.push_back(row);
        // A cursor past its last record stays there when another clone adds one.
        if (atEof) position_ = static_cast<std::ptrdiff_t>(view_.size());
    }
}

void Recordset::OnRowDeleted(std::size_t row)
{
    std::erase(order_, row);
    auto at = std::find(view_.begin(), view_.end(), row);
    if (at == view_.end()) return;
    auto index = at - view_.begin();
    view_.erase(at);
    if (index < position_)
        --position_;
    else if (index == position_)
        currentDeleted_ = true; // position_ now names the record that followed it
}

// ---- navigation

bool Recordset::Eof() const
{
    RequireOpen();
    if (editMode_ == EditModeEnum::Add || currentDeleted_) return false;
    return position_ >= static_cast<std::ptrdiff_t>(view_.size());
}

bool Recordset::Bof() const
{
    RequireOpen();
    if (editMode_ == EditModeEnum::Add || currentDeleted_) return false;
    return position_ < 0 || view_.empty();
}

void Recordset::MoveTo(std::ptrdiff_t position)
{
    auto size = static_cast<std::ptrdiff_t>(view_.size());
    position_ = std::clamp<std::ptrdiff_t>(position, -1, size);
    currentDeleted_ = false;
}

void Recordset::MoveFirst()
{
    RequireOpen();
    CommitPendingEdit();
    MoveTo(0);
}

void Recordset::MoveLast()
{
    RequireOpen();
    CommitPendingEdit();
    MoveTo(view_.empty() ? 0 : static_cast<std::ptrdiff_t>(view_.size()) - 1);
}

void Recordset::MoveNext()
{
    RequireOpen();
    CommitPendingEdit();
    if (currentDeleted_) {
        currentDeleted_ = false;
        return;
    }
    if (Eof()) throw ValueError("Recordset: MoveNext past the last record (EOF)");
    MoveTo(position_ + 1);
}

void Recordset::MovePrevious()
{
    RequireOpen();
    CommitPendingEdit();
    if (!currentDeleted_ && Bof()) throw ValueError("Recordset: MovePrevious before the first record (BOF)");
    MoveTo(position_ - 1);
}

void Recordset::Move(std::int64_t records)
{
    RequireOpen();
    CommitPendingEdit();
    if (records == 0) return;
    if (records > 0 && Eof()) throw ValueError("Recordset: Move forward past the last record (EOF)");
    if (records < 0 && Bof()) throw ValueError("Recordset: Move backward before the first record (BOF)");
    auto offset = static_cast<std::ptrdiff_t>(records);
    // After a delete the cursor stands between two records: one step forward lands on the next.
    if (currentDeleted_ && offset > 0) --offset;
    MoveTo(position_ + offset);
}

std::int64_t Recordset::RecordCount() const
{
    RequireOpen();
    return static_cast<std::int64_t>(view_.size());
}

std::int64_t Recordset::AbsolutePosition() const
{
    RequireOpen();
    if (editMode_ == EditModeEnum::Add || currentDeleted_) return kPosUnknown;
    if (Bof()) return kPosBOF;
    if (Eof()) return kPosEOF;
    return position_ + 1;
}

void Recordset::SetAbsolutePosition(std::int64_t position)
{
    RequireOpen();
    CommitPendingEdit();
    if (position < 1 || position > RecordCount())
        throw ValueError("Recordset: AbsolutePosition " + std::to_string(position) + " is outside 1 to " +
                         std::to_string(RecordCount()));
    MoveTo(static_cast<std::ptrdiff_t>(position - 1));
}

std::int64_t Recordset::Bookmark() const
{
    return static_cast<std::int64_t>(CurrentRow()) + 1;
}

void Recordset::SetBookmark(std::int64_t bookmark)
{
    RequireOpen();
    CommitPendingEdit();
    auto at =
        bookmark >= 1 ? std::find(view_.begin(), view_.end(), static_cast<std::size_t>(bookmark - 1)) : view_.end();
    if (at == view_.end())
        throw ValueError("Recordset: bookmark " + std::to_string(bookmark) + " is not a record in view");
    MoveTo(at - view_.begin());
}

// ---- filter and sort

bool Recordset::PassesFilter(std::size_t row) const
{
    switch (filterKind_) {
    case FilterKind::None: return true;
    case FilterKind::Criteria: return filter_->Matches(RecordsetDetail::StoredRow(*store_, row));
    case FilterKind::Bookmarks: return std::binary_search(filterRows_.begin(), filterRows_.end(), row);
    }
    return true;
}

void Recordset::RebuildOrder()
{
    order_.clear();
    order_.reserve(store_->RowCount());
    for (std::size_t row = 0; row < store_->RowCount(); ++row)
        if (!store_->IsDeleted(row)) order_.push_back(row);
    RecordsetDetail::SortRows(order_, *store_, sortKeys_);
    orderRank_.assign(store_->RowCount(), 0);
    for (std::size_t i = 0; i < order_.size(); ++i)
        orderRank_[order_[i]] = i;
    nextRank_ = order_.size();
}

void Recordset::ApplyView()
{
    view_.clear();
    const std::vector<std::size_t>* candidates =
        filterKind_ == FilterKind::Criteria ? filter_->Candidates(*store_) : nullptr;
    if (filterKind_ == FilterKind::None) {
        view_ = order_;
    } else if (candidates) {
        // A lookup named the few rows that can match: ask only those, then put them in order.
        for (std::size_t row : *candidates)
            if (!store_->IsDeleted(row) && filter_->Matches(RecordsetDetail::StoredRow(*store_, row)))
                view_.push_back(row);
        if (!sortKeys_.empty() || givenOrder_)
            std::sort(view_.begin(), view_.end(),
                      [&](std::size_t a, std::size_t b) { return orderRank_[a] < orderRank_[b]; });
    } else {
        for (std::size_t row : order_)
            if (PassesFilter(row)) view_.push_back(row);
    }
    MoveTo(0);
}

void Recordset::ApplyFilter(FilterKind kind, std::shared_ptr<const RecordFilter> filter, std::vector<std::size_t> rows,
                            std::string text)
{
    filterKind_ = kind;
    filter_ = std::move(filter);
    filterRows_ = std::move(rows);
    filterText_ = std::move(text);
    ApplyView();
}

void Recordset::SetFilter(std::string_view criteria)
{
    RequireOpen();
    CommitPendingEdit();
    if (criteria.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        ApplyFilter(FilterKind::None, nullptr, {}, {});
        return;
    }
    auto filter = RecordFilter::Compile(criteria, definitions_);
    ApplyFilter(FilterKind::Criteria, std::move(filter), {}, std::string(criteria));
}

void Recordset::Find(std::string_view criterion, std::int64_t skip, SearchDirectionEnum direction)
{
    RequireOpen();
    CommitPendingEdit();
    auto condition = RecordFilter::Compile(criterion, definitions_);
    const auto size = static_cast<std::ptrdiff_t>(view_.size());
    const std::ptrdiff_t step = direction == SearchDirectionEnum::Backward ? -1 : 1;
    std::ptrdiff_t p = position_;
    if (p < 0 && step > 0) p = 0;
    if (p >= size && step < 0) p = size - 1;
    for (p += static_cast<std::ptrdiff_t>(skip) * step; p >= 0 && p < size; p += step)
        if (condition->Matches(RecordsetDetail::StoredRow(*store_, view_[static_cast<std::size_t>(p)]))) {
            MoveTo(p);
            return;
        }
    MoveTo(step > 0 ? size : -1);
}

void Recordset::SetFilter(FilterGroupEnum)
{
    RequireOpen();
    CommitPendingEdit();
    ApplyFilter(FilterKind::None, nullptr, {}, {});
}

void Recordset::SetFilter(const std::vector<std::int64_t>& bookmarks)
{
    RequireOpen();
    CommitPendingEdit();
    std::vector<std::size_t> rows;
    rows.reserve(bookmarks.size());
    for (std::int64_t bookmark : bookmarks) {
        if (bookmark < 1 || static_cast<std::size_t>(bookmark) > store_->RowCount() ||
            store_->IsDeleted(static_cast<std::size_t>(bookmark - 1)))
            throw ValueError("Recordset: bookmark " + std::to_string(bookmark) + " is not a record of the recordset");
        rows.push_back(static_cast<std::size_t>(bookmark - 1));
    }
    std::sort(rows.begin(), rows.end());
    ApplyFilter(FilterKind::Bookmarks, nullptr, std::move(rows), {});
}

void Recordset::SetSort(std::string_view sort)
{
    RequireOpen();
    CommitPendingEdit();
    sortKeys_ = RecordsetDetail::ParseSortOrder(sort, definitions_);
    sortText_ = std::string(sort);
    givenOrder_ = false;
    RebuildOrder();
    ApplyView();
}

void Recordset::SetOrder(std::vector<std::size_t> rows)
{
    RequireOpen();
    CommitPendingEdit();
    const std::size_t stored = store_->RowCount();
    std::vector<char> named(stored, 0);
    for (std::size_t row : rows) {
        if (row >= stored || store_->IsDeleted(row) || named[row])
            throw ValueError("Recordset: the order names the stored row " + std::to_string(row) +
                             (row < stored && named[row] ? " twice" : ", which is no record of it"));
        named[row] = 1;
    }
    std::size_t live = 0;
    for (std::size_t row = 0; row < stored; ++row)
        live += store_->IsDeleted(row) ? 0 : 1;
    if (rows.size() != live)
        throw ValueError("Recordset: the order names " + std::to_string(rows.size()) + " of its " +
                         std::to_string(live) + " records");
    sortKeys_.clear();
    sortText_.clear();
    givenOrder_ = true;
    order_ = std::move(rows);
    orderRank_.assign(stored, 0);
    for (std::size_t i = 0; i < order_.size(); ++i)
        orderRank_[order_[i]] = i;
    nextRank_ = order_.size();
    ApplyView();
}

} // namespace Talvex::Data
