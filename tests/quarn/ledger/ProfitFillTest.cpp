#include "quarn/ledger/ProfitFill.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;

namespace {

Currency C(const char* text)
{
    return Currency::Parse(text);
}

} // namespace

TEST(ProfitFill, IncomeAndExpensesBothReadPositiveAndIdleOrForeignAccountsAreLeftOut)
{
    const std::vector<ProfitAccount> accounts{
        {"500", "Sales", C("20"), C("100"), C("-80")},   // income: credit 100, debit 20
        {"505", "Services", C("30"), C("30"), C("0")},   // equal turnovers, nothing left: out
        {"509", "Returns", C("15"), C("15"), C("-7.5")}, // equal turnovers, balance left: in
        {"600", "Cost of sales", C("64.25"), C("0.25"), C("64")},
        {"240", "Debtors", C("500"), C("100"), C("400")}, // class 2: never
        {"71", "Other", C("1"), C("0"), C("1")},          // class 7: never
        {"", "No code", C("1"), C("0"), C("1")},
    };
    const auto rows = ProfitRows(accounts, "Income", "Expenses");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].accountCode, "500");
    EXPECT_EQ(rows[0].amount, C("80"));
    EXPECT_EQ(rows[0].endBalance, C("80"));
    EXPECT_EQ(rows[0].heading, "Income");
    EXPECT_EQ(rows[1].accountCode, "509");
    EXPECT_EQ(rows[1].amount, C("0"));
    EXPECT_EQ(rows[1].endBalance, C("7.5"));
    EXPECT_EQ(rows[2].accountCode, "600");
    EXPECT_EQ(rows[2].amount, C("64"));
    EXPECT_EQ(rows[2].endBalance, C("64"));
    EXPECT_EQ(rows[2].heading, "Expenses");

    const ProfitTotals totals = ProfitTotalsOf(rows);
    EXPECT_EQ(totals.income, C("80"));
    EXPECT_EQ(totals.expenses, C("64"));
    EXPECT_EQ(totals.profit, C("16"));
    // A loss reads negative; an empty statement is all zeros.
    EXPECT_EQ(ProfitTotalsOf(ProfitRows({{"620", "Other costs", C("100"), C("0"), C("100")}}, "I", "E")).profit,
              C("-100"));
    EXPECT_EQ(ProfitTotalsOf({}).profit, C("0"));
}
