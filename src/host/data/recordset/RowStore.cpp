#include "host/data/recordset/RowStore.hpp"

#include "host/data/Recordset.hpp"
#include "host/data/recordset/ValueCompare.hpp"

#include <algorithm>
#include <cassert>

namespace Talvex::Data::RecordsetDetail {

RowStore::RowStore(std::vector<FieldDef> fields) : fields_(std::move(fields)), indexes_(fields_.size())
{
    for (const FieldDef& field : fields_) {
        if (StorageOf(field.type) == FieldStorage::Text) {
            places_.push_back({true, coded_.size()});
            coded_.emplace_back();
        } else {
            places_.push_back({false, plainCount_++});
        }
    }
}

std::optional<std::uint32_t> RowStore::KnownCode(CodedField& field, std::string_view text)
{
    // Rows of one document come together and repeat its texts: the last row's member
    // answers most of them without hashing.
    if (!field.codes.empty()) {
        const std::uint32_t last = field.codes.back();
        const auto* lastText = std::get_if<std::string>(&field.members[last].Raw());
        if (lastText && *lastText == text) return last;
    }
    if (!field.lookedUp) return std::nullopt;
    ++field.lookUps;
    const auto found = field.textCodes.find(text);
    if (found == field.textCodes.end()) return std::nullopt;
    ++field.found;
    return found->second;
}

std::uint32_t RowStore::AddMember(CodedField& field, Value&& member)
{
    field.members.push_back(std::move(member));
    const auto code = static_cast<std::uint32_t>(field.members.size() - 1);
    if (field.lookedUp)
        if (const auto* text = std::get_if<std::string>(&field.members.back().Raw()))
            field.textCodes.emplace(*text, code);
    return code;
}

std::uint32_t RowStore::CodeOf(CodedField& field, Value&& value)
{
    if (const auto* text = std::get_if<std::string>(&value.Raw())) {
        if (const auto known = KnownCode(field, *text)) return *known;
        return AddMember(field, std::move(value));
    }
    if (value.IsNull())
        return field.nullCode ? *field.nullCode : *(field.nullCode = AddMember(field, std::move(value)));
    if (value.IsEmpty())
        return field.emptyCode ? *field.emptyCode : *(field.emptyCode = AddMember(field, std::move(value)));
    return AddMember(field, std::move(value)); // a value of another kind: rare in a text field, kept as it is
}

std::uint32_t RowStore::CodeOfText(CodedField& field, const FieldText& text)
{
    if (text.isNull) return CodeOf(field, Value(Null{}));
    if (const auto known = KnownCode(field, text.text)) return *known;
    return AddMember(field, Value(std::string(text.text)));
}

void RowStore::CheckLookUps(CodedField& field)
{
    const std::size_t rows = field.codes.size();
    if (!field.lookedUp || rows < kFirstCheck || (rows & (rows - 1)) != 0) return;
    if (field.members.size() * 2 <= rows || field.found * 4 >= field.lookUps) return;
    field.lookedUp = false;
    std::unordered_map<std::string_view, std::uint32_t>().swap(field.textCodes);
}

std::size_t RowStore::FieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (EqualTextNoCase(fields_[i].name, name)) return i;
    return fields_.size();
}

void RowStore::Reserve(std::size_t rows)
{
    blocks_.reserve((rows + kBlockRows - 1) / kBlockRows);
    for (CodedField& field : coded_)
        field.codes.reserve(rows);
    deleted_.reserve(rows);
}

std::size_t RowStore::Append(std::vector<Value>&& row, const Recordset* origin)
{
    assert(row.size() == fields_.size());
    const std::size_t index = NextRow();
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        const Place& place = places_[f];
        if (place.coded) {
            CodedField& field = coded_[place.index];
            field.codes.push_back(CodeOf(field, std::move(row[f])));
            CheckLookUps(field);
        } else {
            Slot(index)[place.index] = std::move(row[f]);
        }
    }
    Appended(index, origin);
    return index;
}

std::size_t RowStore::AppendTexts(const std::vector<FieldText>& row, const std::vector<ColumnKind>& kinds)
{
    assert(row.size() == fields_.size() && kinds.size() == fields_.size());
    const std::size_t index = NextRow();
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        const Place& place = places_[f];
        if (place.coded) {
            CodedField& field = coded_[place.index];
            // A coded field holds texts; a value of another kind read from its text (a date
            // in a text column of mixed dates) is kept as it is.
            if (row[f].isNull || kinds[f] == ColumnKind::Text || kinds[f] == ColumnKind::Other)
                field.codes.push_back(CodeOfText(field, row[f]));
            else
                field.codes.push_back(CodeOf(field, ValueOfText(kinds[f], row[f].text)));
            CheckLookUps(field);
        } else {
            Slot(index)[place.index] = row[f].isNull ? Value(Null{}) : ValueOfText(kinds[f], row[f].text);
        }
    }
    Appended(index, nullptr);
    return index;
}

