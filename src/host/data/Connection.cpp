#include "host/data/Connection.hpp"
#include "host/data/ConnectString.hpp"

#include "host/data/tsql/Reparse.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/types/Errors.hpp"
#include "host/types/StopSignal.hpp"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace Talvex::Data {
namespace {

// Server type oids (pg_type.h).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kText = 25, kFloat4 = 700, kFloat8 = 701,
              kBpchar = 1042, kVarchar = 1043, kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184, kNumeric = 1700;

// NUMERIC(p, s) is told in a result's metadata as ((p << 16) | s) + 4; -1 when undeclared.
constexpr int kNumericTypmodOffset = 4;

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
    return ValueOfText(kind, std::string_view(text, static_cast<std::size_t>(length)));
}

} // namespace

Value ValueOfText(ColumnKind kind, std::string_view s)
{
    switch (kind) {
    case ColumnKind::Boolean: return Value(s == "t");
    case ColumnKind::Integer: {
        std::int64_t i = 0;
        std::from_chars(s.data(), s.data() + s.size(), i);
        return Value(i);
    }
    case ColumnKind::Decimal: {
        Decimal d;
        if (!Decimal::TryParse(s, d))
            throw DatabaseError("The database returned " + std::string(s) + ", beyond the range of a decimal");
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

namespace {

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

// A NUMERIC column arrives as money when every value of it is an amount exactly (money
// columns, sums of them, money arithmetic), else as exact decimals with the server's scale:
// one kind per column, so that a column sorts, filters and shows alike in every row. A
// column declared with other than four decimals (a rate, a decimal product or quotient)
// stays decimal, its scale shown as SQL Server shows it.
bool MaySettleAsMoney(const Column& column)
{
    return column.kind == ColumnKind::Decimal && (column.declaredScale == -1 || column.declaredScale == 4);
}

void SettleDecimalColumns(const std::vector<Column>& columns, std::vector<std::vector<Value>>& rows)
{
    for (std::size_t column = 0; column < columns.size(); ++column) {
        if (!MaySettleAsMoney(columns[column])) continue;
        const bool allAmounts = std::all_of(rows.begin(), rows.end(), [column](const std::vector<Value>& row) {
            const auto* d = std::get_if<Decimal>(&row[column].Raw());
            return !d || d->ExactCurrency().has_value();
        });
        if (!allAmounts) continue;
        for (auto& row : rows)
            if (const auto* d = std::get_if<Decimal>(&row[column].Raw())) row[column] = *d->ExactCurrency();
    }
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

namespace {

// The lines of a part of a list that another session reads, handed from its thread to the
// session's own in chunks, so that neither waits on the other line by line. Bounded: a
// reader far ahead waits until the chunks before are taken.
class LineQueue {
public:
    enum class Taken { Chunk, Done, Waiting };

    // The reading thread's side.
    void Add(std::string_view line)
    {
        current_.append(line);
        if (current_.size() >= kChunkBytes) Hand();
    }
    void Finish(std::exception_ptr error)
    {
        if (!error) Hand();
        std::lock_guard lock(mutex_);
        done_ = true;
        error_ = std::move(error);
        ready_.notify_all();
    }

    // The session's side: the next chunk; Done at the end (the reader's error thrown then);
    // Waiting when none came within the wait, so that the caller can look at its stop.
    Taken Next(std::string& chunk, std::chrono::milliseconds wait)
    {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, wait, [&] { return !chunks_.empty() || done_; })) return Taken::Waiting;
        if (!chunks_.empty()) {
            chunk = std::move(chunks_.front());
            chunks_.pop_front();
            bytes_ -= chunk.size();
            room_.notify_all();
            return Taken::Chunk;
        }
        if (error_) std::rethrow_exception(error_);
        return Taken::Done;
    }
    // Nothing more is taken: a reader waiting for room goes on (and is stopped otherwise).
    void Abandon()
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        room_.notify_all();
    }
    std::exception_ptr Error() const
    {
        std::lock_guard lock(mutex_);
        return error_;
    }

private:
    static constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
    // About a million rows of a wide list waiting as text; the recordset they go into holds more.
    static constexpr std::size_t kMaxWaitingBytes = std::size_t{1} << 30;

    void Hand()
    {
        if (current_.empty()) return;
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return bytes_ < kMaxWaitingBytes || abandoned_; });
        if (abandoned_) {
            current_.clear();
            return;
        }
        bytes_ += current_.size();
        chunks_.push_back(std::move(current_));
        current_ = std::string();
        current_.reserve(kChunkBytes + 4096);
        ready_.notify_all();
    }

    std::string current_;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::string> chunks_;
    std::size_t bytes_ = 0;
    bool done_ = false;
    bool abandoned_ = false;
    std::exception_ptr error_;
};

// Whether a snapshot's name as the server exports it ("00000003-0000001B-1") can stand in a
// statement as it is.
bool IsSnapshotName(std::string_view name)
{
    return !name.empty() && name.size() < 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) || c == '-';
    });
}

