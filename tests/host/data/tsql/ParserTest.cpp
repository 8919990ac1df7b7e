#include "host/data/tsql/parser/Parser.hpp"
#include "host/data/tsql/TSql.hpp"

#include <gtest/gtest.h>

namespace Talvex::Data::TSql {
namespace {

struct ErrorCase {
    const char* text;
    int line;
    int column;
    const char* token;
    const char* message;
};

void ExpectSyntaxError(const ErrorCase& c)
{
    try {
        ParseBatch(c.text);
        ADD_FAILURE() << "no error for " << c.text;
    } catch (const SqlSyntaxError& e) {
        EXPECT_EQ(e.Line(), c.line) << c.text;
        EXPECT_EQ(e.Column(), c.column) << c.text;
        EXPECT_EQ(e.Token(), c.token) << c.text;
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
}

TEST(TSqlParser, SyntaxErrorsNameLineColumnAndToken)
{
    const ErrorCase cases[] = {
        {"SELECT a,\n  b FROM t WHERE FROM", 2, 18, "FROM",
         "Syntax error at line 2, column 18 near 'FROM': expected an expression"},
        {"SELECT a FROM t WHERE a = 1\n  AND (b = 2", 2, 13, "", "expected ')'"},
        {"SELECT CASE a WHEN 1 THEN 2 FROM t", 1, 29, "FROM", "expected END"},
        {"SELECT a FROM (SELECT b FROM u)", 1, 15, "(", "needs an alias"},
        {"SELECT DATEADD(fortnight, 1, d) FROM t", 1, 16, "fortnight", "expected a date part"},
        {"SELECT CAST(a AS banana) FROM t", 1, 18, "banana", "expected a type name"},
        {"SELECT a FROM t LEFT x JOIN u ON 1 = 1", 1, 22, "x", "expected JOIN"},
        {"SELECT a b c FROM t", 1, 12, "c", "expected the end of the statement"},
        {"UPDATE t SET a 1", 1, 16, "1", "expected '='"},
        {"SELECT @x", 1, 8, "@x", "variables are not supported"},
        {"TRUNCATE TABLE t", 1, 1, "TRUNCATE", "expected a statement"},
        {"SELECT a FROM t WHERE a IN 1", 1, 28, "1", "expected '(' after IN"},
        {"", 1, 1, "", "expected a statement"},
        {"SELECT a,\n DATEADD(day, 1) FROM t", 2, 2, "DATEADD", "DATEADD takes 3 arguments, 2 given"},
        {"SELECT CHARINDEX('a') FROM t", 1, 8, "CHARINDEX", "CHARINDEX takes 2 to 3 arguments, 1 given"},
        {"SELECT isnull(a, b, c) FROM t", 1, 8, "isnull", "isnull takes 2 arguments, 3 given"},
    };
    for (const ErrorCase& c : cases)
        ExpectSyntaxError(c);
}

TEST(TSqlParser, OnlyTemporaryTablesAreCreatedOrDroppedAndTheirNamesHoldNothingElse)
{
    const ErrorCase cases[] = {
        {"SELECT 1 AS a INTO t FROM REFGood", 1, 20, "t", "SELECT INTO: only temporary tables (#name) can be created"},
        {"DROP TABLE REFGood", 1, 12, "REFGood", "DROP TABLE: only temporary tables (#name) can be dropped"},
        {"DROP TABLE IF EXISTS [REFGood]", 1, 22, "[REFGood]", "only temporary tables (#name) can be dropped"},
        // A name that tries to end the statement is never a name: nothing of the batch runs.
        {"SELECT * FROM #t; DROP TABLE x", 1, 30, "x", "only temporary tables (#name) can be dropped"},
        {"SELECT * FROM [#t; DROP TABLE x]", 1, 15, "[#t; DROP TABLE x]",
         "a temporary table name is '#' and then only letters, digits and '_'"},
        {"SELECT * FROM #t$x", 1, 15, "#t$x", "a temporary table name is '#' and then only"},
        {"SELECT * FROM #", 1, 15, "#", "a temporary table name is '#' and then only"},
        {"SELECT * FROM ##t", 1, 15, "##", "global temporary tables (##name) are not supported"},
        {"SELECT a FROM dbo.#t", 1, 15, "dbo", "takes no schema or database prefix"},
        {"DROP TABLE #a, #b", 1, 14, ",", "expected the end of the statement"},
        // INTO belongs to the first block of a statement, and the table it fills has no order.
        {"SELECT a FROM t UNION SELECT b INTO #u FROM v", 1, 32, "INTO", "INTO stands only in the first SELECT"},
        {"INSERT INTO #t (a) SELECT b INTO #u FROM v", 1, 29, "INTO", "INTO stands only in the first SELECT"},
        {"SELECT * FROM (SELECT a INTO #u FROM v) s", 1, 25, "INTO", "INTO stands only in the first SELECT"},
        {"SELECT a INTO #u FROM t ORDER BY a", 1, 25, "ORDER", "SELECT INTO: ORDER BY is not allowed"},
    };
    for (const ErrorCase& c : cases)
        ExpectSyntaxError(c);

    Ast::Batch batch = ParseBatch("SELECT a INTO #Sales FROM t UNION ALL SELECT b FROM u; DROP TABLE IF EXISTS #Old");
    ASSERT_EQ(batch.statements.size(), 2u);
    const auto& select = std::get<Ast::Select>(batch.statements[0].node);
    EXPECT_EQ(select.into, "#Sales");
    ASSERT_EQ(select.rest.size(), 1u);
    EXPECT_EQ(select.rest[0].op, Ast::SetOperator::UnionAll);
    const auto& drop = std::get<Ast::DropTable>(batch.statements[1].node);
    EXPECT_EQ(drop.table, "#Old");
    EXPECT_TRUE(drop.ifExists);
}

TEST(TSqlParser, SpellingsOfTheSameStatementGiveTheSameTree)
{
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        // Column aliases: AS, bare, "alias = expr", quoted.
        {"SELECT x AS Summa FROM t", "SELECT Summa = x FROM t", true},
        {"SELECT x AS Summa FROM t", "SELECT x Summa FROM t", true},
        {"SELECT x AS [Summa] FROM t", "SELECT x AS 'Summa' FROM t", true},
        {"SELECT x AS Summa FROM t", "SELECT x AS Sum FROM t", false},
        // Join hints and locking hints say nothing about the result.
        {"SELECT a FROM t INNER MERGE JOIN u ON u.k = t.k", "SELECT a FROM t JOIN u ON u.k = t.k", true},
        {"SELECT a FROM t LEFT OUTER HASH JOIN u ON u.k = t.k", "SELECT a FROM t LEFT JOIN u ON u.k = t.k", true},
        {"SELECT a FROM t LEFT JOIN u ON u.k = t.k", "SELECT a FROM t JOIN u ON u.k = t.k", false},
        {"SELECT a FROM t WITH (NOLOCK) WHERE a = 1", "SELECT a FROM t WHERE a = 1", true},
        {"SELECT a FROM t x (NOLOCK)", "SELECT a FROM t AS x", true},
        {"SELECT a FROM t (NOLOCK) INNER JOIN u WITH (NOLOCK, INDEX(ix)) ON 1 = 1", "SELECT a FROM t JOIN u ON 1 = 1",
         true},
        // Precedence: * over +, comparison over NOT, NOT over AND, AND over OR; left to right.
        {"SELECT a + b * c", "SELECT a + (b * c)", true},
        {"SELECT a + b * c", "SELECT (a + b) * c", false},
        {"SELECT a - b - c", "SELECT (a - b) - c", true},
        {"SELECT a - b - c", "SELECT a - (b - c)", false},
        {"SELECT 1 WHERE NOT a = 1 AND b = 2", "SELECT 1 WHERE (NOT (a = 1)) AND (b = 2)", true},
        {"SELECT 1 WHERE a = 1 OR b = 2 AND c = 3", "SELECT 1 WHERE a = 1 OR (b = 2 AND c = 3)", true},
        {"SELECT 1 WHERE a = 1 OR b = 2 AND c = 3", "SELECT 1 WHERE (a = 1 OR b = 2) AND c = 3", false},
        {"SELECT -a * b", "SELECT (-a) * b", true},
        {"SELECT 1 WHERE a != b", "SELECT 1 WHERE a <> b", true},
        {"SELECT 1 WHERE a !< b", "SELECT 1 WHERE a >= b", true},
        // Case of keywords never matters; case of names is kept (the writers fold it).
        {"select a from t where a is not null", "SELECT a FROM t WHERE a IS NOT NULL", true},
        {"SELECT Code FROM t", "SELECT CODE FROM t", false},
        {"SELECT [Code] FROM [THDocument]", "SELECT \"Code\" FROM THDocument", true},
        // Batches: statements end at ";" or where the next one begins.
        {"SELECT 1; SELECT 2", "SELECT 1 SELECT 2", true},
        {"BEGIN TRAN UPDATE t SET a = 1 COMMIT", "BEGIN TRANSACTION; UPDATE t SET a = 1; COMMIT TRANSACTION", true},
        {"EXEC p 1, 2 SELECT 3", "EXECUTE p 1, 2; SELECT 3", true},
        {"INSERT t (a) VALUES (1)", "INSERT INTO t (a) VALUES (1)", true},
        {"DELETE t WHERE a = 1", "DELETE FROM t WHERE a = 1", true},
        // Comments and layout.
        {"SELECT a /* the code */ FROM t -- all rows", "SELECT a\nFROM t", true},
        // Literal kinds differ: N'' and '' compare unequal, as do 1 and 1.0.
        {"SELECT N'x'", "SELECT 'x'", false},
        {"SELECT 1", "SELECT 1.0", false},
        {"SELECT COUNT(DISTINCT a) FROM t", "SELECT COUNT(a) FROM t", false},
        {"SELECT a FROM t ORDER BY a ASC", "SELECT a FROM t ORDER BY a", true},
        {"SELECT a FROM t ORDER BY a DESC", "SELECT a FROM t ORDER BY a", false},
        {"SELECT a FROM t UNION SELECT b FROM u", "SELECT a FROM t UNION ALL SELECT b FROM u", false},
        // A temporary table bracketed or not; INTO and IF EXISTS are part of the statement.
        {"SELECT a INTO #T FROM t", "SELECT a INTO [#T] FROM t", true},
        {"SELECT a INTO #T FROM t", "SELECT a FROM t", false},
        {"SELECT a FROM #T x JOIN u ON u.k = x.k", "SELECT a FROM [#T] AS x INNER JOIN u ON u.k = x.k", true},
        {"DROP TABLE #T", "drop table [#T]", true},
        {"DROP TABLE IF EXISTS #T", "DROP TABLE #T", false},
        {"DROP TABLE #T SELECT 1", "DROP TABLE #T; SELECT 1", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseBatch(c.a) == ParseBatch(c.b), c.same) << c.a << "  vs  " << c.b;
}

TEST(TSqlParser, PlaceholdersAreNumberedAcrossTheBatch)
{
    Ast::Batch batch = ParseBatch("UPDATE t SET a = ? WHERE b = ?; SELECT x FROM t WHERE y BETWEEN ? AND ?");
    EXPECT_EQ(batch.parameterCount, 4);
    const auto& select = std::get<Ast::Select>(batch.statements[1].node);
    const auto& between = std::get<Ast::Between>(select.first.where->node);
    EXPECT_EQ(std::get<Ast::Parameter>(between.low->node).index, 3);
    EXPECT_EQ(std::get<Ast::Parameter>(between.high->node).index, 4);
}

TEST(TSqlParser, ReadsTheShapesOfComplexQueries)
{
    Ast::Batch batch = ParseBatch(
        "SELECT TOP 10 PERCENT Main.Client, SUM(Main.Debt) AS Debt FROM (SELECT p.PartyCode AS Client, d.Summa AS Debt "
        "FROM THDocument d INNER JOIN THPartyAttribute p ON d.IDC = p.DocID AND p.RolePartyCode = CASE d.DocTypeCode "
        "WHEN 'PRSF' THEN 'PIR' ELSE 'PAR' END UNION ALL SELECT 'x', 0) Main CROSS JOIN REFDates r "
        "GROUP BY Main.Client HAVING SUM(Main.Debt) > 0 ORDER BY 2 DESC");
    ASSERT_EQ(batch.statements.size(), 1u);
    const auto& select = std::get<Ast::Select>(batch.statements[0].node);
    EXPECT_TRUE(select.first.topPercent);
    ASSERT_EQ(select.first.from.size(), 1u);
    const auto* cross = select.first.from[0].As<Ast::Join>();
    ASSERT_NE(cross, nullptr);
    EXPECT_EQ(cross->kind, Ast::JoinKind::Cross);
    const auto* main = cross->left->As<Ast::DerivedTable>();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->alias, "Main");
    ASSERT_EQ(main->query->rest.size(), 1u);
    EXPECT_EQ(main->query->rest[0].op, Ast::SetOperator::UnionAll);
    const auto* inner = main->query->first.from[0].As<Ast::Join>();
    ASSERT_NE(inner, nullptr);
    const auto& on = std::get<Ast::Binary>(inner->on->node);
    EXPECT_EQ(on.op, "AND");
    const auto& roleMatch = std::get<Ast::Binary>(on.right->node);
    const auto& roleCase = std::get<Ast::Case>(roleMatch.right->node);
    EXPECT_TRUE(roleCase.operand);
    EXPECT_EQ(roleCase.whens.size(), 1u);
    EXPECT_TRUE(roleCase.otherwise);
    EXPECT_EQ(select.first.groupBy.size(), 1u);
    EXPECT_TRUE(select.first.having);
    ASSERT_EQ(select.orderBy.size(), 1u);
    EXPECT_TRUE(select.orderBy[0].descending);
}

} // namespace
} // namespace Talvex::Data::TSql
