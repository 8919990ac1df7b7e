#include "host/data/Recordset.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

// Money and decimal arithmetic through the front end on the real engine, read back as
// exact values. Expected answers are SQL Server's by its typing rules, worked by hand.
namespace Talvex::Data::TSql {
namespace {

class ExactArithmetic : public ::testing::Test {
protected:
    static void SetUpTestSuite() { db_ = new Connection(Testing::OpenScratchDatabase()); }
    static void TearDownTestSuite()
    {
        delete db_;
        db_ = nullptr;
    }

    static Value One(const std::string& expression)
    {
        ResultSet rs = db_->Query("SELECT " + expression + " AS v");
        EXPECT_EQ(rs.rows.size(), 1u) << expression;
        return rs.rows.empty() ? Value() : rs.rows[0][0];
    }

    struct Case {
        const char* expression;
        const char* expected; // the value's own text: every decimal of a decimal's scale
    };

    // Money results must come back as amounts, decimals as decimals; never as doubles.
    static void Expect(const std::vector<Case>& cases, bool money)
    {
        for (const Case& c : cases) {
            try {
                Value v = One(c.expression);
                EXPECT_EQ(v.ToText(), c.expected)
                    << c.expression << "\n  as " << Translate(std::string("SELECT ") + c.expression).postgres;
                if (money)
                    EXPECT_TRUE(std::holds_alternative<Currency>(v.Raw())) << c.expression;
                else
                    EXPECT_TRUE(std::holds_alternative<Decimal>(v.Raw())) << c.expression << " gave " << v.ToText();
            } catch (const std::exception& e) {
                ADD_FAILURE() << c.expression << ": " << e.what();
            }
        }
    }