// The session's own tables a statement reads, as the server knows them ("#pricelistfolders3"),
// each once; nullopt when a quoted name there begins with "#" and is not one.
std::optional<std::vector<std::string>> SessionTablesIn(std::string_view sql)
{
    std::vector<std::string> tables;
    for (std::size_t at = sql.find("\"#"); at != std::string_view::npos; at = sql.find("\"#", at + 1)) {
        const std::size_t end = sql.find('"', at + 1);
        if (end == std::string_view::npos) return std::nullopt;
        std::string name(sql.substr(at + 1, end - at - 1));
        if (!TSql::IsTemporaryTableName(name)) return std::nullopt;
        if (std::find(tables.begin(), tables.end(), name) == tables.end()) tables.push_back(std::move(name));
    }
    return tables;
}

} // namespace

// The sessions further parts of lists may hold in this process, in use or kept for the next
// read, and those kept, each with the database it is a session of.
struct KeptPartSession {
    std::string connectString;
    std::unique_ptr<Connection> session;
};
std::mutex partSessionsMutex;
std::size_t partSessionLimit = 4;
std::size_t partSessionsHeld = 0;
std::vector<KeptPartSession> keptPartSessions;

// The biggest temporary table of a session copied to the others that read a list in parts
// with it: a report's small working tables, not a copy of a list.
constexpr std::int64_t kMaxCopiedTableBytes = std::int64_t{32} << 20;

// How often a statement that is still running looks whether it should stop: a person who
// cancels sees the report end within this and the server's answer to the cancel.
constexpr int kStopPollMillis = 100;

struct Connection::Impl {
    PGconn* conn = nullptr;
    std::string connectString;
    int transactionDepth = 0;
    bool copying = false;
    std::shared_ptr<const StopSignal> stop;

    // Sends the statement and waits for its answer, cancelling it on the server when the
    // stop signal is raised meanwhile. As PQexec: the last result, or the first error.
    PGresult* Exec(const char* sql, const std::vector<const char*>& params, bool interruptible)
    {
        const StopSignal* signal = interruptible ? stop.get() : nullptr;
        if (signal) signal->ThrowIfRequested();
        const int sent = params.empty() ? PQsendQuery(conn, sql)
                                        : PQsendQueryParams(conn, sql, static_cast<int>(params.size()), nullptr,
                                                            params.data(), nullptr, nullptr, 0);
        if (!sent) return nullptr;
        bool cancelSent = false;
        while (PQisBusy(conn)) {
            pollfd socket{PQsocket(conn), POLLIN, 0};
            ::poll(&socket, 1, signal ? kStopPollMillis : -1);
            if (signal && !cancelSent && signal->Requested()) {
                SendCancel();
                cancelSent = true;
            }
            if (!PQconsumeInput(conn)) break;
        }
        PGresult* last = nullptr;
        PGresult* error = nullptr;
        while (PGresult* r = PQgetResult(conn)) {
            const ExecStatusType status = PQresultStatus(r);
            if (!error && status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY) {
                error = r;
                continue;
            }
            if (last) PQclear(last);
            last = r;
        }
        if (error) {
            if (last) PQclear(last);
            if (cancelSent) {
                PQclear(error);
                signal->ThrowIfRequested();
                throw CancelledError(kCancelledText);
            }
            return error;
        }
        return last;
    }

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
            if (c.kind == ColumnKind::Decimal && PQfmod(result, f) >= kNumericTypmodOffset)
                c.declaredScale = (PQfmod(result, f) - kNumericTypmodOffset) & 0xffff;
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

