#include "host/data/tsql/parser/Parser.hpp"
#include "host/data/tsql/TSql.hpp"

#include <gtest/gtest.h>

namespace Talvex::Data::TSql {
namespace {

TEST(TSqlParser, SyntaxErrorsNameLineColumnAndToken)
{
    struct Case {
        const char* text;
        int line;
        int column;
        const char* token;
        const char* message;
    };
    const Case cases[] = {
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
        {"DROP TABLE t", 1, 1, "DROP", "expected a statement"},
        {"SELECT a FROM t WHERE a IN 1", 1, 28, "1", "expected '(' after IN"},
        {"", 1, 1, "", "expected a statement"},
        {"SELECT a,\n DATEADD(day, 1) FROM t", 2, 2, "DATEADD", "DATEADD takes 3 arguments, 2 given"},
        {"SELECT CHARINDEX('a') FROM t", 1, 8, "CHARINDEX", "CHARINDEX takes 2 to 3 arguments, 1 given"},
        {"SELECT isnull(a, b, c) FROM t", 1, 8, "isnull", "isnull takes 2 arguments, 3 given"},
    };
    for (const Case& c : cases) {
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
