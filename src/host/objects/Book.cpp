#include "host/objects/Book.hpp"

#include "host/data/Connection.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/Field.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace Talvex {
namespace {

std::string Lower(std::string_view s)
{
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}

bool EndsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && Lower(s.substr(s.size() - suffix.size())) == Lower(suffix);
}

constexpr std::string_view kRelationColumns = R"sql(
SELECT a.attname, format_type(a.atttypid, a.atttypmod)
FROM pg_attribute a
JOIN pg_class c ON c.oid = a.attrelid
JOIN pg_namespace n ON n.oid = c.relnamespace
WHERE n.nspname = 'public' AND c.relname = $1 AND a.attnum > 0 AND NOT a.attisdropped
ORDER BY a.attnum)sql";

// The columns of a temporary table of this session: they live in its own temporary schema,
// which no other session sees.
constexpr std::string_view kTemporaryTableColumns = R"sql(
SELECT a.attname, format_type(a.atttypid, a.atttypmod)
FROM pg_attribute a
JOIN pg_class c ON c.oid = a.attrelid
WHERE c.relnamespace = pg_my_temp_schema() AND c.relname = $1 AND a.attnum > 0 AND NOT a.attisdropped
ORDER BY a.attnum)sql";

// A function's parameters, then its columns: its TABLE arguments, or the attributes of the
// composite type it returns a set of ("RETURNS SETOF THDocPayTermRow").
constexpr std::string_view kFunctionArguments = R"sql(
SELECT x.name, x.mode, x.type FROM (
SELECT arg.name, arg.mode, format_type(arg.type, NULL) AS type, 0 AS part, arg.ord
FROM pg_proc p
JOIN pg_namespace n ON n.oid = p.pronamespace,
LATERAL unnest(p.proargnames,
               COALESCE(p.proargmodes, array_fill('i'::"char", ARRAY[p.pronargs::int])),
               COALESCE(p.proallargtypes, p.proargtypes::oid[])) WITH ORDINALITY AS arg(name, mode, type, ord)
WHERE n.nspname = 'public' AND p.proname = $1
UNION ALL
SELECT a.attname, 't', format_type(a.atttypid, a.atttypmod), 1, a.attnum
FROM pg_proc p
JOIN pg_namespace n ON n.oid = p.pronamespace
JOIN pg_type t ON t.oid = p.prorettype AND t.typtype = 'c'
JOIN pg_attribute a ON a.attrelid = t.typrelid AND a.attnum > 0 AND NOT a.attisdropped
WHERE n.nspname = 'public' AND p.proname = $1
) x ORDER BY x.part, x.ord)sql";

} // namespace

FieldType TypeCodeOf(std::string_view serverType, std::string_view columnName)
{
    std::string type = Lower(serverType);
    if (type == "integer" || type == "bigint") return FieldType::kPosition;
    if (type == "smallint" || type == "boolean") return FieldType::kFlag;
    if (type.rfind("numeric", 0) == 0) {
        if (type.find(",8)") != std::string::npos || type.find(",6)") != std::string::npos) return FieldType::kNumber;
        if (Lower(columnName).find("amount") != std::string::npos) return FieldType::kQuantity;
        return FieldType::kAmount;
    }
    if (type == "double precision" || type == "real") return FieldType::kNumber;
    if (type == "date" || type.rfind("timestamp", 0) == 0) return FieldType::kDate;
    if (type == "text") return FieldType::kLongText;
    if (EndsWith(columnName, "Code")) return FieldType::kCode;
    return FieldType::kText;
}