    // Waits until the next result can be taken without blocking, cancelling the statement on
    // the server once the stop signal is raised. False when the connection broke meanwhile.
    bool AwaitResult(const StopSignal* signal, bool& cancelSent)
    {
        const auto cancelOnStop = [&] {
            if (!signal || cancelSent || !signal->Requested()) return;
            SendCancel();
            cancelSent = true;
        };
        // Rows that arrive faster than they are read never leave the socket waiting, so a
        // stop is looked at before each one as well.
        cancelOnStop();
        while (PQisBusy(conn)) {
            pollfd socket{PQsocket(conn), POLLIN, 0};
            ::poll(&socket, 1, signal ? kStopPollMillis : -1);
            cancelOnStop();
            if (!PQconsumeInput(conn)) return false;
        }
        return true;
    }

    // One statement with parameters in single-row mode: each row is converted and handed on
    // while the server is still sending the next, so neither libpq nor this layer holds the
    // whole result. A stop cancels it on the server as it cancels a statement read whole.
    void RunEach(const std::string& sql, const std::vector<Value>& params, const std::vector<std::string>& names,
                 const ColumnsReader& onColumns, const RowReader& onRow)
    {
        const StopSignal* signal = stop.get();
        if (signal) signal->ThrowIfRequested();
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
        bool cancelSent = false;
        // Whatever happens to a row, the connection is left with no result pending; a reader
        // that gives up leaves the rest of the rows to be read past here.
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
        for (;;) {
            if (!AwaitResult(signal, cancelSent)) Fail(nullptr, "The database connection broke");
            PGresult* result = PQgetResult(conn);
            if (!result) break;
            std::unique_ptr<PGresult, void (*)(PGresult*)> owned(result, PQclear);
            ExecStatusType status = PQresultStatus(result);
            if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
                if (cancelSent) {
                    signal->ThrowIfRequested();
                    throw CancelledError(kCancelledText);
                }
                Fail(owned.release(), "The database refused the statement");
            }
            if (cancelSent) continue; // the rest of an answer no one waits for any more
            if (!columnsGiven) {
                columns = Columns(result, names);
                onColumns(columns);
                columnsGiven = true;
            }
            if (status == PGRES_SINGLE_TUPLE) onRow(RowValues(result, 0, columns));
        }
        if (cancelSent) {
            signal->ThrowIfRequested();
            throw CancelledError(kCancelledText);
        }
        if (!columnsGiven) onColumns(columns);
    }

    // The columns of a statement, from the statement described beforehand, without running it.
    std::vector<Column> Describe(const std::string& sql, const std::vector<std::string>& names)
    {
        PGresult* prepared = PQprepare(conn, "", sql.c_str(), 0, nullptr);
        if (PQresultStatus(prepared) != PGRES_COMMAND_OK) Fail(prepared, "The database refused the statement");
        PQclear(prepared);
        PGresult* described = PQdescribePrepared(conn, "");
        if (PQresultStatus(described) != PGRES_COMMAND_OK) Fail(described, "The database refused the statement");
        std::vector<Column> columns = Columns(described, names);
        PQclear(described);
        return columns;
    }

    // One statement without parameters, its rows streamed by COPY: the server writes them
    // in its text form, row after row, while it works the next ones out, and each arrives
    // as one line rather than as a result object of its own (which single-row mode makes and
    // frees for every row: for a year of sales lines, most of the reading). Each line goes to
    // the reader as it comes. `stopped` is looked at before each line and while the server is
    // silent: once it says so the statement is cancelled on the server, the lines already on
    // their way are read past, none handed on, and CancelledError ends the read.
    void CopyLines(const std::string& sql, const std::function<bool()>& stopped,
                   const std::function<void(std::string_view)>& onLine)
    {
        const std::string copy = "COPY (" + sql + ") TO STDOUT";
        if (!PQsendQuery(conn, copy.c_str())) Fail(nullptr, "The database refused the statement");
        // Whatever happens to a line, the connection is left with no result pending: the rest
        // of the lines of a reader that gave up are read past here.
        struct Drain {
            PGconn* conn;
            ~Drain()
            {
                char* rest = nullptr;
                while (PQgetCopyData(conn, &rest, 0) > 0)
                    PQfreemem(rest);
                while (PGresult* result = PQgetResult(conn))
                    PQclear(result);
            }
        } drain{conn};
        bool cancelSent = false;
        const auto cancelOnStop = [&] {
            if (cancelSent || !stopped()) return;
            SendCancel();
            cancelSent = true;
        };
        const auto take = [&](PGresult* result, ExecStatusType wanted) {
            if (PQresultStatus(result) == wanted) {
                PQclear(result);
                return;
            }
            if (cancelSent) {
                PQclear(result);
                throw CancelledError(kCancelledText);
            }
            Fail(result, "The database refused the statement");
        };
        cancelOnStop();
        while (PQisBusy(conn)) {
            pollfd socket{PQsocket(conn), POLLIN, 0};
            ::poll(&socket, 1, kStopPollMillis);
            cancelOnStop();
            if (!PQconsumeInput(conn)) Fail(nullptr, "The database connection broke");
        }
        take(PQgetResult(conn), PGRES_COPY_OUT);
        for (;;) {
            char* line = nullptr;
            const int length = PQgetCopyData(conn, &line, 1);
            if (length == 0) {
                pollfd socket{PQsocket(conn), POLLIN, 0};
                ::poll(&socket, 1, kStopPollMillis);
                cancelOnStop();
                if (!PQconsumeInput(conn)) Fail(nullptr, "The database connection broke");
                continue;
            }
            if (length == -1) break;
            if (length < 0) Fail(nullptr, "The database connection broke");
            std::unique_ptr<char, void (*)(void*)> owned(line, PQfreemem);
            cancelOnStop();
            if (cancelSent) continue;
            onLine(std::string_view(line, static_cast<std::size_t>(length)));
        }
        take(PQgetResult(conn), PGRES_COMMAND_OK);
    }

    // Hands on one line of COPY's text form as its fields' texts, or as values when no
    // reader of texts is given.
    struct LineReader {
        const std::vector<Column>& columns;
        const RowReader& onRow;
        const TextRowReader& onTextRow;
        std::vector<FieldText> texts = std::vector<FieldText>(columns.size());
        std::vector<std::string> unescaped = std::vector<std::string>(columns.size());

        void operator()(std::string_view line)
        {
            CopiedFields(line, texts, unescaped);
            if (onTextRow) {
                onTextRow(texts);
                return;
            }
            std::vector<Value> row;
            row.reserve(columns.size());
            for (std::size_t f = 0; f < columns.size(); ++f)
                row.push_back(texts[f].isNull ? Value(Null{}) : ValueOfText(columns[f].kind, texts[f].text));
            onRow(std::move(row));
        }
    };

    // A statement's rows by COPY, handed on as they come; a stop of the session cancels it.
    void RunEachCopied(const std::string& sql, const std::vector<std::string>& names, const ColumnsReader& onColumns,
                       const RowReader& onRow, const TextRowReader& onTextRow)
    {
        const StopSignal* signal = stop.get();
        if (signal) signal->ThrowIfRequested();
        const std::vector<Column> columns = Describe(sql, names);
        onColumns(columns);
        LineReader reader{columns, onRow, onTextRow};
        try {
            CopyLines(
                sql, [signal] { return signal && signal->Requested(); }, std::ref(reader));
        } catch (const CancelledError&) {
            if (signal) signal->ThrowIfRequested();
            throw;
        }
    }

    // Loads lines in COPY's text form into a table.
    void CopyIn(const std::string& table, std::string_view lines)
    {
        const std::string sql = "COPY " + table + " FROM STDIN";
        PGresult* started = PQexec(conn, sql.c_str());
        if (PQresultStatus(started) != PGRES_COPY_IN) Fail(started, "Cannot load " + table);
        PQclear(started);
        const bool sent = lines.empty() || PQputCopyData(conn, lines.data(), static_cast<int>(lines.size())) == 1;
        if (PQputCopyEnd(conn, sent ? nullptr : "load abandoned") != 1) Fail(nullptr, "Cannot load " + table);
        PGresult* result = PQgetResult(conn);
        if (PQresultStatus(result) != PGRES_COMMAND_OK) Fail(result, "Cannot load " + table);
        PQclear(result);
        while (PGresult* rest = PQgetResult(conn))
            PQclear(rest);
    }

    // Asks the server to cancel the statement it runs for this session.
    void SendCancel()
    {
        PGcancel* cancel = PQgetCancel(conn);
        char reason[256];
        if (cancel) PQcancel(cancel, reason, sizeof reason);
        PQfreeCancel(cancel);
    }

    // The fields of one line of COPY's text form: parted by tabs, null as \\N, and a backslash
    // before a tab, a line end, a backslash or another control character. A field with such a
    // backslash is read into its own buffer; the others stay views into the line.
    static void CopiedFields(std::string_view line, std::vector<FieldText>& fields, std::vector<std::string>& buffers)
    {
        if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
        std::size_t start = 0;
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const std::size_t tab = std::min(line.find('\t', start), line.size());
            std::string_view field = line.substr(std::min(start, line.size()), tab - std::min(start, line.size()));
            start = tab + 1;
            fields[f] = {field, field == "\\N"};
            if (fields[f].isNull || field.find('\\') == std::string_view::npos) continue;
            std::string& text = buffers[f];
            text.clear();
            for (std::size_t i = 0; i < field.size(); ++i) {
                if (field[i] != '\\' || i + 1 == field.size()) {
                    text += field[i];
                    continue;
                }
                const char next = field[++i];
                switch (next) {
                case 'b': text += '\b'; break;
                case 'f': text += '\f'; break;
                case 'n': text += '\n'; break;
                case 'r': text += '\r'; break;
                case 't': text += '\t'; break;
                case 'v': text += '\v'; break;
                default: text += next; break;
                }
            }
            fields[f].text = text;
        }
    }

    ResultSet Run(const std::string& sql, const std::vector<Value>& params, const std::vector<std::string>& names,
                  bool interruptible = true)
    {
        std::vector<std::optional<std::string>> texts;
        texts.reserve(params.size());
        for (const Value& p : params)
            texts.push_back(ParamText(p));
        std::vector<const char*> pointers;
        for (auto& t : texts)
            pointers.push_back(t ? t->c_str() : nullptr);
        PGresult* result = Exec(sql.c_str(), pointers, interruptible);
        ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY)
            Fail(result, "The database refused the statement");
        ResultSet rs;
        rs.columns = Columns(result, names);
        int rows = PQntuples(result);
        rs.rows.reserve(static_cast<std::size_t>(rows));
        try {
            for (int r = 0; r < rows; ++r)
                rs.rows.push_back(RowValues(result, r, rs.columns));
        } catch (...) {
            PQclear(result);
            throw;
        }
        SettleDecimalColumns(rs.columns, rs.rows);
        const char* affected = PQcmdTuples(result);
        if (affected && *affected)
            std::from_chars(affected, affected + std::char_traits<char>::length(affected), rs.affectedRows);
        PQclear(result);
        return rs;
    }
};

