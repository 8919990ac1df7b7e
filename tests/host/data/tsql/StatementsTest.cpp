#include "host/data/tsql/TSql.hpp"
#include "host/types/Errors.hpp"
#include "host/types/StopSignal.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

// Whole statements through the front end against rows of their own, on the real engine.
namespace Talvex::Data::TSql {
namespace {

std::string Show(const Value& v)
{
    return v.IsNull() ? "NULL" : v.ToInvariantText();
}

// Rows of a result as "a|b;c|d".
std::string Rows(const ResultSet& rs)
{
    std::string out;
    for (const auto& row : rs.rows) {
        if (!out.empty()) out += ";";
        for (std::size_t i = 0; i < row.size(); ++i)
            out += (i ? "|" : "") + Show(row[i]);
    }
    return out;
}

// Clients and documents as the ERP keeps them; the module spells the names in any case.
constexpr const char* kFixture = R"sql(
CREATE TEMP TABLE refclient (code varchar(20), name varchar(100), parent varchar(20), payterm integer);
CREATE TEMP TABLE thdocument (idc integer, doctypecode varchar(10), documentdate date, number varchar(20),
    summa numeric(19,4), isposted smallint, "30-60needpaysum" numeric(19,4));
CREATE TEMP TABLE "user" (id integer, name varchar(50));
)sql";

class TSqlStatements : public ::testing::Test {
protected:
    void SetUp() override
    {
        db_ = std::make_unique<Connection>(Testing::OpenScratchDatabase());
        tx_ = std::make_unique<Transaction>(*db_);
        db_->ExecutePostgresScript(kFixture);
        // Rows go in through the front end too: INSERT with N'' literals and a NULL.
        db_->Execute("INSERT INTO REFClient (Code, Name, Parent, PayTerm) VALUES (N'K001', N'Alfa', 'G1', 30), "
                     "('K002', 'Beta', NULL, NULL), ('K003', NULL, 'G1', 10)");
        db_->Execute(
            "INSERT INTO THDocument (IDC, DocTypeCode, DocumentDate, Number, Summa, IsPosted, [30-60NeedPaySum]) "
            "VALUES (1, 'PRSF', '2014-01-05', 'S-1', 100.5, 1, 10), (2, 'PRSF', '2014-01-20', 'S-2', 200, 1, 0), "
            "(3, 'PISF', '2014-02-03', 'P-1', 50.25, 0, NULL)");
    }
    void TearDown() override
    {
        tx_.reset();
        db_.reset();
    }