    static Connection* db_;
};

Connection* ExactArithmetic::db_ = nullptr;

TEST_F(ExactArithmetic, MoneyWithMoneyOrWholeNumbersStaysMoneyRoundedHalfAwayFromZero)
{
    Expect(
        {
            {"CAST(10 AS MONEY) / 3", "3.3333"},
            {"CAST(-10 AS MONEY) / 3", "-3.3333"},
            {"CAST(2 AS MONEY) / 3", "0.6667"},
            {"CAST(-2 AS MONEY) / 3", "-0.6667"},
            {"CAST(1 AS MONEY) / CAST(8 AS MONEY)", "0.125"},
            {"CAST(0.0005 AS MONEY) * CAST(0.5 AS MONEY)", "0.0003"},
            {"CAST(-0.0005 AS MONEY) * CAST(0.5 AS MONEY)", "-0.0003"},
            {"CAST(0.0001 AS MONEY) / 2", "0.0001"},
            {"CAST(-0.0001 AS MONEY) / 2", "-0.0001"},
            {"CAST(10 AS MONEY) / 3 * 3", "9.9999"},
            {"CAST(19.99 AS MONEY) * 3", "59.97"},
            {"CAST(100 AS MONEY) * 1.175", "117.5"},
            // Near the top of money's range the quotient is still exact to the last unit.
            {"CAST(922337203685477.5807 AS MONEY) / 7", "131762457669353.9401"},
            {"CAST(-922337203685477.5807 AS MONEY) / 1", "-922337203685477.5807"},
        },
        true);
}

TEST_F(ExactArithmetic, DecimalProductsAndQuotientsTakeSqlServersPrecisionAndScale)
{
    Expect(
        {
            // p1 + p2 + 1, s1 + s2: the scale is kept even where the digits are zero.
            {"CAST(1.5 AS DECIMAL(10,2)) * CAST(2.25 AS DECIMAL(10,3))", "3.37500"},
            {"CAST(-1.5 AS DECIMAL(10,2)) * CAST(2.25 AS DECIMAL(10,3))", "-3.37500"},
            // Scale max(6, s1 + p2 + 1): 1.0 is decimal(2,1), 3 counts as decimal(1,0).
            {"1.0 / 3", "0.333333"},
            {"2.0 / 3", "0.666667"},
            {"-2.0 / 3", "-0.666667"},
            {"CAST(1 AS INT) / CAST(3 AS DECIMAL(10,2))", "0.33333333333"},
            {"CAST(10 AS DECIMAL(5,2)) / CAST(4 AS DECIMAL(5,2))", "2.50000000"},
            // Past 38 digits the scale gives way, but not below six decimals.
            {"CAST(1 AS DECIMAL(38,10)) / CAST(3 AS DECIMAL(38,10))", "0.333333"},
            {"CAST(2 AS DECIMAL(38,2)) / CAST(3 AS DECIMAL(10,2))", "0.666667"},
            // A quotient beyond sixteen digits is exact to its scale, its last digit rounded.
            {"CAST(2 AS DECIMAL(20,18)) / CAST(3 AS DECIMAL(2,0))", "0.666666666666666666667"},
            {"CAST(12345678901234567.5 AS DECIMAL(20,1)) * 2", "24691357802469135.0"},
        },
        false);
}

TEST_F(ExactArithmetic, RoundKeepsTheTypeAndRoundsHalvesAwayFromZeroOnBothSides)
{
    Expect(
        {
            {"ROUND(CAST(2.345 AS MONEY), 2)", "2.35"},
            {"ROUND(CAST(-2.345 AS MONEY), 2)", "-2.35"},
            {"ROUND(CAST(2.5 AS MONEY), 0)", "3"},
            {"ROUND(CAST(-2.5 AS MONEY), 0)", "-3"},
            {"ROUND(CAST(10 AS MONEY) / 3, 2)", "3.33"},
            {"ROUND(CAST(1234.5 AS MONEY), -2)", "1200"},
        },
        true);
    Expect(
        {
            {"ROUND(CAST(2.345 AS DECIMAL(10,3)), 2)", "2.350"},
            {"ROUND(CAST(-2.345 AS DECIMAL(10,3)), 2)", "-2.350"},
            {"ROUND(CAST(0.125 AS DECIMAL(10,5)), 2)", "0.13000"},
            {"ROUND(2.0 / 3, 4)", "0.666700"},
            {"ROUND(CAST(12.5 AS DECIMAL(10,1)), 0)", "13.0"},
        },
        false);
    // The rounded decimal keeps its declared scale as a column, so it stays a decimal.
    ResultSet rs = db_->Query("SELECT ROUND(CAST(2.345 AS MONEY), 2) AS m, ROUND(2.0 / 3, 4) AS d");
    EXPECT_EQ(rs.columns[0].declaredScale, 4);
    EXPECT_EQ(rs.columns[1].declaredScale, 6);
}

TEST_F(ExactArithmetic, ResultColumnsAreOneExactKindFromServerToGrid)
{
    // Sums of money stay money; a column with one value past four decimals is decimal in
    // every row; a value beyond sixteen digits is kept whole, not as a double.
    // A sum leaves the server's column without a declared scale.
    ResultSet rs = db_->Query("SELECT a, b, c FROM (SELECT 1 AS a, 1.25 + 0 AS b, 0.1 + 0 AS c "
                              "UNION ALL SELECT 2, 2.5 + 0, 0.12345 + 0 "
                              "UNION ALL SELECT 3, NULL, 79228162514264.33759354395033 + 0) AS t ORDER BY a");
    ASSERT_EQ(rs.rows.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<Currency>(rs.rows[0][1].Raw()));
    EXPECT_TRUE(rs.rows[2][1].IsNull());
    for (const auto& row : rs.rows)
        EXPECT_TRUE(std::holds_alternative<Decimal>(row[2].Raw())) << row[2].ToText();
    EXPECT_EQ(rs.rows[0][2].ToText(), "0.1");
    EXPECT_EQ(rs.rows[2][2].ToText(), "79228162514264.33759354395033");

    // Through a recordset: sorted, filtered and found exactly, shown with every decimal.
    ResultSet money = db_->Query("SELECT n, CAST(v AS MONEY) / 3 AS third, CAST(v AS DECIMAL(18,2)) / 7 AS seventh "
                                 "FROM (SELECT 1 AS n, 10 AS v UNION ALL SELECT 2, -10 UNION ALL "
                                 "SELECT 3, 1000000000000 UNION ALL SELECT 4, 20) AS t");
    auto set = Recordset::FromResultSet(money);
    set.SetSort("seventh DESC");
    std::vector<std::string> order;
    for (set.MoveFirst(); !set.Eof(); set.MoveNext())
        order.push_back(set.Fields()("third").Value().ToText());
    EXPECT_EQ(order, (std::vector<std::string>{"333333333333.3333", "6.6667", "3.3333", "-3.3333"}));
    set.SetSort("");
    set.SetFilter("third = 3.3333");
    ASSERT_EQ(set.RecordCount(), 1);
    EXPECT_EQ(set.Fields()("n").Value().ToInteger(), 1);
    // Eighteen digits: as doubles the bounds and the value would be one number.
    set.SetFilter("seventh > 142857142857.142856 AND seventh < 142857142857.142858");
    ASSERT_EQ(set.RecordCount(), 1);
    EXPECT_EQ(set.Fields()("n").Value().ToInteger(), 3);
    set.SetFilter("seventh = -1.428571");
    ASSERT_EQ(set.RecordCount(), 1);
    EXPECT_EQ(set.Fields()("n").Value().ToInteger(), 2);
    const Value seventh = set.Fields()("seventh").Value();
    EXPECT_EQ(seventh.ToText(), "-1.428571");
    EXPECT_EQ(Ui::DisplayFormat::Apply(seventh, Ui::DisplayFormat::Natural(seventh)), "-1.428571");
    set.SetFilter("n = 3");
    const Value large = set.Fields()("seventh").Value();
    EXPECT_EQ(Ui::DisplayFormat::Apply(large, Ui::DisplayFormat::Natural(large)), "142,857,142,857.142857");
    EXPECT_EQ(Ui::DisplayFormat::Apply(large, "#,##0.00"), "142,857,142,857.14");
    EXPECT_EQ(Ui::DisplayFormat::Apply(set.Fields()("third").Value(), "#,##0.00"), "333,333,333,333.33");
}

} // namespace
} // namespace Talvex::Data::TSql