// The sessions of one read's further parts: kept ones of the same database first, new ones
// within the allowance; all that are wanted or none. Given back at the end of the read, kept
// when they are clean and the allowance still holds them, else closed.
struct Connection::PartSessions {
    std::vector<std::unique_ptr<Connection>> sessions;
    std::size_t reserved = 0; // new sessions counted in the allowance, not opened yet

    PartSessions(const std::string& connectString, std::size_t wanted)
    {
        if (wanted == 0) return;
        {
            std::lock_guard lock(partSessionsMutex);
            std::size_t kept = 0;
            for (const auto& k : keptPartSessions)
                kept += k.connectString == connectString ? 1 : 0;
            const std::size_t fresh = wanted > kept ? wanted - kept : 0;
            if (partSessionsHeld + fresh > partSessionLimit) return;
            partSessionsHeld += fresh;
            reserved = fresh;
            for (auto k = keptPartSessions.begin(); k != keptPartSessions.end() && sessions.size() < wanted;) {
                if (k->connectString != connectString) {
                    ++k;
                    continue;
                }
                sessions.push_back(std::move(k->session));
                k = keptPartSessions.erase(k);
            }
        }
        try {
            // A kept session the server ended meanwhile is opened again in its place.
            for (auto& session : sessions) {
                try {
                    session->impl_->Run("SELECT 1", {}, {}, false);
                } catch (const DatabaseError&) {
                    session = std::make_unique<Connection>(Open(connectString));
                }
            }
            for (; reserved > 0; --reserved)
                sessions.push_back(std::make_unique<Connection>(Open(connectString)));
        } catch (...) {
            Release();
            throw;
        }
    }
    PartSessions(const PartSessions&) = delete;
    PartSessions& operator=(const PartSessions&) = delete;
    ~PartSessions() { Release(); }

