#include "host/cube/CubeSource.hpp"

#include "host/cube/internal/MemberKey.hpp"
#include "host/data/Recordset.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <cctype>
#include <limits>
#include <optional>
#include <unordered_map>

namespace Talvex::Cube {

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::size_t CubeSource::Find(std::string_view name) const
{
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (SameName(names_[i], name)) return i;
    return names_.size();
}

bool CubeSource::Exists(std::string_view name) const
{
    return Find(name) < names_.size();
}

void CubeSource::AddColumn(std::string name, Column values)
{
    if (Exists(name)) throw ValueError("cube source: column \"" + name + "\" is already defined");
    const auto length = std::visit([](const auto& v) { return v.size(); }, values);
    if (!columns_.empty() && length != rowCount_)
        throw ValueError("cube source: column \"" + name + "\" has " + std::to_string(length) + " rows, the others " +
                         std::to_string(rowCount_));
    rowCount_ = length;
    names_.push_back(std::move(name));
    columns_.push_back(std::make_shared<const Column>(std::move(values)));
}

const CubeSource::Column& CubeSource::Item(std::string_view name) const
{
    const auto index = Find(name);
    if (index == names_.size()) throw ValueError("cube source: no column \"" + std::string(name) + "\"");
    return *columns_[index];
}

Value CubeSource::ValueAt(std::string_view name, std::size_t row) const
{
    return std::visit(
        [row](const auto& v) {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, CodedColumn>)
                return v.members[v.codes.at(row)];
            else
                return Value(v.at(row));
        },
        Item(name));
}

namespace {

using Data::Recordset;
using Rows = std::vector<std::size_t>;

// A text column by code: texts are looked up by a view of the stored text, so that only
// the first occurrence of each is copied; other values (null, or a stray number in a
// column of any kind) through a map of Values. Codes follow the first occurrences, as
// the engine's own encoding numbers members.
CodedColumn LoadCoded(const Recordset& rs, const Rows& rows, std::size_t field)
{
    // A field the rows keep coded already, each text once: its codes renumbered by first
    // occurrence in view order, through an array rather than a hash of every row's text.
    if (const auto kept = rs.StoredCodes(field); kept.codes && kept.distinct) {
        constexpr std::uint32_t kUnseen = std::numeric_limits<std::uint32_t>::max();
        std::vector<std::uint32_t> renumbered(kept.members->size(), kUnseen);
        // The rows keep each text and each null once, but a stray value of another kind
        // once per row: equal ones become one member here as below.
        std::unordered_map<Value, std::uint32_t, Internal::ValueHash> others;
        CodedColumn out;
        out.codes.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::uint32_t code = (*kept.codes)[rows[i]];
            std::uint32_t& own = renumbered[code];
            if (own == kUnseen) {
                const Value& member = (*kept.members)[code];
                const auto next = static_cast<std::uint32_t>(out.members.size());
                if (std::holds_alternative<std::string>(member.Raw())) {
                    own = next;
                } else {
                    own = others.try_emplace(member, next).first->second;
                }
                if (own == next) out.members.push_back(member);
            }
            out.codes[i] = own;
        }
        return out;
    }
    CodedColumn out;
    out.codes.resize(rows.size());
    std::unordered_map<std::string_view, std::uint32_t> texts;
    std::unordered_map<Value, std::uint32_t, Internal::ValueHash> others;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Value& v = rs.StoredValue(rows[i], field);
        const auto next = static_cast<std::uint32_t>(out.members.size());
        if (const auto* text = std::get_if<std::string>(&v.Raw())) {
            const auto [it, inserted] = texts.try_emplace(std::string_view(*text), next);
            if (inserted) out.members.push_back(v);
            out.codes[i] = it->second;
        } else {
            const auto [it, inserted] = others.try_emplace(v, next);
            if (inserted) out.members.push_back(v);
            out.codes[i] = it->second;
        }
    }
    return out;
}

// The column as an array of T when every value holds a T; nothing otherwise.
template <class T> std::optional<std::vector<T>> LoadTyped(const Recordset& rs, const Rows& rows, std::size_t field)
{
    std::vector<T> out(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto* value = std::get_if<T>(&rs.StoredValue(rows[i], field).Raw());
        if (value == nullptr) return std::nullopt;
        out[i] = *value;
    }
    return out;
}

std::vector<Value> LoadValues(const Recordset& rs, const Rows& rows, std::size_t field)
{
    std::vector<Value> out;
    out.reserve(rows.size());
    for (const auto row : rows)
        out.push_back(rs.StoredValue(row, field));
    return out;
}

template <class T> CubeSource::Column TypedOrValues(const Recordset& rs, const Rows& rows, std::size_t field)
{
    if (auto typed = LoadTyped<T>(rs, rows, field)) return std::move(*typed);
    return LoadValues(rs, rows, field);
}

} // namespace

CubeSource CubeSource::FromRecordset(Data::Recordset& recordset)
{
    auto& fields = recordset.Fields();
    // Moving to the first record stores a pending edit, as reading record by record did.
    if (recordset.RecordCount() > 0) recordset.MoveFirst();
    const Rows& rows = recordset.ViewRows();
    CubeSource source;
    for (std::size_t i = 0; i < fields.Count(); ++i) {
        const auto field = fields.Item(i);
        Column column;
        switch (Data::StorageOf(field.Type())) {
        case Data::FieldStorage::Text: column = LoadCoded(recordset, rows, i); break;
        case Data::FieldStorage::Date: column = TypedOrValues<Date>(recordset, rows, i); break;
        case Data::FieldStorage::Exact: column = TypedOrValues<Currency>(recordset, rows, i); break;
        case Data::FieldStorage::Integer: column = TypedOrValues<std::int64_t>(recordset, rows, i); break;
        case Data::FieldStorage::Double: column = TypedOrValues<double>(recordset, rows, i); break;
        default: column = LoadValues(recordset, rows, i); break;
        }
        source.AddColumn(field.Name(), std::move(column));
    }
    // The cursor ends where walking the rows left it: after the last record.
    if (!rows.empty()) {
        recordset.MoveLast();
        recordset.MoveNext();
    }
    return source;
}

} // namespace Talvex::Cube
