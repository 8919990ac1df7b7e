#include "host/data/tsql/TSql.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

// T-SQL run through the front end on the real engine. Every expected value is what SQL
// Server gives by its documented behaviour (with SET DATEFIRST 1, as the host runs).
namespace Talvex::Data::TSql {
namespace {

std::string Show(const Value& v)
{
    return v.IsNull() ? "NULL" : v.ToInvariantText();
}

class TSqlSemantics : public ::testing::Test {
protected:
    static void SetUpTestSuite() { db_ = new Connection(Testing::OpenScratchDatabase()); }
    static void TearDownTestSuite()
    {
        delete db_;
        db_ = nullptr;
    }

    struct Case {
        const char* expression;
        const char* expected;
    };

    // Each expression is read as "SELECT <expression> AS v"; the answers are compared as text.
    static void ExpectValues(const std::vector<Case>& cases)
    {
        for (const Case& c : cases) {
            try {
                ResultSet rs = db_->Query(std::string("SELECT ") + c.expression + " AS v");
                ASSERT_EQ(rs.rows.size(), 1u) << c.expression;
                EXPECT_EQ(Show(rs.rows[0][0]), c.expected)
                    << c.expression << "\n  as " << Translate(std::string("SELECT ") + c.expression).postgres;
            } catch (const std::exception& e) {
                ADD_FAILURE() << c.expression << ": " << e.what();
            }
        }
    }