    bool Granted() const { return !sessions.empty(); }

    void Release() noexcept
    {
        std::vector<std::unique_ptr<Connection>> closing;
        for (auto& session : sessions) {
            // Its transaction and its copies of the tables go; a session that cannot say so
            // is closed.
            bool clean = false;
            try {
                session->impl_->Run("ROLLBACK; DISCARD TEMP", {}, {}, false);
                clean = PQstatus(session->impl_->conn) == CONNECTION_OK &&
                        PQtransactionStatus(session->impl_->conn) == PQTRANS_IDLE;
            } catch (...) {
            }
            std::lock_guard lock(partSessionsMutex);
            if (clean && partSessionsHeld <= partSessionLimit) {
                const std::string connectString = session->impl_->connectString;
                keptPartSessions.push_back({connectString, std::move(session)});
            } else {
                --partSessionsHeld;
                closing.push_back(std::move(session));
            }
        }
        sessions.clear();
        std::lock_guard lock(partSessionsMutex);
        partSessionsHeld -= reserved;
        reserved = 0;
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
                           const RowReader& row, const TextRowReader& textRow)
{
    TSql::Translation t = TSql::Translate(tsql);
    if (TSql::ReparseCheckEnabled()) TSql::CheckReparse(tsql);
    EachOfTranslated(t, tsql, params, columns, row, textRow);
}

void Connection::EachOfTranslated(const TSql::Translation& t, std::string_view tsql, const std::vector<Value>& params,
                                  const ColumnsReader& columns, const RowReader& row, const TextRowReader& textRow)
{
    if (static_cast<std::size_t>(t.parameterCount) != params.size())
        throw ValueError("The statement takes " + std::to_string(t.parameterCount) + " parameters, " +
                         std::to_string(params.size()) + " were given");
    if (t.statements.size() == 1 && t.returnsRows) {
        if (params.empty())
            impl_->RunEachCopied(t.postgres, t.columnNames, columns, row, textRow);
        else
            impl_->RunEach(t.postgres, params, t.columnNames, columns, row);
        return;
    }
    // A batch (a table filled, then read) runs as Query runs it; its rows are handed on all the same.
    ResultSet result = Query(tsql, params);
    columns(result.columns);
    for (auto& values : result.rows)
        row(std::move(values));
}

void Connection::QueryEachInParts(const std::vector<std::string>& parts, const ColumnsReader& columns,
                                  const RowReader& row, const TextRowReader& textRow)
{
    if (parts.empty()) throw ValueError("A list read in parts needs at least one part");
    std::vector<TSql::Translation> statements;
    std::vector<std::string> tables; // the session's own the parts read
    // Other sessions see no uncommitted writes of this one: inside a unit of work the parts
    // are read here one after another.
    bool together = parts.size() > 1 && !InTransaction();
    for (const std::string& part : parts) {
        TSql::Translation t = TSql::Translate(part);
        if (TSql::ReparseCheckEnabled()) TSql::CheckReparse(part);
        together = together && t.statements.size() == 1 && t.returnsRows && t.parameterCount == 0;
        if (const auto read = SessionTablesIn(t.postgres)) {
            for (const std::string& table : *read)
                if (std::find(tables.begin(), tables.end(), table) == tables.end()) tables.push_back(table);
        } else {
            together = false;
        }
        statements.push_back(std::move(t));
    }
    // The further parts' sessions come out of the process's allowance; without enough of it
    // left the parts are read one after another.
    PartSessions sides(impl_->connectString, together ? parts.size() - 1 : 0);
    together = together && sides.Granted();
    // Nor do they see its temporary tables: each gets a copy of those the parts read (a
    // report's folders or floor prices), unless one is too big to copy for a read.
    std::vector<std::string> definitions; // of each table, its columns as CREATE TABLE lists them
    for (auto table = tables.begin(); together && table != tables.end();) {
        const std::string regclass = "to_regclass('\"" + *table + "\"')";
        const ResultSet size = impl_->Run("SELECT pg_total_relation_size(" + regclass + ")", {}, {});
        if (size.rows.at(0).at(0).IsNull()) {
            table = tables.erase(table); // a text that reads like one, not a table
            continue;
        }
        if (size.rows.at(0).at(0).ToInteger() > kMaxCopiedTableBytes) {
            together = false;
            break;
        }
        const ResultSet columnsOf =
            impl_->Run("SELECT quote_ident(a.attname) || ' ' || format_type(a.atttypid, a.atttypmod) || "
                       "CASE WHEN a.attcollation <> 0 AND a.attcollation <> t.typcollation "
                       "THEN ' COLLATE ' || quote_ident(n.nspname) || '.' || quote_ident(c.collname) ELSE '' END "
                       "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
                       "LEFT JOIN pg_collation c ON c.oid = a.attcollation "
                       "LEFT JOIN pg_namespace n ON n.oid = c.collnamespace "
                       "WHERE a.attrelid = " +
                           regclass + " AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
                       {}, {});
        std::string definition;
        for (const auto& column : columnsOf.rows)
            definition += (definition.empty() ? "" : ", ") + column.at(0).ToText();
        definitions.push_back(std::move(definition));
        ++table;
    }
    std::vector<Column> first;
    const auto sameColumns = [&first](const std::vector<Column>& other) {
        const bool same = other.size() == first.size() &&
                          std::equal(other.begin(), other.end(), first.begin(),
                                     [](const Column& a, const Column& b) { return a.kind == b.kind; });
        if (!same) throw ValueError("The parts of a list differ in their columns");
    };
    if (!together) {
        bool given = false;
        for (std::size_t i = 0; i < parts.size(); ++i)
            EachOfTranslated(
                statements[i], parts[i], {},
                [&](const std::vector<Column>& c) {
                    if (given) return sameColumns(c);
                    first = c;
                    given = true;
                    columns(c);
                },
                row, textRow);
        return;
    }

    const StopSignal* signal = impl_->stop.get();
    if (signal) signal->ThrowIfRequested();
    // All parts see the database as it stood when the first began: the others take over the
    // snapshot of its transaction. Nothing is written, so it is only rolled back.
    struct Snapshot {
        Impl& own;
        bool begun = false;
        ~Snapshot()
        {
            if (!begun) return;
            try {
                own.Run("ROLLBACK", {}, {}, false);
            } catch (...) {
                // A broken connection has no transaction left.
            }
        }
    } snapshot{*impl_};
    // The tables' rows as this session sees them, copied before the snapshot is taken: rows
    // the others wrote after it they would not see in it.
    for (std::size_t t = 0; t < tables.size(); ++t) {
        std::string lines;
        impl_->CopyLines(
            "SELECT * FROM \"" + tables[t] + "\"", [signal] { return signal && signal->Requested(); },
            [&lines](std::string_view line) { lines += line; });
        for (auto& other : sides.sessions) {
            Impl& side = *other->impl_;
            const std::string name = "\"" + tables[t] + "\"";
            side.Run("CREATE TEMPORARY TABLE " + name + " (" + definitions[t] + ")", {}, {});
            side.CopyIn(name, lines);
            side.Run("ANALYZE " + name, {}, {});
        }
    }
    impl_->Run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", {}, {});
    snapshot.begun = true;
    const ResultSet exported = impl_->Run("SELECT pg_export_snapshot()", {}, {});
    const std::string name = exported.rows.at(0).at(0).ToText();
    if (!IsSnapshotName(name)) throw DatabaseError("The database named its snapshot " + name);
    for (auto& side : sides.sessions)
        side->impl_->Run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY; SET TRANSACTION SNAPSHOT '" + name + "'", {},
                         {});

