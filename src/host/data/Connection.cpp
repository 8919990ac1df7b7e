#include "host/data/Connection.hpp"
#include "host/data/ConnectString.hpp"

#include "host/data/tsql/Reparse.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/types/Errors.hpp"

#include <libpq-fe.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <optional>

namespace Talvex::Data {
namespace {

// Server type oids (pg_type.h).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kText = 25, kFloat4 = 700, kFloat8 = 701,
              kBpchar = 1042, kVarchar = 1043, kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184, kNumeric = 1700;

ColumnKind KindOf(Oid type)
{
    switch (type) {
    case kBool: return ColumnKind::Boolean;
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid: return ColumnKind::Integer;
    case kNumeric: return ColumnKind::Decimal;
    case kFloat4:
    case kFloat8: return ColumnKind::Double;
    case kText:
    case kBpchar:
    case kVarchar: return ColumnKind::Text;
    case kDate: return ColumnKind::Date;
    case kTimestamp:
    case kTimestampTz: return ColumnKind::Timestamp;
    default: return ColumnKind::Other;
    }
}

Value ToValue(ColumnKind kind, const char* text, int length)
{
    std::string_view s(text, static_cast<std::size_t>(length));
    switch (kind) {
    case ColumnKind::Boolean: return Value(s == "t");
    case ColumnKind::Integer: {
        std::int64_t i = 0;
        std::from_chars(s.data(), s.data() + s.size(), i);
        return Value(i);
    }
    case ColumnKind::Decimal: {
        Currency c;
        if (Currency::ParseExact(s, c)) return Value(c);
        double d = 0;
        std::from_chars(s.data(), s.data() + s.size(), d);
        return Value(d);
    }
    case ColumnKind::Double: {
        double d = 0;
        std::from_chars(s.data(), s.data() + s.size(), d);
        return Value(d);
    }
    case ColumnKind::Date: {
        Date d;
        if (Date::TryParse(s, d)) return Value(d);
        return Value(std::string(s));
    }
    case ColumnKind::Timestamp: {
        Date d;
        if (s.size() >= 19 && s.substr(10, 9) == " 00:00:00" && s.size() == 19 && Date::TryParse(s, d)) return Value(d);
        return Value(std::string(s));
    }
    default: return Value(std::string(s));
    }
}

std::string OneLine(std::string message)
{
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    std::replace(message.begin(), message.end(), '\n', ' ');
    return message;
}

std::optional<std::string> ParamText(const Value& v)
{
    if (v.IsNull() || v.IsEmpty()) return std::nullopt;
    if (auto b = std::get_if<bool>(&v.Raw())) return std::string(*b ? "1" : "0");
    return v.ToText();
}

std::atomic<Connection::NameSpelling> nameSpelling{nullptr};

void IgnoreNotice(void*, const char*) {}

} // namespace

void Connection::SetNameSpelling(NameSpelling spelling)
{
    nameSpelling.store(spelling);
}

std::string Connection::SpelledName(std::string_view serverName)
{
    if (auto spelling = nameSpelling.load()) return spelling(serverName);
    return std::string(serverName);
}

int ResultSet::ColumnIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string& c = columns[i].name;
        if (c.size() == name.size() && std::equal(c.begin(), c.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return static_cast<int>(i);
    }
    return -1;
}

struct Connection::Impl {
    PGconn* conn = nullptr;
    std::string connectString;
    int transactionDepth = 0;
    bool copying = false;

    ~Impl()
    {
        if (conn) PQfinish(conn);
    }

    [[noreturn]] void Fail(PGresult* result, std::string_view what)
    {
        std::string message = result ? PQresultErrorMessage(result) : PQerrorMessage(conn);
        if (result) PQclear(result);
        throw DatabaseError(OneLine(std::string(what) + ": " + message));
    }

    static std::vector<Column> Columns(PGresult* result, const std::vector<std::string>& names)
    {
        std::vector<Column> columns;
        int fields = PQnfields(result);
        for (int f = 0; f < fields; ++f) {
            Column c;
            std::size_t fi = static_cast<std::size_t>(f);
            if (fi < names.size() && !names[fi].empty())
                c.name = names[fi];
            else
                c.name = SpelledName(PQfname(result, f));
            c.kind = KindOf(PQftype(result, f));
            columns.push_back(std::move(c));
        }
        return columns;
    }