    std::unique_ptr<Connection> db_;
    std::unique_ptr<Transaction> tx_;
};

TEST_F(TSqlStatements, NamesMatchWhateverTheirCaseAndShowAsTheStatementSpellsThem)
{
    ResultSet rs = db_->Query("SELECT REFClient.Code, refclient.NAME AS ClientName, Summa = RefClient.PayTerm * 2, "
                              "RefClient.PayTerm + 1 FROM RefClient WHERE refCLIENT.code = 'K001'");
    ASSERT_EQ(rs.columns.size(), 4u);
    EXPECT_EQ(rs.columns[0].name, "Code");
    EXPECT_EQ(rs.columns[1].name, "ClientName");
    EXPECT_EQ(rs.columns[2].name, "Summa");
    EXPECT_EQ(Rows(rs), "K001|Alfa|60|31");

    rs = db_->Query("SELECT D.[30-60NeedPaySum] AS [30-60NeedPaySum], u.Name FROM THDocument D "
                    "LEFT JOIN [User] u ON u.ID = D.IDC WHERE D.IDC = 1");
    EXPECT_EQ(rs.columns[0].name, "30-60NeedPaySum");
    EXPECT_EQ(Rows(rs), "10|NULL");

    Translation t = Translate("SELECT a.*, b.X AS Y FROM t a JOIN u b ON 1 = 1");
    EXPECT_TRUE(t.columnNames.empty()); // the names after a "*" are the server's
    t = Translate("SELECT Code, Code + 'x', 1 AS [One] FROM t UNION SELECT Other, 'y', 2 FROM u");
    EXPECT_EQ(t.columnNames, (std::vector<std::string>{"Code", "", "One"}));
}

TEST_F(TSqlStatements, PlusOnTextColumnsConcatenatesAndNullSpreads)
{
    ResultSet rs =
        db_->Query("SELECT c.Code + ': ' + c.Name, c.Code + c.Name, ISNULL((c.Code + ': ' + c.Name), '<none>'), "
                   "CASE WHEN c.Parent IS NULL THEN '~' ELSE '' END + c.Code, isnull(c.Parent, N'') + ':' + c.Code, "
                   "LEFT(c.Name, 1) + c.Code FROM REFClient c ORDER BY c.Code");
    EXPECT_EQ(Rows(rs), "K001: Alfa|K001Alfa|K001: Alfa|K001|G1:K001|AK001;"
                        "K002: Beta|K002Beta|K002: Beta|~K002|:K002|BK002;"
                        "NULL|NULL|<none>|K003|G1:K003|NULL");
    // A parameter beside a text column is text; beside a number column, a number.
    rs = db_->Query("SELECT c.Code + ?, c.PayTerm + ? FROM REFClient c WHERE c.Code = 'K001'", {Value("x"), Value(5)});
    EXPECT_EQ(Rows(rs), "K001x|35");
}

TEST_F(TSqlStatements, DatesCompareWithTextAndSubtractToDays)
{
    ResultSet rs =
        db_->Query("SELECT DEBT.IDC, CASE WHEN '2014-02-01' - DEBT.DocumentDate < 30 THEN DEBT.Summa ELSE 0 END, "
                   "DATEDIFF(day, DEBT.DocumentDate, '2014-02-01'), CONVERT(CHAR(10), DEBT.DocumentDate, 102) "
                   "FROM THDocument DEBT WHERE DEBT.DocumentDate < '2014-02-01' ORDER BY DEBT.IDC");
    EXPECT_EQ(Rows(rs), "1|100.5|27|2014.01.05;2|200|12|2014.01.20");
    rs = db_->Query("SELECT COUNT(*) FROM THDocument d WHERE d.DocumentDate BETWEEN ? AND ?",
                    {Value(Date(2014, 1, 5)), Value("2014-01-31")});
    EXPECT_EQ(Rows(rs), "2");
}

TEST_F(TSqlStatements, GroupsUnionsTopAndOrderingAsSqlServer)
{
    // GROUP BY through a CASE, HAVING with a parameter.
    ResultSet rs =
        db_->Query("SELECT CASE WHEN d.DocTypeCode = 'PRSF' THEN 'Sale' ELSE 'Buy' END AS Kind, SUM(d.Summa) AS Total "
                   "FROM THDocument d GROUP BY CASE WHEN d.DocTypeCode = 'PRSF' THEN 'Sale' ELSE 'Buy' END "
                   "HAVING SUM(d.Summa) > ? ORDER BY Total DESC",
                   {Value(10)});
    EXPECT_EQ(Rows(rs), "Sale|300.5;Buy|50.25");
    // NULL sorts below every value: first going up, last going down.
    rs = db_->Query("SELECT c.Code FROM REFClient c ORDER BY c.PayTerm");
    EXPECT_EQ(Rows(rs), "K002;K003;K001");
    rs = db_->Query("SELECT c.Code FROM REFClient c ORDER BY c.PayTerm DESC");
    EXPECT_EQ(Rows(rs), "K001;K003;K002");
    // A union nested as "Main", limited by TOP.
    rs = db_->Query("SELECT TOP 2 Main.Code FROM (SELECT c.Code FROM REFClient c UNION ALL "
                    "SELECT d.Number FROM THDocument d WHERE d.IsPosted = 1) Main ORDER BY Main.Code DESC");
    EXPECT_EQ(Rows(rs), "S-2;S-1");
    rs = db_->Query("SELECT TOP 50 PERCENT d.IDC FROM THDocument d ORDER BY d.IDC");
    EXPECT_EQ(Rows(rs), "1;2");
    rs = db_->Query("SELECT c.Code FROM REFClient c UNION SELECT c.Code FROM REFClient c ORDER BY 1");
    EXPECT_EQ(Rows(rs), "K001;K002;K003");
    // Correlated sub-queries and EXISTS.
    rs = db_->Query("SELECT c.Code, (SELECT COUNT(*) FROM REFClient x WHERE x.Parent = c.Parent) AS Same "
                    "FROM REFClient c WHERE EXISTS (SELECT 1 FROM REFClient y WHERE y.Code = c.Code AND "
                    "y.Parent IS NOT NULL) ORDER BY c.Code");
    EXPECT_EQ(Rows(rs), "K001|2;K003|2");
    rs = db_->Query("SELECT COUNT(DISTINCT c.Parent), COUNT(c.Parent), COUNT(*) FROM REFClient c");
    EXPECT_EQ(Rows(rs), "1|2|3");
}

TEST_F(TSqlStatements, UpdateAndDeleteThroughJoinsChangeOnlyTheirTargets)
{
    // The target is named by its alias; the join is an outer one.
    std::int64_t changed = db_->Execute(
        "UPDATE oTable SET oTable.Summa = oTable.Summa + ISNULL(c.PayTerm, 0), Number = oTable.Number + '*' "
        "FROM THDocument oTable LEFT OUTER JOIN REFClient c ON c.Code = CASE oTable.IDC WHEN 1 THEN 'K001' "
        "WHEN 2 THEN 'K002' END WHERE oTable.DocTypeCode = ?",
        {Value("PRSF")});
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(Rows(db_->Query("SELECT IDC, Summa, Number FROM THDocument ORDER BY IDC")),
              "1|130.5|S-1*;2|200|S-2*;3|50.25|P-1");

    // Plain UPDATE of a table by its own name.
    EXPECT_EQ(db_->Execute("UPDATE REFClient SET PayTerm = 0 WHERE Code = N'K003'"), 1);

    changed = db_->Execute("DELETE d FROM THDocument d INNER JOIN REFClient c ON c.Code = 'K001' "
                           "WHERE d.Summa > c.PayTerm * 4");
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(Rows(db_->Query("SELECT IDC FROM THDocument")), "3");
    EXPECT_EQ(db_->Execute("DELETE FROM REFClient WHERE PayTerm IS NULL"), 1);
    EXPECT_EQ(Rows(db_->Query("SELECT COUNT(*) FROM REFClient")), "2");
}

TEST_F(TSqlStatements, ExecCallsATableFunctionWithPlaceholders)
{
    db_->ExecutePostgresScript(
        "CREATE FUNCTION \"sp_c$costanltdistrib\"(a integer, b integer) RETURNS TABLE(total integer, text varchar) "
        "LANGUAGE sql AS $$ SELECT a + b, 'ok'::varchar $$");
    ResultSet rs = db_->Query("Exec sp_C$CostAnltDistrib ?, ?", {Value(2), Value(3)});
    EXPECT_EQ(Rows(rs), "5|ok");
    rs = db_->Query("EXECUTE dbo.SP_C$COSTANLTDISTRIB 1, 1");
    EXPECT_EQ(Rows(rs), "2|ok");
    rs = db_->Query("EXEC sp_C$CostAnltDistrib @B = 10, @A = ?", {Value(1)});
    EXPECT_EQ(Rows(rs), "11|ok");
}

TEST_F(TSqlStatements, AStatementThatDoesNotParseRunsNothing)
{
    EXPECT_THROW(db_->Execute("DELETE FROM REFClient; SELECT FROM REFClient"), SqlSyntaxError);
    EXPECT_EQ(Rows(db_->Query("SELECT COUNT(*) FROM REFClient")), "3");
    // The isolation level is a session setting, fine inside a running transaction.
    EXPECT_NO_THROW(db_->Execute("SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED"));
}

// The server's message when it refuses a statement; empty when it runs.
std::string Refusal(Connection& db, const std::string& tsql)
{
    try {
        db.Execute(tsql);
    } catch (const DatabaseError& e) {
        return e.what();
    }
    return {};
}

TEST_F(TSqlStatements, SelectIntoFillsATemporaryTableOfTheSessionThatDropTableRemoves)
{
    // Posted sales with their client (by a join), and a total row from the second block.
    std::int64_t filled = db_->Execute(
        "SELECT d.Number, c.Name AS Client, d.Summa INTO #Sales FROM THDocument d "
        "INNER JOIN REFClient c ON c.Code = CASE d.IDC WHEN 1 THEN 'K001' ELSE 'K003' END WHERE d.DocTypeCode = ? "
        "UNION ALL SELECT N'total', NULL, SUM(t.Summa) FROM THDocument t WHERE t.IsPosted = ?",
        {Value("PRSF"), Value(1)});
    EXPECT_EQ(filled, 3);
    ResultSet rs = db_->Query("SELECT s.Number, s.Client, s.Summa FROM #SALES s ORDER BY s.Number");
    EXPECT_EQ(Rows(rs), "S-1|Alfa|100.5;S-2|NULL|200;total|NULL|300.5");
    // The table joins like any other.
    rs = db_->Query("SELECT c.Code FROM [#Sales] s JOIN REFClient c ON c.Name = s.Client");
    EXPECT_EQ(Rows(rs), "K001");

    // Another connection has a #Sales of its own, or none.
    Connection other = Testing::OpenScratchDatabase();
    EXPECT_NE(Refusal(other, "SELECT Number FROM #Sales"), "");
    other.Execute("SELECT 7 AS Number INTO #Sales");
    EXPECT_EQ(Rows(other.Query("SELECT Number FROM #Sales")), "7");
    EXPECT_EQ(Rows(db_->Query("SELECT COUNT(*) FROM #Sales")), "3");
    other.Execute("DROP TABLE #Sales");
    EXPECT_EQ(Rows(db_->Query("SELECT COUNT(*) FROM #Sales")), "3");

    EXPECT_EQ(Refusal(*db_, "DROP TABLE IF EXISTS #NoSuchList"), "");
    {
        Transaction failing(*db_);
        std::string refusal = Refusal(*db_, "DROP TABLE #NoSuchList");
        EXPECT_NE(refusal.find("table \"#nosuchlist\" does not exist"), std::string::npos) << refusal;
    }
    // Statistics counted on the session's table: the planner then knows its three rows.
    db_->Execute("UPDATE STATISTICS #Sales");
    EXPECT_EQ(Rows(db_->QueryPostgres("SELECT reltuples::int FROM pg_class WHERE oid = '\"#sales\"'::regclass")), "3");
    db_->Execute("DROP TABLE #Sales");
    EXPECT_EQ(Refusal(*db_, "DROP TABLE IF EXISTS #Sales"), "");
    // The ERP's own tables are out of reach, and nothing of a refused batch runs.
    EXPECT_THROW(db_->Execute("SELECT Code INTO REFClient2 FROM REFClient"), SqlSyntaxError);
    EXPECT_THROW(db_->Execute("DELETE FROM REFClient; DROP TABLE REFClient"), SqlSyntaxError);
    EXPECT_THROW(db_->Execute("UPDATE STATISTICS REFClient"), SqlSyntaxError);
    EXPECT_EQ(Rows(db_->Query("SELECT COUNT(*) FROM REFClient")), "3");
}

// Rows handed over one at a time are the rows of the whole answer: names, kinds and values in
// order; an empty answer still names its columns; a batch hands over its last rows; a
// statement that fails part way, or a reader that gives up, leaves the connection ready.
TEST_F(TSqlStatements, RowsReadOneAtATimeAreTheRowsOfTheWholeAnswer)
{
    const auto each = [&](const std::string& tsql, const std::vector<Value>& params = {}) {
        ResultSet rs;
        db_->QueryEach(
            tsql, params, [&](const std::vector<Column>& columns) { rs.columns = columns; },
            [&](std::vector<Value>&& row) { rs.rows.push_back(std::move(row)); });
        SettleDecimalColumns(rs.columns, rs.rows);
        return rs;
    };
    // Money and exact decimals alike, value by value.
    const auto kinds = [](const ResultSet& rs) {
        std::string out;
        for (const auto& row : rs.rows)
            for (const Value& v : row)
                out += std::to_string(v.Raw().index());
        return out;
    };
    for (const std::string tsql :
         {"SELECT d.Number, d.Summa, d.DocumentDate, c.Name AS Client FROM THDocument d "
          "LEFT JOIN REFClient c ON c.Code = CASE d.IDC WHEN 1 THEN 'K001' ELSE 'K003' END ORDER BY d.IDC",
          "SELECT Code FROM REFClient WHERE Code = 'none'",
          "SELECT Number, Summa, CAST(Summa AS DECIMAL(19, 8)) AS Rate, (SELECT SUM(Summa) FROM THDocument) AS Total, "
          "CASE IDC WHEN 3 THEN CAST(0.00001 AS DECIMAL(9, 5)) ELSE Summa END AS Fine FROM THDocument ORDER BY IDC",
          "SELECT 1 AS One INTO #Each; SELECT One FROM #Each; DROP TABLE #Each",
          // Texts that the rows' text form must carry escaped: a tab, line ends, backslashes, a
          // text that reads like the mark of a null, and a null beside it.
          "SELECT 'a' + CHAR(9) + 'b' AS Tabbed, 'x' + CHAR(10) + CHAR(13) + 'y' AS Lines, "
          "'c:\\dir\\N\\' AS Slashes, '\\N' AS NotNull, CAST(NULL AS VARCHAR(10)) AS Nothing, "
          "CAST('2026-03-01' AS DATE) AS Day, CAST(1 AS BIT) AS Flag"}) {
        const ResultSet whole = db_->Query(tsql);
        const ResultSet streamed = each(tsql);
        ASSERT_EQ(streamed.columns.size(), whole.columns.size()) << tsql;
        for (std::size_t i = 0; i < whole.columns.size(); ++i) {
            EXPECT_EQ(streamed.columns[i].name, whole.columns[i].name) << tsql;
            EXPECT_EQ(streamed.columns[i].kind, whole.columns[i].kind) << tsql;
            EXPECT_EQ(streamed.columns[i].declaredScale, whole.columns[i].declaredScale) << tsql;
        }
        EXPECT_EQ(Rows(streamed), Rows(whole)) << tsql;
        EXPECT_EQ(kinds(streamed), kinds(whole)) << tsql;
    }
    const ResultSet texts = each("SELECT 'a' + CHAR(9) + 'b' AS Tabbed, '\\N' AS NotNull, CAST(NULL AS VARCHAR(1)) AS No");
    ASSERT_EQ(texts.rows.size(), 1u);
    EXPECT_EQ(texts.rows[0][0].ToText(), "a\tb");
    EXPECT_EQ(texts.rows[0][1].ToText(), "\\N");
    EXPECT_TRUE(texts.rows[0][2].IsNull());
    EXPECT_EQ(Rows(each("SELECT Number, Summa FROM THDocument WHERE Summa > ? ORDER BY Number", {Value(100)})),
              "S-1|100.5;S-2|200");
    EXPECT_EQ(each("SELECT Code, Name FROM REFClient WHERE 1 = 0").columns.size(), 2u);
    // A money column comes as money; beside a finer value an amount stays a decimal.
    const ResultSet exact = each("SELECT Summa, CASE IDC WHEN 3 THEN CAST(0.00001 AS DECIMAL(9, 5)) ELSE Summa END "
                                 "AS Fine FROM THDocument ORDER BY IDC");
    ASSERT_EQ(exact.rows.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<Currency>(exact.rows[0][0].Raw()));
    EXPECT_TRUE(std::holds_alternative<Decimal>(exact.rows[0][1].Raw()));
    EXPECT_EQ(std::get<Decimal>(exact.rows[2][1].Raw()), Decimal::Parse("0.00001"));

    std::size_t seen = 0;
    {
        Transaction failing(*db_);
        EXPECT_THROW(db_->QueryEach(
                         "SELECT 10 / (IDC - 2) AS Part FROM THDocument ORDER BY IDC", {},
                         [](const std::vector<Column>&) {}, [&](std::vector<Value>&&) { ++seen; }),
                     DatabaseError);
    }
    EXPECT_LE(seen, 1u);
    EXPECT_EQ(Rows(db_->Query("SELECT COUNT(*) FROM THDocument")), "3");
    struct GaveUp {};
    EXPECT_THROW(db_->QueryEach(
                     "SELECT Number FROM THDocument ORDER BY Number", {}, [](const std::vector<Column>&) {},
                     [](std::vector<Value>&&) { throw GaveUp{}; }),
                 GaveUp);
    EXPECT_EQ(Rows(db_->Query("SELECT Number FROM THDocument WHERE IDC = ?", {Value(2)})), "S-2");
}

// A stop ends a read row by row on the server: raised by the reader between rows, no row
// follows; raised by another thread while the server has sent nothing yet, the waiting
// ends. Either way the next statement starts only once the stop is cleared.
TEST(TSqlRowByRow, AStopCancelsTheReadOnTheServer)
{
    Connection db = Testing::OpenScratchDatabase();
    Connection watcher = Testing::OpenScratchDatabase();
    // Uncancelled, either source would keep the connection busy for many minutes.
    db.ExecutePostgresScript(
        "CREATE TEMP VIEW SlowEachRows AS SELECT g AS N FROM generate_series(1, 100000) g, LATERAL pg_sleep(0.01) s; "
        "CREATE TEMP VIEW SlowEachStart AS SELECT 1 AS N FROM pg_sleep(600) s");
    auto signal = std::make_shared<StopSignal>();
    db.SetStopSignal(signal);

    std::size_t seen = 0;
    bool columnsGiven = false;
    EXPECT_THROW(db.QueryEach(
                     "SELECT N FROM SlowEachRows", {}, [&](const std::vector<Column>&) { columnsGiven = true; },
                     [&](std::vector<Value>&&) {
                         ++seen;
                         signal->Request();
                     }),
                 CancelledError);
    EXPECT_TRUE(columnsGiven);
    EXPECT_EQ(seen, 1u);
    seen = 0;
    EXPECT_THROW(
        db.QueryEach(
            "SELECT N FROM SlowEachRows", {}, [](const std::vector<Column>&) {}, [&](std::vector<Value>&&) { ++seen; }),
        CancelledError);
    EXPECT_EQ(seen, 0u) << "a stop still raised keeps the next read from starting";
    signal->Reset();

    {
        Testing::StopWhenActive stop(watcher, "SlowEachStart", signal);
        EXPECT_THROW(db.QueryEach(
                         "SELECT N FROM SlowEachStart", {}, [](const std::vector<Column>&) {},
                         [&](std::vector<Value>&&) { ++seen; }),
                     CancelledError);
        EXPECT_TRUE(stop.Raised());
    }
    EXPECT_EQ(seen, 0u);
    signal->Reset();
    std::vector<std::int64_t> numbers;
    db.QueryEach(
        "SELECT 1 AS N UNION ALL SELECT 2", {}, [](const std::vector<Column>&) {},
        [&](std::vector<Value>&& row) { numbers.push_back(row[0].ToInteger()); });
    EXPECT_EQ(numbers, (std::vector<std::int64_t>{1, 2}));
}

// Application locks: a session's exclusive lock keeps another session out (LockTimeout 0
// answers -1 at once) until released; a transaction's lock goes with the transaction.
TEST_F(TSqlStatements, ApplicationLocksKeepOtherSessionsOutUntilReleased)
{
    Connection other = Testing::OpenScratchDatabase();
    const auto tryLock = [](Connection& c, const char* owner) {
        return c
            .Query(std::string("EXEC sp_getapplock @Resource = ?, @LockMode = 'Exclusive', @LockOwner = '") + owner +
                       "', @LockTimeout = 0",
                   {Value(std::string("Set-off:K'1;--"))})
            .rows.at(0)
            .at(0)
            .ToInteger();
    };
    EXPECT_EQ(tryLock(*db_, "Session"), 0);
    EXPECT_EQ(tryLock(other, "Session"), -1);
    db_->Execute("EXEC sp_releaseapplock @Resource = ?, @LockOwner = 'Session'",
                 {Value(std::string("Set-off:K'1;--"))});
    EXPECT_EQ(tryLock(other, "Session"), 0);
    EXPECT_EQ(tryLock(*db_, "Session"), -1);
    other.Execute("EXEC sp_releaseapplock @Resource = ?, @LockOwner = 'Session'",
                  {Value(std::string("Set-off:K'1;--"))});
    {
        Transaction unit(*db_);
        EXPECT_EQ(tryLock(*db_, "Transaction"), 0);
        EXPECT_EQ(tryLock(other, "Session"), -1);
    }
    EXPECT_EQ(tryLock(other, "Session"), 0);
    other.Execute("EXEC sp_releaseapplock @Resource = ?, @LockOwner = 'Session'",
                  {Value(std::string("Set-off:K'1;--"))});
    EXPECT_THROW(db_->Execute("EXEC sp_getapplock @Resource = 'x', @LockMode = 'Update'"), DatabaseError);
}

} // namespace
} // namespace Talvex::Data::TSql