    first = impl_->Describe(statements.front().postgres, statements.front().columnNames);
    columns(first);

    // Each further part is read by a session of its own on a thread of its own; its lines
    // wait in a queue until the rows before them are handed on.
    std::atomic<bool> abandon{false};
    std::atomic<bool> sideFailed{false};
    std::vector<std::unique_ptr<LineQueue>> queues;
    std::vector<std::thread> readers;
    const auto stopped = [&] { return abandon.load() || (signal && signal->Requested()); };
    struct Join {
        std::atomic<bool>& abandon;
        std::vector<std::unique_ptr<LineQueue>>& queues;
        std::vector<std::thread>& readers;
        ~Join()
        {
            abandon = true;
            for (auto& queue : queues)
                queue->Abandon();
            for (auto& reader : readers)
                reader.join();
        }
    } join{abandon, queues, readers};
    for (std::size_t i = 1; i < statements.size(); ++i) {
        queues.push_back(std::make_unique<LineQueue>());
        LineQueue& queue = *queues.back();
        Impl& side = *sides.sessions[i - 1]->impl_;
        const std::string& sql = statements[i].postgres;
        readers.emplace_back([&queue, &side, &sql, &sameColumns, &stopped, &sideFailed] {
            try {
                sameColumns(side.Describe(sql, {}));
                side.CopyLines(sql, stopped, [&queue](std::string_view line) { queue.Add(line); });
                queue.Finish(nullptr);
            } catch (...) {
                sideFailed = true;
                queue.Finish(std::current_exception());
            }
        });
    }

