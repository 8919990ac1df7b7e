#include "host/objects/TableObject.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"

#include <variant>

namespace Talvex {

namespace {

std::string KindName(const Value& value)
{
    struct Namer {
        std::string operator()(const Empty&) const { return "nothing"; }
        std::string operator()(const Null&) const { return "null"; }
        std::string operator()(bool) const { return "a flag"; }
        std::string operator()(std::int64_t i) const { return "the whole number " + std::to_string(i); }
        std::string operator()(const Currency& c) const { return "the amount " + c.ToString(); }
        std::string operator()(const Decimal& d) const { return "the number " + d.ToString(); }
        std::string operator()(double) const { return "a floating-point number"; }
        std::string operator()(const std::string& s) const { return "the text '" + s + "'"; }
        std::string operator()(const Date& d) const { return "the date " + d.ToIso(); }
        std::string operator()(const std::shared_ptr<Object>&) const { return "an object"; }
    };
    return std::visit(Namer{}, value.Raw());
}

[[noreturn]] void Refuse(const std::string& where, const char* wanted, const Value& value)
{
    throw ValueError(where + ": " + wanted + " is needed, not " + KindName(value));
}

} // namespace

Value CheckedFieldValue(FieldType type, const Value& value, const std::string& where)
{
    if (value.IsNull() || value.IsEmpty()) return value;
    const auto& raw = value.Raw();
    switch (type) {
    case FieldType::kInteger:
    case FieldType::kId:
    case FieldType::kPosition:
        if (std::holds_alternative<std::int64_t>(raw)) return value;
        Refuse(where, "a whole number", value);
    case FieldType::kFlag:
        if (std::holds_alternative<bool>(raw)) return Value(std::get<bool>(raw) ? 1 : 0);
        if (std::holds_alternative<std::int64_t>(raw) &&
            (std::get<std::int64_t>(raw) == 0 || std::get<std::int64_t>(raw) == 1))
            return value;
        Refuse(where, "a flag (0 or 1)", value);
    case FieldType::kAmount:
    case FieldType::kQuantity:
        // Money and quantities stay exact: a double is refused rather than rounded here.
        if (std::holds_alternative<Currency>(raw)) return value;
        if (std::holds_alternative<std::int64_t>(raw)) return Value(Currency::FromInteger(std::get<std::int64_t>(raw)));
        // A decimal is taken when money holds it exactly; more decimals would be rounded away unseen.
        if (const auto* d = std::get_if<Decimal>(&raw); d && Decimal::FromCurrency(d->ToCurrency()) == *d)
            return Value(d->ToCurrency());
        Refuse(where, "an exact amount of at most 4 decimals", value);
    case FieldType::kNumber:
        if (value.IsNumber() && !std::holds_alternative<bool>(raw)) return value;
        Refuse(where, "a number", value);
    case FieldType::kDate:
        if (value.IsDate()) return value;
        Refuse(where, "a date", value);
    case FieldType::kCode:
    case FieldType::kText:
    case FieldType::kLongText:
    case FieldType::kMultiSelection:
        if (value.IsText()) return value;
        Refuse(where, "a text", value);
    case FieldType::kObject: break;
    }
    Refuse(where, "a column value", value);
}

TableObject::TableObject(std::shared_ptr<Book> book, const std::string& tableName) : book_(std::move(book))
{
    if (!book_) throw ValueError("TableObject: a Book is needed");
    const SourceInfo info = book_->Describe(tableName);
    if (info.isFunction) throw ValueError("TableObject: '" + tableName + "' is a data source, not a table");
    tableName_ = info.name;
    for (const auto& column : info.columns) {
        if (EqualsIgnoreCase(column.name, "IDC")) idcIndex_ = static_cast<int>(names_.size());
        names_.push_back(column.name);
        types_.push_back(column.typeCode);
    }
    AddNew();
}

bool TableObject::HasField(std::string_view name) const
{
    for (const auto& column : names_)
        if (EqualsIgnoreCase(column, name)) return true;
    return false;
}

std::size_t TableObject::IndexOf(std::string_view name) const
{
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (EqualsIgnoreCase(names_[i], name)) return i;
    throw ValueError(tableName_ + ": no field \"" + std::string(name) + "\"");
}

void TableObject::AddNew()
{
    values_.assign(names_.size(), Value());
    changed_.assign(names_.size(), false);
    rowKey_.clear();
    isNew_ = true;
}

std::int64_t TableObject::IDC() const
{
    if (idcIndex_ < 0) return 0;
    const Value& idc = values_[static_cast<std::size_t>(idcIndex_)];
    return idc.IsEmpty() || idc.IsNull() ? 0 : idc.ToInteger();
}

const Value& TableObject::Get(std::string_view name) const
{
    return values_[IndexOf(name)];
}

void TableObject::Set(std::string_view name, Value value)
{
    const std::size_t i = IndexOf(name);
    values_[i] = CheckedFieldValue(types_[i], value, tableName_ + "." + names_[i]);
    changed_[i] = true;
}

void TableObject::ReadRow(const std::vector<Value>& row)
{
    values_ = row;
    changed_.assign(names_.size(), false);
    isNew_ = false;
}

bool TableObject::Load(std::int64_t idc)
{
    if (idcIndex_ < 0) throw ValueError(tableName_ + ": the table has no IDC; load its rows by key");
    return LoadByKey({{names_[static_cast<std::size_t>(idcIndex_)], Value(idc)}});
}

bool TableObject::LoadByKey(const std::vector<std::pair<std::string, Value>>& key)
{
    if (key.empty()) throw ValueError(tableName_ + ": a row is loaded by at least one key field");
    std::string columns;
    for (const auto& name : names_)
        columns += (columns.empty() ? "" : ", ") + name;
    std::string where;
    std::vector<Value> params;
    std::vector<std::pair<std::size_t, Value>> rowKey;
    for (const auto& [name, value] : key) {
        const std::size_t i = IndexOf(name);
        Value checked = CheckedFieldValue(types_[i], value, tableName_ + "." + names_[i]);
        if (checked.IsNull() || checked.IsEmpty())
            throw ValueError(tableName_ + "." + names_[i] + ": a key field needs a value");
        where += (where.empty() ? "" : " AND ") + names_[i] + " = ?";
        params.push_back(checked);
        rowKey.emplace_back(i, std::move(checked));
    }
    // Of several rows with the key, the first written is the one loaded.
    const std::string order = idcIndex_ >= 0 ? " ORDER BY " + names_[static_cast<std::size_t>(idcIndex_)] : "";
    auto rs = book_->Db().Query("SELECT " + columns + " FROM " + tableName_ + " WHERE " + where + order, params);
    AddNew();
    if (rs.rows.empty()) return false;
    // A key that is not unique would make Save and Delete touch rows the caller never saw.
    if (rs.rows.size() > 1 && idcIndex_ < 0)
        throw ValueError(tableName_ + ": " + std::to_string(rs.rows.size()) + " rows have the key given");
    ReadRow(rs.rows.front());
    rowKey_ = std::move(rowKey);
    if (rs.rows.size() > 1) rowKey_.clear(); // the IDC finds the row read
    return true;
}

std::string TableObject::RowWhere(std::vector<Value>& params) const
{
    if (idcIndex_ >= 0) {
        params.emplace_back(IDC());
        return names_[static_cast<std::size_t>(idcIndex_)] + " = ?";
    }
    std::string where;
    for (const auto& [i, value] : rowKey_) {
        where += (where.empty() ? "" : " AND ") + names_[i] + " = ?";
        params.push_back(value);
    }
    return where;
}

std::int64_t TableObject::Save()
{
    std::string columns;
    std::string placeholders;
    std::string assignments;
    std::vector<Value> params;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        // A new row writes only what was given, so the table's defaults and its IDC identity
        // fill the rest; an update writes what changed since the load.
        const bool write = isNew_ ? !values_[i].IsEmpty() : changed_[i];
        if (!write || static_cast<int>(i) == idcIndex_) continue;
        columns += (columns.empty() ? "" : ", ") + names_[i];
        placeholders += placeholders.empty() ? "?" : ", ?";
        assignments += (assignments.empty() ? "" : ", ") + names_[i] + " = ?";
        params.push_back(values_[i]);
    }