std::shared_ptr<Book> Book::Open(Data::Connection connection, const std::string& userName)
{
    std::shared_ptr<Book> book(new Book());
    book->connectString_ = connection.ConnectString();
    book->userName_ = userName;
    book->connection_ = std::make_unique<Data::Connection>(std::move(connection));
    auto rows = book->connection_->Query("SELECT SettingName, SettingValue FROM BookSetting");
    for (const auto& row : rows.rows)
        book->settings_[Lower(row[0].ToText())] = row[1].ToText();
    std::string company = book->Setting("CompanyName").ToText();
    book->name_ = company.empty() ? book->connectString_ : company;
    book->today_ = CompanyToday(book->Setting("DemoToday").ToText());
    return book;
}

Date Book::CompanyToday(std::string_view demoToday)
{
    if (!demoToday.empty()) {
        Date today;
        if (!Date::TryParse(demoToday, today))
            throw DatabaseError("BookSetting DemoToday: '" + std::string(demoToday) + "' is not a date");
        return today;
    }
    // The only reading of the system clock: everything else asks the Book. The calendar date
    // is the local one, as the accountant's documents are dated.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) throw ValueError("Book: the machine's date cannot be read");
    return Date(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday));
}

Book::~Book() = default;

std::shared_ptr<DataList> Book::CreateList(const std::string& tableName)
{
    return std::make_shared<DataList>(shared_from_this(), tableName);
}

std::shared_ptr<DataList> Book::CreateDocList(const std::string& tableName)
{
    return CreateList(tableName);
}

std::shared_ptr<TableObject> Book::CreateTableObject(const std::string& tableName)
{
    return std::make_shared<TableObject>(shared_from_this(), tableName);
}

Value Book::Setting(std::string_view name) const
{
    auto it = settings_.find(Lower(name));
    if (it == settings_.end()) return Value();
    return Value(it->second);
}

SourceInfo Book::Describe(const std::string& sourceName)
{
    if (!sourceName.empty() && sourceName[0] == '#') return DescribeTemporaryTable(sourceName);
    std::lock_guard lock(sourcesMutex_);
    std::string key = Lower(sourceName);
    if (auto it = sources_.find(key); it != sources_.end()) return it->second;
    SourceInfo info;
    info.name = Data::Connection::SpelledName(key);
    auto columns = connection_->QueryPostgres(kRelationColumns, {Value(key)});
    if (!columns.rows.empty()) {
        for (const auto& row : columns.rows) {
            std::string name = Data::Connection::SpelledName(row[0].ToText());
            info.columns.push_back({name, TypeCodeOf(row[1].ToText(), name)});
        }
    } else {
        auto arguments = connection_->QueryPostgres(kFunctionArguments, {Value(key)});
        if (arguments.rows.empty()) throw ValueError("The database has no table or data source '" + sourceName + "'");
        info.isFunction = true;
        for (const auto& row : arguments.rows) {
            std::string name = Data::Connection::SpelledName(row[0].ToText());
            std::string mode = row[1].ToText();
            SourceColumn column{name, TypeCodeOf(row[2].ToText(), name)};
            if (mode == "t" || mode == "o")
                info.columns.push_back(column);
            else
                info.params.push_back(column);
        }
    }
    return sources_.emplace(key, std::move(info)).first->second;
}

SourceInfo Book::DescribeTemporaryTable(const std::string& tableName)
{
    // The name goes into the lists' statements as it stands: it must be one the T-SQL
    // front end reads as a temporary table and nothing else.
    if (!Data::TSql::IsTemporaryTableName(tableName))
        throw ValueError("'" + tableName +
                         "' is not a temporary table name: '#' and then only letters, digits and '_'");
    // The front end folds the name to lower case, as it does every name.
    auto columns = connection_->QueryPostgres(kTemporaryTableColumns, {Value(Lower(tableName))});
    if (columns.rows.empty()) throw ValueError("The session has no temporary table '" + tableName + "'");
    SourceInfo info;
    info.name = tableName;
    for (const auto& row : columns.rows) {
        std::string name = Data::Connection::SpelledName(row[0].ToText());
        info.columns.push_back({name, TypeCodeOf(row[1].ToText(), name)});
    }
    return info;
}

} // namespace Talvex
