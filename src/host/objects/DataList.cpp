#include "host/objects/DataList.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"

#include <cctype>
#include <optional>

namespace Talvex {
namespace {

bool IsIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' || c == '@';
}

// A column name as it may stand after AS: bracketed when it is not a plain identifier.
// Words of the statement that the ERP also uses as column names ("Order", "Key"): such a
// column is named in brackets.
bool IsReservedWord(const std::string& name)
{
    static const char* const kReserved[] = {"ORDER", "GROUP", "KEY",   "USER", "FROM",  "SELECT", "WHERE",
                                            "TABLE", "INDEX", "BY",    "DESC", "ASC",   "CASE",   "END",
                                            "PLAN",  "LEFT",  "RIGHT", "JOIN", "UNION", "VALUES"};
    for (const char* word : kReserved)
        if (EqualsIgnoreCase(name, word)) return true;
    return false;
}

std::string OutputName(const std::string& name)
{
    bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) && !IsReservedWord(name);
    for (char c : name)
        plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (plain) return name;
    std::string bracketed = "[";
    for (char c : name)
        bracketed += c == ']' ? std::string("]]") : std::string(1, c);
    return bracketed + "]";
}

void CheckAlias(const std::string& alias)
{
    bool plain = !alias.empty() && !std::isdigit(static_cast<unsigned char>(alias[0]));
    for (char c : alias)
        plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!plain) throw ValueError("Alias: '" + alias + "' is not a plain name");
}

} // namespace

