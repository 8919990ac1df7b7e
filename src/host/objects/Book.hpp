#pragma once

#include "host/objects/Field.hpp"
#include "host/types/Date.hpp"
#include "host/types/Value.hpp"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {

namespace Data {
class Connection;
}
class DataList;
class TableObject;

// What the Book knows of a table, view or parameterized data source.
struct SourceColumn {
    std::string name; // as the schema spells it ("DocTypeCode")
    FieldType typeCode;
};
struct SourceInfo {
    std::string name;
    bool isFunction = false; // a parameterized data source: FROM name(params) alias
    std::vector<SourceColumn> columns;
    std::vector<SourceColumn> params;
};

// The open ERP database: creates lists over its tables, gives its settings and the
// company's data, and keeps the connection the host's lists read through.
class Book : public Object, public std::enable_shared_from_this<Book> {
public:
    // The Book over an open connection to an ERP database. Whether the database holds a
    // company is the ERP layer's to say: Erp::OpenBook asks before it comes here.
    static std::shared_ptr<Book> Open(Data::Connection connection, const std::string& userName);
    ~Book() override;

    std::shared_ptr<DataList> CreateList(const std::string& tableName);
    std::shared_ptr<DataList> CreateDocList(const std::string& tableName);
    // The host table object over one of the company's tables ("THGoodSpec", "REFGoodPrice"):
    // its rows loaded, edited and saved in the caller's unit of work.
    std::shared_ptr<TableObject> CreateTableObject(const std::string& tableName);

    const std::string& ConnectString() const { return connectString_; }
    // The identifying text of the open database (company name and database).
    const std::string& Name() const { return name_; }
    const std::string& UserName() const { return userName_; }

    // Book settings by name ("AccountCurrency", "StartDate", "AccessTHDate", "AccSetCode",
    // the company's code, name, address ...); an unknown name gives an empty value.
    Value Setting(std::string_view name) const;
    std::string AccountCurrency() const { return Setting("AccountCurrency").ToText(); }

    // The Book's clock: reports take "today" from here, never from the system clock.
    Date Today() const { return today_; }
    void SetToday(Date today) { today_ = today; }
    // The "today" a company opens with: its "DemoToday" setting when it has one (the demo
    // company's books stop at the end of its period), else the machine's local calendar date.
    // Throws DatabaseError when the setting is not a date.
    static Date CompanyToday(std::string_view demoToday);

    // Columns and parameters of a source, read from the database once. A session temporary
    // table ("#SalesList") is read anew each time: it may have been dropped and created
    // again with other columns. Throws ValueError for an unknown source or a "#" name that
    // is not one (only letters, digits and "_" follow the "#").
    SourceInfo Describe(const std::string& sourceName);

    Data::Connection& Db() { return *connection_; }

private:
    Book() = default;
    SourceInfo DescribeTemporaryTable(const std::string& tableName);
    std::string connectString_;
    std::string name_;
    std::string userName_;
    Date today_;
    std::unique_ptr<Data::Connection> connection_;
    std::map<std::string, std::string, std::less<>> settings_;
    std::map<std::string, SourceInfo, std::less<>> sources_;
    std::mutex sourcesMutex_;
};

// Host field kind of a server column type ("numeric(19,4)", "character varying(20)").
FieldType TypeCodeOf(std::string_view serverType, std::string_view columnName);

} // namespace Talvex
