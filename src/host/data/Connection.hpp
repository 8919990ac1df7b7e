#pragma once

#include "host/types/Value.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class StopSignal;
}

namespace Talvex::Data {
namespace TSql {
struct Translation;
}

enum class ColumnKind { Boolean, Integer, Decimal, Double, Text, Date, Timestamp, Other };

// A field of a row as the server writes it: its text, or null.
struct FieldText {
    std::string_view text;
    bool isNull = false;
};

// The value of a field of the kind from its text as the server writes it.
Value ValueOfText(ColumnKind kind, std::string_view text);

struct Column {
    std::string name; // as the statement spells it where known, else as the server returns it
    ColumnKind kind = ColumnKind::Other;
    int declaredScale = -1; // decimals of a NUMERIC(p, s) column; -1 when the server does not say
};

// Rows of one statement, read whole. Values carry the ERP's kinds: a NUMERIC column comes
// back as Currency when every value of it is exact in four decimals and it is not declared
// with other than four decimals, else as Decimal values with the server's scale; never as a
// double.
struct ResultSet {
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
    std::int64_t affectedRows = 0;

    // Index of the column named so, ignoring case; -1 when absent.
    int ColumnIndex(std::string_view name) const;
};

// Whether a NUMERIC column is one that comes back as money when all its values are amounts:
// it is not declared with other than four decimals.
bool MaySettleAsMoney(const Column& column);
// Turns each such column of whole rows into money when every value of it is exactly an
// amount; the other decimal columns keep their Decimal values. Values already money stay so.
void SettleDecimalColumns(const std::vector<Column>& columns, std::vector<std::vector<Value>>& rows);

class CopyWriter;

// One session with the ERP database. Statements are T-SQL and pass the front end; the
// PostgreSQL entry points serve only the host's own schema installation and bulk loads.
// Move-only: a connection is one server session.
class Connection {
public:
    // Opens a libpq connection string or URI; throws DatabaseError with a one-line reason.
    static Connection Open(const std::string& connectString);
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;
    ~Connection();

    // A T-SQL batch; "?" placeholders take params in order. The rows of its last
    // row-returning statement.
    ResultSet Query(std::string_view tsql, const std::vector<Value>& params = {});
    std::int64_t Execute(std::string_view tsql, const std::vector<Value>& params = {});
    // The rows of a T-SQL batch handed over one at a time as the server sends them, none kept
    // here: a big list is then held once, by its reader. `columns` is called once, before
    // the first row (also when there is none). Whether a NUMERIC column is money is known
    // only after its last row, so its values may come as Decimal: the reader settles them
    // as Query does (MaySettleAsMoney; RecordsetBuilder does it). The stop signal cancels
    // the statement between rows and while the server is silent, as it cancels a Query.
    using ColumnsReader = std::function<void(const std::vector<Column>&)>;
    using RowReader = std::function<void(std::vector<Value>&&)>;
    // A reader that takes a row as its fields' texts, as the server writes them (ValueOfText
    // reads one), valid during the call only: given beside the RowReader, it gets the rows of
    // a single statement without parameters, which then need no Value made for a text the
    // reader already holds.
    using TextRowReader = std::function<void(const std::vector<FieldText>&)>;
    void QueryEach(std::string_view tsql, const std::vector<Value>& params, const ColumnsReader& columns,
                   const RowReader& row, const TextRowReader& textRow = nullptr);

    // The rows of a list given as parts that together make it (a period in halves, say), each
    // a single statement without parameters with the same columns: the first part's rows as
    // the server sends them, then each further part's. The further parts are read at once by
    // sessions of their own, on threads of their own, so that the server works on all of them
    // with every core it has; all parts see the database as it stood when the first began.
    // Inside a unit of work, or over a temporary table of this session, which other sessions
    // cannot see, the parts are read here one after another; so too when the process's
    // allowance of such sessions (SetPartSessionLimit) is spent. A stop cancels all of them.
    void QueryEachInParts(const std::vector<std::string>& parts, const ColumnsReader& columns, const RowReader& row,
                          const TextRowReader& textRow = nullptr);

    // How many sessions of their own the further parts of lists read at once may hold in this
    // process together (4 unless set), in use or kept open between reads for the next (a new
    // session must first learn the schema, which a big list's planning then pays for). The
    // web server takes them out of its share of the database's connections.
    static void SetPartSessionLimit(std::size_t sessions);

    ResultSet QueryPostgres(std::string_view sql, const std::vector<Value>& params = {});
    void ExecutePostgresScript(std::string_view sql); // several statements, no parameters

    // Bulk load through COPY; rows are written field by field.
    CopyWriter BeginCopy(const std::string& table, const std::vector<std::string>& columns);

    bool InTransaction() const;

    // Statements look at the signal before they start and while they run: a stop cancels
    // the running statement on the server and throws CancelledError. Rolling back is never
    // interrupted. Without a signal, statements run to their end.
    void SetStopSignal(std::shared_ptr<const StopSignal> signal);

    // How result columns the statement does not name itself are spelt: the server returns
    // "doctypecode", the schema spells "DocTypeCode". Set once by the host; may be empty.
    using NameSpelling = std::string (*)(std::string_view serverName);
    static void SetNameSpelling(NameSpelling spelling);
    // The host's spelling of a name the server returns; the name itself when none is set.
    static std::string SpelledName(std::string_view serverName);
    const std::string& ConnectString() const;

private:
    friend class Transaction;
    friend class CopyWriter;
    struct Impl;
    struct PartSessions;
    // QueryEach of a statement the front end has translated already.
    void EachOfTranslated(const TSql::Translation& translation, std::string_view tsql,
                          const std::vector<Value>& params, const ColumnsReader& columns, const RowReader& row,
                          const TextRowReader& textRow);
    explicit Connection(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// One unit of work: rolls back in its destructor unless committed. Nested guards become
// savepoints, so an inner failure undoes only its own part.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    void Commit();
    void Rollback();
    Connection& Db() { return connection_; }

private:
    Connection& connection_;
    int depth_;
    bool open_ = true;
};

// Rows for COPY FROM STDIN, written in the text format; Finish sends them.
class CopyWriter {
public:
    CopyWriter(CopyWriter&&) noexcept;
    ~CopyWriter();
    CopyWriter& Add(const Value& v);
    CopyWriter& AddNull();
    CopyWriter& Add(std::string_view text);
    CopyWriter& Add(std::int64_t i);
    CopyWriter& Add(Currency c);
    CopyWriter& Add(Date d);
    void EndRow();
    void Finish();

private:
    friend class Connection;
    explicit CopyWriter(Connection& c);
    void Flush();
    Connection* connection_;
    std::string buffer_;
    bool rowStarted_ = false;
    bool finished_ = false;
};

} // namespace Talvex::Data