    static std::vector<Value> RowValues(PGresult* result, int r, const std::vector<Column>& columns)
    {
        std::vector<Value> row;
        row.reserve(columns.size());
        for (std::size_t f = 0; f < columns.size(); ++f) {
            const int field = static_cast<int>(f);
            if (PQgetisnull(result, r, field))
                row.emplace_back(Null{});
            else
                row.push_back(ToValue(columns[f].kind, PQgetvalue(result, r, field), PQgetlength(result, r, field)));
        }
        return row;
    }

    // One statement in single-row mode: each row is converted and handed on while the server
    // is still sending the next, so neither libpq nor this layer holds the whole result.
    void RunEach(const std::string& sql, const std::vector<Value>& params, const std::vector<std::string>& names,
                 const ColumnsReader& onColumns, const RowReader& onRow)
    {
        std::vector<std::optional<std::string>> texts;
        texts.reserve(params.size());
        for (const Value& p : params)
            texts.push_back(ParamText(p));
        std::vector<const char*> pointers;
        for (auto& t : texts)
            pointers.push_back(t ? t->c_str() : nullptr);
        if (!PQsendQueryParams(conn, sql.c_str(), static_cast<int>(params.size()), nullptr, pointers.data(), nullptr,
                               nullptr, 0))
            Fail(nullptr, "The database refused the statement");
        PQsetSingleRowMode(conn);
        // Whatever happens to a row, the connection is left with no result pending.
        struct Drain {
            PGconn* conn;
            ~Drain()
            {
                while (PGresult* rest = PQgetResult(conn))
                    PQclear(rest);
            }
        } drain{conn};
        bool columnsGiven = false;
        std::vector<Column> columns;
        while (PGresult* result = PQgetResult(conn)) {
            std::unique_ptr<PGresult, void (*)(PGresult*)> owned(result, PQclear);
            ExecStatusType status = PQresultStatus(result);
            if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
                Fail(owned.release(), "The database refused the statement");
            if (!columnsGiven) {
                columns = Columns(result, names);
                onColumns(columns);
                columnsGiven = true;
            }
            if (status == PGRES_SINGLE_TUPLE) onRow(RowValues(result, 0, columns));
        }
        if (!columnsGiven) onColumns(columns);
    }