    Data::Transaction unit(book_->Db());
    try {
        if (isNew_) {
            if (columns.empty()) throw ValueError(tableName_ + ": a new row with no field set");
            const std::string insert = "INSERT INTO " + tableName_ + " (" + columns + ") VALUES (" + placeholders + ")";
            if (idcIndex_ >= 0) {
                auto rs = unit.Db().Query(insert + "; SELECT SCOPE_IDENTITY()", params);
                values_[static_cast<std::size_t>(idcIndex_)] = Value(rs.rows.at(0).at(0).ToInteger());
            } else {
                unit.Db().Execute(insert, params);
            }
        } else if (!assignments.empty()) {
            const std::string where = RowWhere(params);
            if (unit.Db().Execute("UPDATE " + tableName_ + " SET " + assignments + " WHERE " + where, params) != 1)
                throw ValueError(tableName_ + " " + Describe() + ": no longer in the database");
        }
    } catch (const DatabaseError& e) {
        throw DatabaseError(tableName_ + " " + Describe() + ": " + e.what());
    }
    unit.Commit();

    if (isNew_ && idcIndex_ < 0) {
        // Without an IDC the row is found again by what was written.
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (!values_[i].IsEmpty() && !values_[i].IsNull()) rowKey_.emplace_back(i, values_[i]);
    }
    isNew_ = false;
    changed_.assign(names_.size(), false);
    return IDC();
}

void TableObject::Delete()
{
    if (isNew_) throw ValueError(tableName_ + ": a row never loaded or saved cannot be deleted");
    std::vector<Value> params;
    const std::string where = RowWhere(params);
    Data::Transaction unit(book_->Db());
    unit.Db().Execute("DELETE FROM " + tableName_ + " WHERE " + where, params);
    unit.Commit();
    AddNew();
}

std::string TableObject::Describe() const
{
    if (idcIndex_ >= 0) return isNew_ ? "(new row)" : "IDC " + std::to_string(IDC());
    std::string key;
    for (const auto& [i, value] : rowKey_)
        key += (key.empty() ? "" : ", ") + names_[i] + " " + value.ToInvariantText();
    return key.empty() ? "(new row)" : key;
}

} // namespace Talvex