    const auto rethrowSideError = [&] {
        for (auto& queue : queues)
            if (auto error = queue->Error()) {
                try {
                    std::rethrow_exception(error);
                } catch (const CancelledError&) {
                    continue; // stopped because another failed
                }
            }
    };
    Impl::LineReader reader{first, row, textRow};
    try {
        impl_->CopyLines(
            statements.front().postgres, [&] { return stopped() || sideFailed.load(); }, std::ref(reader));
    } catch (const CancelledError&) {
        if (signal) signal->ThrowIfRequested();
        rethrowSideError();
        throw;
    }
    std::string chunk;
    for (auto& queue : queues) {
        for (;;) {
            const LineQueue::Taken taken = queue->Next(chunk, std::chrono::milliseconds(kStopPollMillis));
            if (taken == LineQueue::Taken::Done) break;
            if (taken == LineQueue::Taken::Waiting) {
                if (signal) signal->ThrowIfRequested();
                continue;
            }
            std::string_view lines(chunk);
            while (!lines.empty()) {
                const std::size_t end = std::min(lines.find('\n'), lines.size() - 1);
                reader(lines.substr(0, end + 1));
                lines.remove_prefix(end + 1);
            }
        }
    }
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

void Connection::SetPartSessionLimit(std::size_t sessions)
{
    std::vector<KeptPartSession> closing;
    std::lock_guard lock(partSessionsMutex);
    partSessionLimit = sessions;
    while (partSessionsHeld > partSessionLimit && !keptPartSessions.empty()) {
        closing.push_back(std::move(keptPartSessions.back()));
        keptPartSessions.pop_back();
        --partSessionsHeld;
    }
}

void Connection::SetStopSignal(std::shared_ptr<const StopSignal> signal)
{
    impl_->stop = std::move(signal);
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
    // The names as the front end spells them, so that a table it made (a session's "#Rows")
    // is the one loaded.
    std::string sql = "COPY " + TSql::PostgresName(table) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + TSql::PostgresName(columns[i]);
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
        connection_.impl_->Run("BEGIN ISOLATION LEVEL REPEATABLE READ", {}, {});
    else
        connection_.impl_->Run("SAVEPOINT talvex_" + std::to_string(depth_), {}, {});
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
    // Undoing a unit of work is never interrupted: a cancelled report must leave nothing.
    if (depth_ == 0)
        connection_.impl_->Run("ROLLBACK", {}, {}, false);
    else
        connection_.impl_->Run("ROLLBACK TO SAVEPOINT talvex_" + std::to_string(depth_) +
                                   "; RELEASE SAVEPOINT talvex_" + std::to_string(depth_),
                               {}, {}, false);
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
