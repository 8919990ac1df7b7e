#include "host/data/tsql/writer/PostgresWriter.hpp"
#include "host/data/tsql/TSql.hpp"

#include <gtest/gtest.h>

namespace Talvex::Data::TSql {
namespace {

TEST(TSqlPostgresWriter, NamesAreFoldedAndQuotedOnlyWhereNeeded)
{
    struct Case {
        const char* name;
        const char* written;
    };
    const Case cases[] = {
        {"THGoodSpecCPAY", "thgoodspeccpay"},
        {"Clientcode", "clientcode"},
        {"User", "\"user\""}, // reserved in PostgreSQL
        {"Order", "\"order\""},
        {"Limit", "\"limit\""},
        {"Name", "name"}, // a key word, but not a reserved one
        {"30-60NeedPaySum", "\"30-60needpaysum\""},
        {"sp_C$CostAnltDistrib", "\"sp_c$costanltdistrib\""},
        {"Two Words", "\"two words\""},
        {"Say\"Hi\"", "\"say\"\"hi\"\"\""},
        {"_Tmp1", "_tmp1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PostgresWriter::Identifier(c.name), c.written) << c.name;
}

TEST(TSqlPostgresWriter, BatchIsAlsoGivenStatementByStatementWithItsOwnPlaceholders)
{
    Translation t = Translate("UPDATE t SET a = ? WHERE b = ?; SELECT x FROM t WHERE y = ? OR z = ? SELECT 1");
    EXPECT_EQ(t.parameterCount, 4);
    EXPECT_TRUE(t.returnsRows);
    EXPECT_NE(t.postgres.find("(tsql.ci(y) = tsql.ci(y, $3)) OR (tsql.ci(z) = tsql.ci(z, $4))"), std::string::npos)
        << t.postgres;
    ASSERT_EQ(t.statements.size(), 3u);
    EXPECT_EQ(t.statements[0].firstParameter, 0);
    EXPECT_EQ(t.statements[0].parameterCount, 2);
    EXPECT_FALSE(t.statements[0].returnsRows);
    EXPECT_EQ(t.statements[1].firstParameter, 2);
    EXPECT_EQ(t.statements[1].parameterCount, 2);
    EXPECT_NE(t.statements[1].postgres.find("(tsql.ci(y) = tsql.ci(y, $1)) OR (tsql.ci(z) = tsql.ci(z, $2))"),
              std::string::npos)
        << t.statements[1].postgres;
    EXPECT_TRUE(t.statements[1].returnsRows);
    EXPECT_EQ(t.statements[2].firstParameter, 4);
    EXPECT_EQ(t.statements[2].parameterCount, 0);
}

TEST(TSqlPostgresWriter, OnlyRowReturningStatementsReturnRows)
{
    struct Case {
        const char* text;
        bool returnsRows;
    };
    const Case cases[] = {
        {"SELECT 1", true},
        {"EXEC p 1", true},
        {"INSERT INTO t (a) VALUES (1)", false},
        {"UPDATE t SET a = 1", false},
        {"DELETE FROM t", false},
        {"SET TRANSACTION ISOLATION LEVEL SNAPSHOT", false},
        {"INSERT INTO t (a) SELECT b FROM u", false},
        {"SELECT b INTO #t FROM u", false},
        {"DROP TABLE #t", false},
        {"SELECT b INTO #t FROM u; SELECT b FROM #t", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Translate(c.text).returnsRows, c.returnsRows) << c.text;
}

TEST(TSqlPostgresWriter, TemporaryTablesAreTheSessionsOwnUnderOneQuotedLowerCaseName)
{
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {"SELECT d.IDC, c.Name INTO #SalesList FROM THDocument d JOIN REFClient c ON c.Code = d.Client "
         "UNION SELECT 0, N'none'",
         "CREATE TEMPORARY TABLE \"#saleslist\" AS SELECT d.idc, c.name FROM thdocument AS d JOIN refclient AS c "
         "ON (tsql.ci(c.code) = tsql.ci(d.client)) UNION SELECT 0, 'none'"},
        // TOP limits the rows that fill the table.
        {"SELECT TOP 5 a INTO [#Top] FROM t", "CREATE TEMPORARY TABLE \"#top\" AS SELECT a FROM t LIMIT 5"},
        {"SELECT s.a FROM #SalesList s JOIN #SALESLIST t ON t.a = s.a",
         "SELECT s.a FROM \"#saleslist\" AS s JOIN \"#saleslist\" AS t ON (tsql.ci(t.a) = tsql.ci(s.a))"},
        {"SELECT #SalesList.a FROM #SalesList", "SELECT \"#saleslist\".a FROM \"#saleslist\""},
        {"INSERT INTO #SalesList (a) VALUES (1)", "INSERT INTO \"#saleslist\" (a) VALUES (1)"},
        {"DROP TABLE #SalesList", "DROP TABLE \"#saleslist\""},
        {"DROP TABLE IF EXISTS #SalesList", "DROP TABLE IF EXISTS \"#saleslist\""},
        {"UPDATE STATISTICS #SalesList", "ANALYZE \"#saleslist\""},
        {"SELECT b INTO #t FROM u; UPDATE STATISTICS [#t]; SELECT b FROM #t",
         "CREATE TEMPORARY TABLE \"#t\" AS SELECT b FROM u;\nANALYZE \"#t\";\nSELECT b FROM \"#t\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Translate(c.text).postgres, c.written) << c.text;
}

} // namespace
} // namespace Talvex::Data::TSql
