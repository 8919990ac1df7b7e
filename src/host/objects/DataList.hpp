#pragma once

#include "host/objects/FieldList.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {

namespace Data {
class Recordset;
struct ResultSet;
} // namespace Data

class Book;

// A SELECT being built over the ERP's tables, then its rows. The list's main table has
// the alias "oTable" unless another is given; other lists join it under their own alias
// and keep their own filter, parameters and joins. All SQL is T-SQL: the data layer
// translates it when the list is read.
class DataList : public Object {
public:
    // A list over a table, view or parameterized data source; an empty name: no table.
    DataList(std::shared_ptr<Book> book, const std::string& tableName);
    DataList(const DataList&) = delete;
    DataList& operator=(const DataList&) = delete;

    FieldList& Fields() { return fields_; }
    const FieldList& Fields() const { return fields_; }
    // Query parameters of a parameterized data source ("Node", "PayToDate", ...).
    FieldList& Params() { return params_; }
    const FieldList& Params() const { return params_; }

    // The WHERE text, replaced as a whole: read it, combine it, write it back.
    const std::string& Filter() const { return filter_; }
    void SetFilter(std::string filter) { filter_ = std::move(filter); }
    // The HAVING text of a list whose columns carry sums: conditions on the sums themselves
    // ("SUM(Main.AccNeedPaySum) <= 100"), which the WHERE text cannot hold. Replaced as a
    // whole, like the filter.
    const std::string& GroupFilter() const { return groupFilter_; }
    void SetGroupFilter(std::string filter) { groupFilter_ = std::move(filter); }

    // Joins another list under an alias. outer 1: left outer join; hint 3 asks for a merge
    // join, which the server plans for itself, so hints change nothing here.
    void Join(std::shared_ptr<DataList> list, const std::string& alias, const std::string& onCondition, int outer = 0,
              int joinHint = 0);
    // Joins a list for its conditions and for the expressions of this list's own columns
    // alone: its selected columns are not passed up into this list's columns. A summed list
    // joined so stands in for a sub-select per row ("what the links of a position leave").
    void JoinForConditions(std::shared_ptr<DataList> list, const std::string& alias, const std::string& onCondition,
                           int outer = 0);
    std::size_t JoinCount() const { return joins_.size(); }

    // The ORDER BY of the SELECT ("Pisf.DocumentDate Desc, Ps.IDC Desc"); empty: none.
    void OrderBy(std::string columns) { orderBy_ = std::move(columns); }
    const std::string& OrderByText() const { return orderBy_; }
    // The order of the delivered rows ("Name ASC, DocumentDate ASC"); also after a fill.
    void Sort(const std::string& columns);
    const std::string& SortText() const { return sort_; }

    // The alias of the main table in the list's own SQL. "oTable" in the list's texts
    // always means the main table, so texts written before a rename stay valid.
    const std::string& Alias() const { return alias_; }
    void SetAlias(const std::string& alias);

    // Makes another list the derived table of this one, under the alias; its returned
    // columns become this list's columns.
    void SetSource(std::shared_ptr<DataList> list, const std::string& alias, int flag = 0);
    // Appends the rows of another list (UNION ALL when all is true).
    void Union(std::shared_ptr<DataList> list, const std::string& alias, bool all = true);

    // At most this many rows (TOP n): a look-up that wants one row, a first page. 0: no
    // limit. A list with unions is limited as a whole.
    void SetTop(int rows);
    int Top() const { return top_; }

    // The automatic behaviour flag: when on, a list refreshes itself when first read.
    void SetAutomatic(int flag) { automatic_ = flag != 0; }
    bool Automatic() const { return automatic_; }

    // The SELECT, in T-SQL.
    std::string SqlText() const;
    // Runs the SELECT and keeps the rows.
    void Refresh();
    // Keeps the rows of the list read as parts that together make it (Connection::
    // QueryEachInParts): the caller answers for their being the list's rows, each once. Then
    // the server works on the parts at once, each in a session of its own.
    void RefreshInParts(const std::vector<std::string>& parts);
    bool IsFilled() const { return recordset_ != nullptr; }
    // The rows as a recordset; reads the list first when it has not been read and is automatic.
    std::shared_ptr<Data::Recordset> Recordset();
    void SetRecordset(std::shared_ptr<Data::Recordset> recordset);

    const std::string& TableName() const { return tableName_; }
    Book& GetBook() const { return *book_; }
    std::shared_ptr<Book> BookPtr() const { return book_; }

private:
    struct JoinedList {
        std::shared_ptr<DataList> list;
        std::string alias;
        std::string on;
        int outer;
        bool columnsPassedUp = true;
    };
    struct UnitedList {
        std::shared_ptr<DataList> list;
        bool all;
    };

    std::string SelectText(bool allColumnsForJoin) const;
    std::string FromText() const;
    std::string JoinSource(const JoinedList& join) const;
    bool NeedsDerivedTable() const;
    bool HasAggregates() const;
    std::string Own(const std::string& text) const; // "oTable" read as this list's alias
    void CollectSelected(std::vector<std::string>& items, std::vector<std::string>& groupBy, bool& aggregated) const;

    std::shared_ptr<Book> book_;
    std::string tableName_;
    bool isFunction_ = false;
    std::string alias_ = "oTable";
    FieldList fields_;
    FieldList params_;
    std::string filter_;
    std::string groupFilter_;
    std::string orderBy_;
    std::string sort_;
    std::vector<JoinedList> joins_;
    std::vector<UnitedList> unions_;
    std::shared_ptr<DataList> source_;
    std::string sourceAlias_;
    bool automatic_ = true;
    int top_ = 0;
    std::shared_ptr<Data::Recordset> recordset_;
};

// "oTable.Code" with the qualifier oTable replaced by the alias, outside literals.
std::string ReplaceQualifier(const std::string& text, const std::string& from, const std::string& to);

} // namespace Talvex
