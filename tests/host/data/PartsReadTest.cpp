#include "host/data/Connection.hpp"
#include "host/types/Errors.hpp"
#include "host/types/StopSignal.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <set>

// A list read as parts at once, each further part in a session of its own.
namespace Talvex::Data {
namespace {

struct Read {
    std::vector<Column> columns;
    int columnCalls = 0;
    std::vector<std::vector<std::string>> rows; // each field's text, "NULL" for a null
};

Read ReadParts(Connection& db, const std::vector<std::string>& parts, bool asTexts = true)
{
    Read read;
    const auto onRow = [&read](std::vector<Value>&& row) {
        std::vector<std::string> texts;
        for (const Value& v : row)
            texts.push_back(v.IsNull() ? "NULL" : v.ToInvariantText());
        read.rows.push_back(std::move(texts));
    };
    const auto onTexts = [&read](const std::vector<FieldText>& row) {
        std::vector<std::string> texts;
        for (const FieldText& f : row)
            texts.push_back(f.isNull ? "NULL" : std::string(f.text));
        read.rows.push_back(std::move(texts));
    };
    db.QueryEachInParts(
        parts,
        [&read](const std::vector<Column>& c) {
            read.columns = c;
            ++read.columnCalls;
        },
        onRow, asTexts ? Connection::TextRowReader(onTexts) : nullptr);
    return read;
}

// A session's working table the parts join: codes in other case and with trailing blanks,
// texts holding a tab, a line end, a backslash, a quote and a comment marker, and a null.
constexpr const char* kFolders = R"sql(
SELECT CAST('G1' AS VARCHAR(20)) AS GoodCode, CAST('F1:Food' AS VARCHAR(100)) AS Folder INTO #PartFolders;
INSERT INTO #PartFolders VALUES ('g2  ', 'F2:' + CHAR(9) + 'Tools' + CHAR(10) + 'and\parts'), ('G3', 'F3:O''Brien;--'),
    ('G4', NULL)
)sql";

constexpr const char* kLines =
    "SELECT l.N, l.GoodCode, f.Folder, pg_backend_pid() AS Pid FROM (SELECT g AS N, CASE g % 5 WHEN 0 THEN 'G1' "
    "WHEN 1 THEN 'G2' WHEN 2 THEN 'g3' WHEN 3 THEN 'G4' ELSE 'G9' END AS GoodCode FROM generate_series(1, 2000) g) l "
    "LEFT JOIN #PartFolders f ON f.GoodCode = l.GoodCode WHERE l.N ";

// The parts' rows are the rows of their statements one after another, the session's table
// seen alike by every part; the further parts run in sessions of their own, but inside a unit
// of work, or with no session left in the process's allowance, all parts run in this one.
TEST(PartsRead, PartsGiveTheRowsOfTheirStatementsInOrderAndSeeTheSessionsTables)
{
    Connection db = Testing::OpenScratchDatabase();
    db.Execute(kFolders);
    const std::int64_t own = db.QueryPostgres("SELECT pg_backend_pid()").rows.at(0).at(0).ToInteger();
    const std::vector<std::string> parts{std::string(kLines) + "<= 700 ORDER BY l.N",
                                         std::string(kLines) + "BETWEEN 701 AND 1400 ORDER BY l.N",
                                         std::string(kLines) + "> 1400 ORDER BY l.N"};
    const ResultSet whole = db.Query(std::string(kLines) + ">= 1 ORDER BY l.N");
    ASSERT_EQ(whole.rows.size(), 2000u);

    for (const bool asTexts : {true, false}) {
        const Read read = ReadParts(db, parts, asTexts);
        EXPECT_EQ(read.columnCalls, 1);
        ASSERT_EQ(read.columns.size(), 4u);
        EXPECT_EQ(read.columns[2].name, "Folder");
        ASSERT_EQ(read.rows.size(), whole.rows.size());
        std::set<std::string> sessions;
        for (std::size_t r = 0; r < whole.rows.size(); ++r) {
            ASSERT_EQ(read.rows[r][0], whole.rows[r][0].ToInvariantText()) << "row " << r;
            const Value& folder = whole.rows[r][2];
            EXPECT_EQ(read.rows[r][2], folder.IsNull() ? "NULL" : folder.ToText()) << "row " << r;
            const std::string pid = read.rows[r][3];
            EXPECT_EQ(pid == std::to_string(own), r < 700) << "row " << r;
            sessions.insert(pid);
        }
        EXPECT_EQ(sessions.size(), 3u);
    }
    // A text that reads like the name of a session's table is only a text.
    const Read quoted = ReadParts(db, {"SELECT 1 AS N, '\"#NoSuchTable\"' AS T", "SELECT 2 AS N, '\"#Nor' AS T"});
    ASSERT_EQ(quoted.rows.size(), 2u);
    EXPECT_EQ(quoted.rows[0][1], "\"#NoSuchTable\"");
    EXPECT_EQ(quoted.rows[1][1], "\"#Nor");

    // A session kept for the further parts that the server ended meanwhile is opened again.
    Connection admin = Testing::OpenScratchDatabase();
    const std::string side = ReadParts(db, {"SELECT 1 AS N", "SELECT pg_backend_pid() AS N"}).rows.at(1).at(0);
    ASSERT_NE(side, std::to_string(own));
    admin.QueryPostgres("SELECT pg_terminate_backend($1, 60000)",
                        {Value(static_cast<std::int64_t>(std::stoll(side)))}); // waits for its end
    EXPECT_EQ(ReadParts(db, parts).rows.size(), 2000u);
    // Kept sessions hold nothing of the read before: no transaction, no copy of a table.
    const Read clean = ReadParts(db, {"SELECT 1 AS N", "SELECT COUNT(*) AS N FROM pg_class WHERE relname = "
                                                       "'#partfolders' AND relnamespace = pg_my_temp_schema()"});
    EXPECT_EQ(clean.rows.at(1).at(0), "0");

    // Without sessions left in the process's allowance the parts are read here, one after another.
    Connection::SetPartSessionLimit(0);
    const Read alone = ReadParts(db, parts);
    Connection::SetPartSessionLimit(4);
    ASSERT_EQ(alone.rows.size(), 2000u);
    for (const auto& row : alone.rows)
        EXPECT_EQ(row[3], std::to_string(own));

    Transaction unit(db);
    db.Execute("INSERT INTO #PartFolders VALUES ('G9', 'F9:Written now')");
    const Read inside = ReadParts(db, parts);
    ASSERT_EQ(inside.rows.size(), 2000u);
    for (const auto& row : inside.rows)
        EXPECT_EQ(row[3], std::to_string(own));
    EXPECT_EQ(inside.rows[3][2], "F9:Written now") << "the unit's own write is seen";
}

// A part that fails ends the read with its own error, not with a stop; a stop ends a read
// whose further part the server is still working on. Either way the session and its
// readers read again afterwards.
TEST(PartsRead, AFailingPartOrAStopEndsTheReadAndTheSessionReadsOn)
{
    Connection db = Testing::OpenScratchDatabase();
    Connection watcher = Testing::OpenScratchDatabase();
    const std::string good = "SELECT g AS N FROM generate_series(1, 50000) g";
    try {
        ReadParts(db, {good, "SELECT 10 / (g - 3) AS N FROM generate_series(1, 5) g"});
        ADD_FAILURE() << "the failing part went unnoticed";
    } catch (const CancelledError&) {
        ADD_FAILURE() << "the failure was taken for a stop";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("division by zero"), std::string::npos) << e.what();
    }
    try {
        ReadParts(db, {"SELECT 10 / (g - 3) AS N FROM generate_series(1, 5) g", good});
        ADD_FAILURE() << "the failing part went unnoticed";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("division by zero"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadParts(db, {good, "SELECT g AS N, 'x' AS More FROM generate_series(1, 5) g"}), ValueError);
    EXPECT_EQ(ReadParts(db, {good, good}).rows.size(), 100000u);

    auto signal = std::make_shared<StopSignal>();
    db.SetStopSignal(signal);
    {
        Testing::StopWhenActive stop(watcher, "pg_sleep(600)", signal);
        EXPECT_THROW(ReadParts(db, {good, "SELECT 1 AS N FROM pg_sleep(600) s"}), CancelledError);
        EXPECT_TRUE(stop.Raised());
    }
    signal->Reset();
    EXPECT_EQ(ReadParts(db, {good, good}).rows.size(), 100000u);
}

} // namespace
} // namespace Talvex::Data