    static Connection* db_;
};

Connection* TSqlSemantics::db_ = nullptr;

TEST_F(TSqlSemantics, DateAddClampsToMonthEndsAndTakesEveryPartSpelling)
{
    ExpectValues({
        {"DATEADD(month, 1, '2014-01-31')", "2014-02-28"},
        {"DATEADD(m, 1, CAST('2024-01-31' AS DATE))", "2024-02-29"},
        {"DATEADD(mm, -1, '2014-03-31')", "2014-02-28"},
        {"DATEADD(yy, 1, '2024-02-29')", "2025-02-28"},
        {"DATEADD(year, -4, '2024-02-29')", "2020-02-29"},
        {"DATEADD(q, 1, '2014-11-30')", "2015-02-28"},
        {"DATEADD(d, -1, '2014-03-01')", "2014-02-28"},
        {"DATEADD(dd, 30, '2014-02-01')", "2014-03-03"},
        {"DATEADD(day, 365, '2024-01-01')", "2024-12-31"},
        {"DATEADD(wk, 2, '2014-02-01')", "2014-02-15"},
        {"DATEADD(week, -1, CAST('2014-02-01' AS DATE))", "2014-01-25"},
        // A fractional count is truncated, not rounded.
        {"DATEADD(day, 1.9, '2014-02-01')", "2014-02-02"},
        {"DATEADD(day, NULL, '2014-02-01')", "NULL"},
        {"DATEADD(hour, 25, '2014-02-01')", "2014-02-02 01:00:00"},
        // datetime + n counts days.
        {"DATEADD(day, 1, '2014-01-31') + 1", "2014-02-02"},
        {"DATEADD(day, 1, '2014-03-01') - 2", "2014-02-28"},
        {"DATEDIFF(day, GETDATE(), DATEADD(day, 3, GETDATE()))", "3"},
        // datetime - date is a count of days.
        {"DATEADD(day, 40, '2014-01-01') - CAST('2014-01-01' AS DATE)", "40"},
        {"CAST('2014-03-01' AS DATE) - DATEADD(hour, 12, '2014-02-27')", "1.5"},
        // The first day of the month, as the reports write it.
        {"DATEADD(day, -DATEPART(day, CAST('2014-02-17' AS DATE)) + 1, CAST('2014-02-17' AS DATE))", "2014-02-01"},
        {"DATEADD( d, -DAY( CAST('2014-02-17' AS DATE) ) + 1, CAST('2014-02-17' AS DATE) )", "2014-02-01"},
    });
}

TEST_F(TSqlSemantics, DateDiffCountsBoundariesCrossed)
{
    ExpectValues({
        {"DATEDIFF(year, '2024-12-31', '2025-01-01')", "1"},
        {"DATEDIFF(yy, '2024-01-01', '2024-12-31')", "0"},
        {"DATEDIFF(month, '2024-01-31', '2024-02-01')", "1"},
        {"DATEDIFF(mm, '2024-02-01', '2024-02-29')", "0"},
        {"DATEDIFF(month, '2025-03-15', '2024-12-15')", "-3"},
        {"DATEDIFF(quarter, '2024-03-31', '2024-04-01')", "1"},
        {"DATEDIFF(day, '2024-02-28', '2024-03-01')", "2"},
        {"DATEDIFF(dd, '2024-03-01', '2024-02-28')", "-2"},
        {"DATEDIFF(d, CAST('2014-01-01' AS DATE), CAST('2014-02-01' AS DATE))", "31"},
        {"DATEDIFF(day, '2014-01-01 23:59', '2014-01-02 00:01')", "1"},
        // Weeks turn on Sunday whatever the first weekday: 6 January 2024 is a Saturday.
        {"DATEDIFF(week, '2024-01-06', '2024-01-07')", "1"},
        {"DATEDIFF(wk, '2024-01-07', '2024-01-13')", "0"},
        {"DATEDIFF(hour, '2014-01-01 10:59', '2014-01-01 11:00')", "1"},
        {"DATEDIFF(day, NULL, '2014-01-01')", "NULL"},
    });
}

TEST_F(TSqlSemantics, DatePartsWithMondayAsFirstWeekday)
{
    ExpectValues({
        {"DATEPART(dw, '2024-01-01')", "1"}, // a Monday
        {"DATEPART(dw, '2024-01-07')", "7"}, // a Sunday
        {"DATEPART(weekday, CAST('2014-02-01' AS DATE))", "6"},
        {"DATEPART(week, '2024-01-07')", "1"},
        {"DATEPART(wk, '2024-01-08')", "2"},
        {"DATEPART(week, '2023-01-01')", "1"}, // 1 January 2023 is a Sunday
        {"DATEPART(week, '2023-01-02')", "2"},
        {"DATEPART(dayofyear, '2024-12-31')", "366"},
        {"DATEPART(dy, '2023-12-31')", "365"},
        {"DATEPART(quarter, '2024-08-15')", "3"},
        {"DATEPART(month, '2024-08-15')", "8"},
        {"DATEPART(yyyy, '2024-08-15')", "2024"},
        {"DATEPART(day, '2024-08-15')", "15"},
        {"YEAR('2024-08-15')", "2024"},
        {"MONTH(CAST('2024-08-15' AS DATE))", "8"},
        {"DAY(CAST('2024-08-15' AS DATETIME))", "15"},
        {"DATEPART(hour, '2024-08-15 13:45:10')", "13"},
        {"DATEPART(minute, '2024-08-15 13:45:10')", "45"},
        {"DATENAME(month, '2024-08-15')", "August"},
        {"DATENAME(dw, CAST('2024-08-15' AS DATE))", "Thursday"},
        {"DATENAME(year, '2024-08-15')", "2024"},
    });
}

TEST_F(TSqlSemantics, StringFunctionsCountAsSqlServerDoes)
{
    ExpectValues({
        // Position 0 lies before the string: SUBSTRING(s, 0, n) gives n - 1 characters.
        {"SUBSTRING('abcdef', 0, 3)", "ab"},
        {"SUBSTRING('abcdef', 2, 3)", "bcd"},
        {"SUBSTRING('abcdef', -1, 3)", "a"},
        {"SUBSTRING('abc', 5, 2)", ""},
        {"substring('SALES:Vilnius',0,(charindex(':','SALES:Vilnius')))", "SALES"},
        {"substring('SALES',0,(charindex(':','SALES')))", ""},
        {"CHARINDEX(':', 'ab:cd')", "3"},
        {"CHARINDEX('x', 'abc')", "0"},
        {"CHARINDEX('a', 'banana', 3)", "4"},
        {"CHARINDEX('a', 'banana', 0)", "2"},
        {"CHARINDEX(NULL, 'abc')", "NULL"},
        {"LEFT('abc', 2)", "ab"},
        {"RIGHT('0' + CAST(5 AS VARCHAR), 2)", "05"},
        {"RIGHT('0' + CAST(12 AS VARCHAR), 2)", "12"},
        {"LEN('ab  ')", "2"},
        {"LEN('  ab')", "4"},
        {"LEN('')", "0"},
        {"LEN(12345)", "5"},
        {"LTRIM('  a ')", "a "},
        {"RTRIM(' a  ')", " a"},
        {"UPPER(N'šiauliai')", "ŠIAULIAI"},
        {"LOWER('ABC')", "abc"},
        {"REPLACE('a-b-c', '-', '')", "abc"},
        {"REPLICATE('ab', 3)", "ababab"},
        {"STR(123.456, 10, 2)", "    123.46"},
        {"STR(1234.5)", "      1235"},
        {"STR(123456, 3)", "***"},
    });
}

TEST_F(TSqlSemantics, PlusConcatenatesTextAndNullSpreads)
{
    ExpectValues({
        {"'a' + 'b'", "ab"},
        {"'a' + NULL", "NULL"},
        {"'x' + CAST(NULL AS VARCHAR(10))", "NULL"},
        {"N'Kodas' + ': ' + N'Vardas'", "Kodas: Vardas"},
        {"CASE WHEN 1 = 1 THEN '~' ELSE '' END + 'K001'", "~K001"},
        {"UPPER('a') + LOWER('B')", "Ab"},
        {"ISNULL(NULL, 'x') + 'y'", "xy"},
        {"ISNULL(('A' + ': ' + NULL), '<none>')", "<none>"},
        {"(SELECT 'in') + 'side'", "inside"},
        {"1 + 2", "3"},
        {"1.5 + 2", "3.5"},
    });
}

TEST_F(TSqlSemantics, ArithmeticKeepsSqlServerTypes)
{
    ExpectValues({
        {"7 / 2", "3"},
        {"-7 / 2", "-3"},
        {"7 % 3", "1"},
        {"7 / 2.0", "3.500000"},
        {"CAST(7 AS DECIMAL(10,2)) / 2", "3.500000"},
        {"ABS(-2.5)", "2.5"},
        {"ROUND(2.5, 0)", "3.0"},
        {"ROUND(-2.5, 0)", "-3.0"},
        {"ROUND(2.345, 2)", "2.350"},
        {"ROUND(2.349, 2, 1)", "2.340"},
        {"ROUND(-2.349, 2, 1)", "-2.340"},
        {"ROUND(CAST(2.5 AS FLOAT), 0)", "3"},
        {"FLOOR(-1.5)", "-2"},
        {"CEILING(1.2)", "2"},
        {"SIGN(-3)", "-1"},
        {"NULLIF(5, 5)", "NULL"},
        {"NULLIF(5, 0)", "5"},
        {"COALESCE(NULL, NULL, 3)", "3"},
        {"10 / NULLIF(0, 0)", "NULL"},
        {"2 * -3", "-6"},
        {"5 - 3 - 1", "1"},
        {"2 + 3 * 4", "14"},
    });
}

TEST_F(TSqlSemantics, IntegerDivisionStaysIntegerAndDecimalKeepsDecimals)
{
    ResultSet rs = db_->Query("SELECT 7 / 2 AS i, 7 / 2.0 AS d, CAST(1 AS INT) / CAST(3 AS DECIMAL(10,2)) AS third");
    EXPECT_EQ(rs.columns[0].kind, ColumnKind::Integer);
    EXPECT_EQ(rs.columns[1].kind, ColumnKind::Decimal);
    EXPECT_EQ(Show(rs.rows[0][0]), "3");
    EXPECT_EQ(Show(rs.rows[0][1]), "3.500000"); // decimal(8,6), as SQL Server types 7 / 2.0
    EXPECT_NEAR(rs.rows[0][2].ToDouble(), 1.0 / 3.0, 1e-6);
}

TEST_F(TSqlSemantics, CastAndConvertFollowSqlServerRules)
{
    ExpectValues({
        // Numbers to integers are truncated toward zero.
        {"CAST(1.9 AS INT)", "1"},
        {"CAST(-1.9 AS INT)", "-1"},
        {"CAST(CAST(2.7 AS FLOAT) AS INT)", "2"},
        {"CAST('42' AS INT)", "42"},
        {"CAST(1e3 AS INT)", "1000"},
        {"CAST(2.5 AS DECIMAL(10,0))", "3"},
        {"CAST(1234.5 AS MONEY)", "1234.5"},
        {"CAST(12 AS VARCHAR)", "12"},
        {"CAST(12.50 AS VARCHAR)", "12.50"},
        // Money in text has two decimals.
        {"CAST(CAST(1234.5 AS MONEY) AS VARCHAR)", "1234.50"},
        {"CAST(CAST(-0.005 AS MONEY) AS VARCHAR(20))", "-0.01"},
        // CHAR(n) pads with blanks to n, and the blanks survive concatenation.
        {"CONVERT(char(20), CAST(1234.5 AS MONEY))", "1234.50             "},
        {"LTRIM(CONVERT(char(20), CAST(1234.5 AS MONEY))) + ')'", "1234.50             )"},
        {"CAST('abc' AS CHAR(5)) + '|'", "abc  |"},
        {"CAST('abcdef' AS VARCHAR(3))", "abc"},
        {"CAST(CAST('2014-02-01' AS DATE) AS VARCHAR)", "2014-02-01"},
        // Date styles.
        {"CONVERT(CHAR(10), CAST('2014-02-01' AS DATETIME), 102)", "2014.02.01"},
        {"CONVERT(CHAR(10), CAST('2014-02-01' AS DATE), 104)", "01.02.2014"},
        {"CONVERT(VARCHAR(8), CAST('2014-02-01' AS DATE), 112)", "20140201"},
        {"CONVERT(VARCHAR(19), CAST('2014-02-01 13:05:09' AS DATETIME), 120)", "2014-02-01 13:05:09"},
        {"CONVERT(VARCHAR(23), CAST('2014-02-01 13:05:09' AS DATETIME), 121)", "2014-02-01 13:05:09.000"},
        {"CONVERT(VARCHAR(10), CAST('2014-02-01' AS DATE), 23)", "2014-02-01"},
        {"CONVERT(VARCHAR(10), CAST('2014-02-01' AS DATE), 103)", "01/02/2014"},
        {"CONVERT(VARCHAR(10), '2014-02-01', 104)", "2014-02-01"}, // a text keeps its value
        {"CONVERT(DATETIME, '01.02.2014', 104)", "2014-02-01"},
        {"CONVERT(DATETIME, '20140201')", "2014-02-01"},
        {"CAST(YEAR(CAST('2014-02-01' AS DATE)) AS VARCHAR) + '-' + RIGHT('0' + CAST(MONTH(CAST('2014-02-01' AS DATE)) "
         "AS VARCHAR), 2)",
         "2014-02"},
        {"CAST(5 AS BIT)", "1"},
        {"CAST(0 AS BIT)", "0"},
        {"CAST('1.25' AS FLOAT) * 2", "2.5"},
    });
}

TEST_F(TSqlSemantics, LiteralsStayLiteralsWhateverTheyHold)
{
    ExpectValues({
        {"'it''s; -- not /* a comment */'", "it's; -- not /* a comment */"},
        {"N'x''; DROP TABLE t; --'", "x'; DROP TABLE t; --"},
        {"'back\\slash'", "back\\slash"},
        {"'*/ still text /*'", "*/ still text /*"},
    });
    // A parameter's value is never read as SQL.
    ResultSet rs = db_->Query("SELECT ? AS v", {Value("'; SELECT 1; --")});
    EXPECT_EQ(Show(rs.rows.at(0).at(0)), "'; SELECT 1; --");
}

} // namespace
} // namespace Talvex::Data::TSql