    ResultSet Run(const std::string& sql, const std::vector<Value>& params, const std::vector<std::string>& names)
    {
        std::vector<std::optional<std::string>> texts;
        texts.reserve(params.size());
        for (const Value& p : params)
            texts.push_back(ParamText(p));
        std::vector<const char*> pointers;
        for (auto& t : texts)
            pointers.push_back(t ? t->c_str() : nullptr);
        PGresult* result = nullptr;
        if (params.empty())
            result = PQexec(conn, sql.c_str());
        else
            result = PQexecParams(conn, sql.c_str(), static_cast<int>(params.size()), nullptr, pointers.data(), nullptr,
                                  nullptr, 0);
        ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY)
            Fail(result, "The database refused the statement");
        ResultSet rs;
        rs.columns = Columns(result, names);
        int rows = PQntuples(result);
        rs.rows.reserve(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
            rs.rows.push_back(RowValues(result, r, rs.columns));
        const char* affected = PQcmdTuples(result);
        if (affected && *affected)
            std::from_chars(affected, affected + std::char_traits<char>::length(affected), rs.affectedRows);
        PQclear(result);
        return rs;
    }
};

Connection::Connection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Connection::Connection(Connection&&) noexcept = default;
Connection& Connection::operator=(Connection&&) noexcept = default;
Connection::~Connection() = default;

Connection Connection::Open(const std::string& connectString)
{
    auto impl = std::make_unique<Impl>();
    impl->connectString = connectString;
    impl->conn = PQconnectdb(connectString.c_str());
    if (PQstatus(impl->conn) != CONNECTION_OK)
        throw ConnectionError(OneLine("Cannot connect to the database (" + MaskPassword(connectString) +
                                      "): " + PQerrorMessage(impl->conn)));
    PQsetClientEncoding(impl->conn, "UTF8");
    // Server notices (a SET outside a transaction, say) are not errors and must not reach
    // the output of a report.
    PQsetNoticeProcessor(impl->conn, IgnoreNotice, nullptr);
    Connection c(std::move(impl));
    // T-SQL's date literals are ISO; money and dates are read back in the invariant form.
    // The host's lists are built of many joins (a document, its lines, its parties, their
    // addresses, the rate of the day...) and filtered by computed columns whose selectivity
    // the planner cannot see. With the default collapse limit of 8 the planner keeps the
    // joins in the order they are written beyond that, and a wrong row estimate then leaves
    // a nested loop over whole tables (a drill-down of 98 s instead of 5 s); it must be free
    // to order all of them. JIT compilation does not pay off for these statements: their
    // correlated sub-selects inflate the cost estimates past the JIT thresholds, and the
    // compilation alone cost seconds on each read of a big list.
    c.ExecutePostgresScript("SET datestyle = 'ISO, YMD'; SET client_min_messages = warning; "
                            "SET search_path = public, tsql; SET jit = off; "
                            "SET from_collapse_limit = 20; SET join_collapse_limit = 20");
    return c;
}

ResultSet Connection::Query(std::string_view tsql, const std::vector<Value>& params)
{
    TSql::Translation t = TSql::Translate(tsql);
    if (TSql::ReparseCheckEnabled()) TSql::CheckReparse(tsql);
    if (static_cast<std::size_t>(t.parameterCount) != params.size())
        throw ValueError("The statement takes " + std::to_string(t.parameterCount) + " parameters, " +
                         std::to_string(params.size()) + " were given");
    if (params.empty() || t.statements.size() <= 1) return impl_->Run(t.postgres, params, t.columnNames);
    // PostgreSQL takes parameters only with a single statement: a batch runs statement by
    // statement, each with its own slice of the parameters; the rows are the last
    // row-returning statement's, the count of affected rows the last statement's.
    ResultSet result;
    bool haveRows = false;
    std::int64_t affected = 0;
    for (const auto& statement : t.statements) {
        auto first = params.begin() + statement.firstParameter;
        std::vector<Value> slice(first, first + statement.parameterCount);
        bool last = &statement == &t.statements.back();
        ResultSet rs =
            impl_->Run(statement.postgres, slice, statement.returnsRows ? t.columnNames : std::vector<std::string>{});
        affected = rs.affectedRows;
        if (statement.returnsRows) {
            result = std::move(rs);
            haveRows = true;
        } else if (last && !haveRows) {
            result = std::move(rs);
        }
    }
    result.affectedRows = affected;
    return result;
}

void Connection::QueryEach(std::string_view tsql, const std::vector<Value>& params, const ColumnsReader& columns,
                           const RowReader& row)
{
    TSql::Translation t = TSql::Translate(tsql);
    if (TSql::ReparseCheckEnabled()) TSql::CheckReparse(tsql);
    if (static_cast<std::size_t>(t.parameterCount) != params.size())
        throw ValueError("The statement takes " + std::to_string(t.parameterCount) + " parameters, " +
                         std::to_string(params.size()) + " were given");
    if (t.statements.size() == 1 && t.returnsRows) {
        impl_->RunEach(t.postgres, params, t.columnNames, columns, row);
        return;
    }
    // A batch (a table filled, then read) runs as Query runs it; its rows are handed on all the same.
    ResultSet result = Query(tsql, params);
    columns(result.columns);
    for (auto& values : result.rows)
        row(std::move(values));
}

std::int64_t Connection::Execute(std::string_view tsql, const std::vector<Value>& params)
{
    return Query(tsql, params).affectedRows;
}

ResultSet Connection::QueryPostgres(std::string_view sql, const std::vector<Value>& params)
{
    return impl_->Run(std::string(sql), params, {});
}

void Connection::ExecutePostgresScript(std::string_view sql)
{
    impl_->Run(std::string(sql), {}, {});
}

bool Connection::InTransaction() const
{
    return impl_->transactionDepth > 0;
}
const std::string& Connection::ConnectString() const
{
    return impl_->connectString;
}

CopyWriter Connection::BeginCopy(const std::string& table, const std::vector<std::string>& columns)
{
    std::string sql = "COPY " + table + " (";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + columns[i];
    sql += ") FROM STDIN";
    PGresult* result = PQexec(impl_->conn, sql.c_str());
    if (PQresultStatus(result) != PGRES_COPY_IN) impl_->Fail(result, "Cannot load " + table);
    PQclear(result);
    impl_->copying = true;
    return CopyWriter(*this);
}

Transaction::Transaction(Connection& connection) : connection_(connection), depth_(connection.impl_->transactionDepth)
{
    if (depth_ == 0)
        connection_.ExecutePostgresScript("BEGIN ISOLATION LEVEL REPEATABLE READ");
    else
        connection_.ExecutePostgresScript("SAVEPOINT talvex_" + std::to_string(depth_));
    ++connection_.impl_->transactionDepth;
}

Transaction::~Transaction()
{
    if (!open_) return;
    try {
        Rollback();
    } catch (...) {
        // A broken connection has rolled back on the server already.
    }
}

void Transaction::Commit()
{
    if (!open_) throw DatabaseError("The transaction is already finished");
    open_ = false;
    --connection_.impl_->transactionDepth;
    if (depth_ == 0)
        connection_.ExecutePostgresScript("COMMIT");
    else
        connection_.ExecutePostgresScript("RELEASE SAVEPOINT talvex_" + std::to_string(depth_));
}

void Transaction::Rollback()
{
    if (!open_) return;
    open_ = false;
    --connection_.impl_->transactionDepth;
    if (depth_ == 0)
        connection_.ExecutePostgresScript("ROLLBACK");
    else
        connection_.ExecutePostgresScript("ROLLBACK TO SAVEPOINT talvex_" + std::to_string(depth_) +
                                          "; RELEASE SAVEPOINT talvex_" + std::to_string(depth_));
}

CopyWriter::CopyWriter(Connection& c) : connection_(&c)
{
    buffer_.reserve(1 << 20);
}
CopyWriter::CopyWriter(CopyWriter&& other) noexcept
    : connection_(other.connection_), buffer_(std::move(other.buffer_)), rowStarted_(other.rowStarted_),
      finished_(other.finished_)
{
    other.finished_ = true;
}

CopyWriter::~CopyWriter()
{
    if (finished_ || !connection_) return;
    PGconn* conn = connection_->impl_->conn;
    PQputCopyEnd(conn, "load abandoned");
    while (PGresult* r = PQgetResult(conn))
        PQclear(r);
    connection_->impl_->copying = false;
}

CopyWriter& CopyWriter::Add(std::string_view text)
{
    if (rowStarted_) buffer_ += '\t';
    rowStarted_ = true;
    for (char ch : text) {
        switch (ch) {
        case '\\': buffer_ += "\\\\"; break;
        case '\t': buffer_ += "\\t"; break;
        case '\n': buffer_ += "\\n"; break;
        case '\r': buffer_ += "\\r"; break;
        default: buffer_ += ch;
        }
    }
    return *this;
}

CopyWriter& CopyWriter::AddNull()
{
    if (rowStarted_) buffer_ += '\t';
    rowStarted_ = true;
    buffer_ += "\\N";
    return *this;
}

CopyWriter& CopyWriter::Add(const Value& v)
{
    if (v.IsNull() || v.IsEmpty()) return AddNull();
    if (auto b = std::get_if<bool>(&v.Raw())) return Add(std::string_view(*b ? "1" : "0"));
    return Add(std::string_view(v.ToText()));
}

CopyWriter& CopyWriter::Add(std::int64_t i)
{
    return Add(std::string_view(std::to_string(i)));
}
CopyWriter& CopyWriter::Add(Currency c)
{
    return Add(std::string_view(c.ToString()));
}
CopyWriter& CopyWriter::Add(Date d)
{
    return Add(std::string_view(d.ToIso()));
}

void CopyWriter::EndRow()
{
    buffer_ += '\n';
    rowStarted_ = false;
    if (buffer_.size() > (1 << 20) - 4096) Flush();
}

void CopyWriter::Flush()
{
    if (buffer_.empty()) return;
    PGconn* conn = connection_->impl_->conn;
    if (PQputCopyData(conn, buffer_.data(), static_cast<int>(buffer_.size())) != 1)
        throw DatabaseError(OneLine(std::string("Bulk load failed: ") + PQerrorMessage(conn)));
    buffer_.clear();
}

void CopyWriter::Finish()
{
    Flush();
    finished_ = true;
    PGconn* conn = connection_->impl_->conn;
    connection_->impl_->copying = false;
    if (PQputCopyEnd(conn, nullptr) != 1)
        throw DatabaseError(OneLine(std::string("Bulk load failed: ") + PQerrorMessage(conn)));
    std::string error;
    while (PGresult* r = PQgetResult(conn)) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK) error = PQresultErrorMessage(r);
        PQclear(r);
    }
    if (!error.empty()) throw DatabaseError(OneLine("Bulk load failed: " + error));
}

} // namespace Talvex::Data