std::size_t RowStore::NextRow()
{
    const std::size_t index = deleted_.size();
    if (index % kBlockRows == 0 && plainCount_ > 0)
        blocks_.push_back(std::make_unique<Value[]>(kBlockRows * plainCount_));
    return index;
}

void RowStore::Appended(std::size_t index, const Recordset* origin)
{
    deleted_.push_back(0);
    for (std::size_t f = 0; f < indexes_.size(); ++f)
        if (indexes_[f]) AddToIndex(*indexes_[f], f, index);
    for (Recordset* view : views_)
        view->OnRowAppended(index, view == origin);
}

void RowStore::Delete(std::size_t row)
{
    if (deleted_[row]) return;
    deleted_[row] = 1;
    // Release what the row held; its slot stays so that later rows keep their bookmarks.
    for (std::size_t f = 0; f < fields_.size(); ++f)
        Store(row, f, Value(Null{}));
    for (auto& index : indexes_)
        index.reset();
    for (Recordset* view : views_)
        view->OnRowDeleted(row);
}

RowStore::CodedView RowStore::Coded(std::size_t field) const
{
    const Place& place = places_[field];
    if (!place.coded) return {};
    const CodedField& coded = coded_[place.index];
    return {&coded.codes, &coded.members, coded.lookedUp};
}

void RowStore::Set(std::size_t row, std::size_t field, Value value)
{
    indexes_[field].reset();
    Store(row, field, std::move(value));
}

void RowStore::Store(std::size_t row, std::size_t field, Value&& value)
{
    const Place& place = places_[field];
    if (place.coded) {
        CodedField& coded = coded_[place.index];
        coded.codes[row] = CodeOf(coded, std::move(value));
    } else {
        Slot(row)[place.index] = std::move(value);
    }
}

std::optional<std::string> RowStore::IndexKey(std::size_t field, const Value& value) const
{
    const auto& raw = value.Raw();
    switch (StorageOf(fields_[field].type)) {
    case FieldStorage::Text:
        if (const auto* text = std::get_if<std::string>(&raw)) return TextKey(*text);
        break;
    case FieldStorage::Integer:
        if (const auto* i = std::get_if<std::int64_t>(&raw)) return std::to_string(*i);
        break;
    case FieldStorage::Date:
        if (const auto* d = std::get_if<Date>(&raw)) return std::to_string(d->Serial());
        break;
    default: break;
    }
    return std::nullopt;
}

void RowStore::AddToIndex(EqualityIndex& index, std::size_t field, std::size_t row) const
{
    if (!index.usable) return;
    const Value& value = At(row, field);
    if (value.IsNull() || value.IsEmpty()) return; // equal to nothing
    std::optional<std::string> key = IndexKey(field, value);
    if (!key) {
        // A value of another kind may still compare equal to a key: read every row instead.
        index.usable = false;
        index.rows.clear();
        return;
    }
    index.rows[*key].push_back(row);
}

const std::vector<std::size_t>* RowStore::RowsEqualTo(std::size_t field, const Value& key)
{
    static const std::vector<std::size_t> kNoRows;
    FieldStorage storage = StorageOf(fields_[field].type);
    if (storage != FieldStorage::Text && storage != FieldStorage::Integer && storage != FieldStorage::Date)
        return nullptr;
    std::optional<std::string> wanted = IndexKey(field, key);
    if (!wanted) return nullptr;
    if (!indexes_[field]) {
        indexes_[field] = std::make_unique<EqualityIndex>();
        for (std::size_t row = 0; row < RowCount(); ++row)
            if (!IsDeleted(row)) AddToIndex(*indexes_[field], field, row);
    }
    const EqualityIndex& index = *indexes_[field];
    if (!index.usable) return nullptr;
    auto found = index.rows.find(*wanted);
    return found == index.rows.end() ? &kNoRows : &found->second;
}

void RowStore::Attach(Recordset* view)
{
    views_.push_back(view);
}

void RowStore::Detach(Recordset* view)
{
    std::erase(views_, view);
}

} // namespace Talvex::Data::RecordsetDetail