std::string ReplaceQualifier(const std::string& text, const std::string& from, const std::string& to)
{
    if (EqualsIgnoreCase(from, to)) return text;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\'' || c == '[' || c == '"') {
            char close = c == '[' ? ']' : c;
            std::size_t j = i + 1;
            while (j < text.size()) {
                if (text[j] == close) {
                    if (j + 1 < text.size() && text[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out.append(text, i, j + 1 - i);
            i = j + 1;
            continue;
        }
        if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            std::size_t j = text.find('\n', i);
            if (j == std::string::npos) j = text.size();
            out.append(text, i, j - i);
            i = j;
            continue;
        }
        if (IsIdentifierChar(c)) {
            std::size_t j = i;
            while (j < text.size() && IsIdentifierChar(text[j]))
                ++j;
            bool qualifier = j < text.size() && text[j] == '.' && (i == 0 || text[i - 1] != '.');
            if (qualifier && EqualsIgnoreCase(std::string_view(text).substr(i, j - i), from))
                out += to;
            else
                out.append(text, i, j - i);
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

DataList::DataList(std::shared_ptr<Book> book, const std::string& tableName) : book_(std::move(book))
{
    if (!book_) throw ValueError("DataList: no Book");
    fields_.SetOwner(this);
    if (tableName.empty()) return;
    const SourceInfo& info = book_->Describe(tableName);
    tableName_ = info.name;
    isFunction_ = info.isFunction;
    for (const auto& column : info.columns)
        fields_.Add(column.name, column.typeCode);
    for (const auto& param : info.params)
        params_.Add(param.name, param.typeCode).SetParamFlags(ParamFlag::kInput);
}

void DataList::Join(std::shared_ptr<DataList> list, const std::string& alias, const std::string& onCondition, int outer,
                    int /*joinHint*/)
{
    if (!list) throw ValueError("Join: no list to join");
    if (list.get() == this) throw ValueError("Join: a list cannot join itself");
    CheckAlias(alias);
    if (onCondition.find_first_not_of(' ') == std::string::npos)
        throw ValueError("Join '" + alias + "': the ON condition is empty");
    // A joined list is seen through its alias: its own fields now read "alias.Column".
    list->SetAlias(alias);
    joins_.push_back({std::move(list), alias, onCondition, outer});
}

void DataList::JoinForConditions(std::shared_ptr<DataList> list, const std::string& alias,
                                 const std::string& onCondition, int outer)
{
    Join(std::move(list), alias, onCondition, outer);
    joins_.back().columnsPassedUp = false;
}

void DataList::Sort(const std::string& columns)
{
    sort_ = columns;
    if (recordset_) recordset_->SetSort(sort_);
}

void DataList::SetAlias(const std::string& alias)
{
    CheckAlias(alias);
    alias_ = alias;
}

void DataList::SetSource(std::shared_ptr<DataList> list, const std::string& alias, int /*flag*/)
{
    if (!list) throw ValueError("SetSource: no list");
    CheckAlias(alias);
    source_ = std::move(list);
    sourceAlias_ = alias;
    // The source's returned columns become this list's columns, read from the derived table.
    for (const auto& f : source_->Fields()) {
        if (!f->Selected()) continue;
        Field& own = fields_.AddField(f->Name(), f->TypeCode(), sourceAlias_ + "." + OutputName(f->Name()));
        own.SetCaption(f->Caption());
    }
}

void DataList::Union(std::shared_ptr<DataList> list, const std::string& /*alias*/, bool all)
{
    if (!list || list.get() == this) throw ValueError("Union: no other list");
    unions_.push_back({std::move(list), all});
}

std::string DataList::Own(const std::string& text) const
{
    return ReplaceQualifier(text, "oTable", alias_);
}

bool DataList::HasAggregates() const
{
    for (const auto& f : fields_)
        if (f->Selected() && f->AggregateKind() != Aggregate::kNone) return true;
    for (const auto& j : joins_)
        if (j.columnsPassedUp && !j.list->NeedsDerivedTable() && j.list->HasAggregates()) return true;
    return false;
}

bool DataList::NeedsDerivedTable() const
{
    if (!filter_.empty() || !groupFilter_.empty() || !joins_.empty() || source_ || !unions_.empty() ||
        tableName_.empty())
        return true;
    for (const auto& f : fields_)
        if (f->IsComputed()) return true;
    return false;
}

void DataList::CollectSelected(std::vector<std::string>& items, std::vector<std::string>& groupBy,
                               bool& aggregated) const
{
    for (const auto& f : fields_) {
        if (!f->Selected()) continue;
        std::string expression = f->IsComputed() ? Own(f->Expression()) : alias_ + "." + f->Name();
        switch (f->AggregateKind()) {
        case Aggregate::kSum:
            aggregated = true;
            items.push_back("SUM(" + expression + ") AS " + OutputName(f->Name()));
            break;
        case Aggregate::kGroupExpression:
            aggregated = true;
            items.push_back(expression + " AS " + OutputName(f->Name()));
            break;
        default:
            items.push_back(f->IsComputed() ? "(" + expression + ") AS " + OutputName(f->Name()) : expression);
            groupBy.push_back(expression);
        }
    }
    // Selected columns of a joined list come through its alias.
    for (const auto& j : joins_) {
        if (!j.columnsPassedUp) continue;
        for (const auto& f : j.list->Fields()) {
            if (!f->Selected()) continue;
            std::string expression = j.alias + "." + OutputName(f->Name());
            bool plain = j.list->NeedsDerivedTable() || !f->IsComputed();
            if (!plain) continue;
            if (!j.list->NeedsDerivedTable() && f->AggregateKind() == Aggregate::kSum) {
                aggregated = true;
                items.push_back("SUM(" + expression + ") AS " + OutputName(f->Name()));
                continue;
            }
            items.push_back(expression + " AS " + OutputName(f->Name()));
            groupBy.push_back(expression);
        }
    }
}

std::string DataList::FromText() const
{
    if (source_) return " FROM (" + source_->SqlText() + ") " + sourceAlias_;
    if (tableName_.empty()) return "";
    std::string from = " FROM " + tableName_;
    if (isFunction_) {
        from += "(";
        std::size_t n = 0;
        for (const auto& p : params_)
            from += (n++ ? ", " : "") + SqlTools::Literal(p->TypeCode(), p->GetValue());
        from += ")";
    }
    return from + " " + alias_;
}

std::string DataList::JoinSource(const JoinedList& join) const
{
    const DataList& list = *join.list;
    // A summed list joined for its conditions is summed in its own derived table: there is no
    // parent column its sums could be passed up into.
    const bool ownSums = !join.columnsPassedUp && list.HasAggregates();
    if (!list.NeedsDerivedTable() && !ownSums) {
        std::string from = list.tableName_;
        if (list.isFunction_) {
            from += "(";
            std::size_t n = 0;
            for (const auto& p : list.params_)
                from += (n++ ? ", " : "") + SqlTools::Literal(p->TypeCode(), p->GetValue());
            from += ")";
        }
        return from + " " + join.alias;
    }
    bool whole = ownSums || list.source_ || !list.unions_.empty() || list.HasAggregates() || list.tableName_.empty();
    return "(" + (whole ? list.SqlText() : list.SelectText(true)) + ") " + join.alias;
}

std::string DataList::SelectText(bool allColumnsForJoin) const
{
    std::vector<std::string> items;
    std::vector<std::string> groupBy;
    bool aggregated = false;
    if (allColumnsForJoin) {
        // Seen from the list that joins it, every column of the table stays reachable.
        items.push_back(alias_ + ".*");
        for (const auto& f : fields_)
            if (f->IsComputed()) items.push_back("(" + Own(f->Expression()) + ") AS " + OutputName(f->Name()));
    } else {
        CollectSelected(items, groupBy, aggregated);
    }
    if (items.empty()) items.push_back("1 AS " + OutputName("NoColumns"));
    std::string sql = "SELECT ";
    if (top_ > 0 && unions_.empty()) sql += "TOP " + std::to_string(top_) + " ";
    for (std::size_t i = 0; i < items.size(); ++i)
        sql += (i ? ", " : "") + items[i];
    sql += FromText();
    for (const auto& j : joins_)
        sql += (j.outer == 1 ? " LEFT OUTER JOIN " : " INNER JOIN ") + JoinSource(j) + " ON " + Own(j.on);
    if (filter_.find_first_not_of(' ') != std::string::npos) sql += " WHERE " + Own(filter_);
    if (aggregated && !groupBy.empty()) {
        sql += " GROUP BY ";
        for (std::size_t i = 0; i < groupBy.size(); ++i)
            sql += (i ? ", " : "") + groupBy[i];
    }
    if (groupFilter_.find_first_not_of(' ') != std::string::npos) sql += " HAVING " + Own(groupFilter_);
    return sql;
}

std::string DataList::SqlText() const
{
    std::string sql = SelectText(false);
    for (const auto& u : unions_)
        sql += (u.all ? " UNION ALL " : " UNION ") + u.list->SelectText(false);
    // A TOP in the first SELECT of a union would limit that SELECT alone; the union's
    // ORDER BY names output columns, so it reads the same outside the derived table.
    if (top_ > 0 && !unions_.empty())
        sql = "SELECT TOP " + std::to_string(top_) + " * FROM (" + sql + ") " + alias_ + "Top";
    if (orderBy_.find_first_not_of(' ') != std::string::npos) sql += " ORDER BY " + Own(orderBy_);
    return sql;
}

void DataList::SetTop(int rows)
{
    if (rows < 0) throw ValueError("DataList.Top: the row limit must not be negative, not " + std::to_string(rows));
    top_ = rows;
}

void DataList::Refresh()
{
    RefreshInParts({SqlText()});
}

void DataList::RefreshInParts(const std::vector<std::string>& parts)
{
    // Rows go straight into the recordset as they arrive: a list of a million lines is held
    // once, not also as the server's whole answer and a copy of it.
    std::optional<Data::RecordsetBuilder> builder;
    const auto columns = [&](const std::vector<Data::Column>& c) { builder.emplace(c); };
    const auto row = [&](std::vector<Value>&& values) { builder->Append(std::move(values)); };
    const auto texts = [&](const std::vector<Data::FieldText>& values) { builder->AppendTexts(values); };
    if (parts.size() == 1)
        book_->Db().QueryEach(parts.front(), {}, columns, row, texts);
    else
        book_->Db().QueryEachInParts(parts, columns, row, texts);
    auto recordset = std::make_shared<Data::Recordset>(builder->Finish());
    if (!sort_.empty()) recordset->SetSort(sort_);
    recordset_ = std::move(recordset);
}

std::shared_ptr<Data::Recordset> DataList::Recordset()
{
    if (!recordset_ && automatic_) Refresh();
    if (!recordset_) throw ValueError("The list has not been read yet");
    return recordset_;
}

void DataList::SetRecordset(std::shared_ptr<Data::Recordset> recordset)
{
    recordset_ = std::move(recordset);
}

} // namespace Talvex
