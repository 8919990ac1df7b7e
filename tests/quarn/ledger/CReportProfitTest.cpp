#include "quarn/ledger/CReportProfit.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/ledger/LedgerRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace Talvex;
using Quarn_DuzAde::CReportProfit;

namespace {

const Date kBeg = Date::Parse("2026-01-01");
const Date kEnd = Date::Parse("2026-12-31");

using LedgerRunChecks::AccountTurnover;

} // namespace

TEST(ReportProfit, EveryIncomeAndExpenseAccountAgreesWithThePostingsOfTheYear)
{
    auto book = Testing::OpenDemoBook("ledger_profit");
    const auto rows = CReportProfit().Fill(*book, kBeg, kEnd, "1");
    ASSERT_FALSE(rows.empty());
    const auto ledger = LedgerRunChecks::TurnoverByAccount(*book, kBeg, kEnd);

    // Debits equal credits over the period, and opening plus movement is closing, in total.
    Currency debit, credit, opening, closing;
    for (const auto& [code, l] : ledger) {
        debit += l.debit;
        credit += l.credit;
        opening += l.opening;
        closing += l.closing;
        EXPECT_EQ(l.opening + l.debit - l.credit, l.closing) << code;
    }
    EXPECT_EQ(debit, credit);
    EXPECT_EQ(opening, Currency());
    EXPECT_EQ(closing, Currency());

    std::size_t listed = 0;
    bool sawIncome = false, sawExpense = false;
    for (const auto& row : rows) {
        const auto found = ledger.find(row.accountCode);
        ASSERT_NE(found, ledger.end()) << row.accountCode;
        const AccountTurnover& l = found->second;
        const int sign = row.accountCode.front() == '5' ? -1 : 1;
        EXPECT_EQ(row.amount, (l.debit - l.credit) * sign) << row.accountCode;
        EXPECT_EQ(row.endBalance, l.closing * sign) << row.accountCode;
        sawIncome = sawIncome || row.income;
        sawExpense = sawExpense || !row.income;
        ++listed;
    }
    // Interest of the year before: a balance without turnover is listed at 0; an account
    // never posted to is not.
    const auto interest = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.accountCode == "529"; });
    ASSERT_NE(interest, rows.end());
    EXPECT_EQ(interest->amount, Currency());
    EXPECT_EQ(interest->endBalance, Currency::Parse("120"));
    EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), [](const auto& r) { return r.accountCode == "639"; }));
    EXPECT_TRUE(sawIncome);
    EXPECT_TRUE(sawExpense);
    // Every posting account of classes 5 and 6 that moved or holds a balance is listed.
    std::size_t expected = 0;
    for (const auto& [code, l] : ledger)
        expected += (code.front() == '5' || code.front() == '6') && (l.closing != Currency() || l.debit != l.credit);
    EXPECT_EQ(listed, expected);
    // The sections come in the order of their headings, codes ascending within each.
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (rows[i].heading == rows[i - 1].heading) {
            EXPECT_LT(rows[i - 1].accountCode, rows[i].accountCode);
        }
}

TEST(ReportProfit, FormRefusesAMissingChartOrAReversedPeriodAtItsControl)
{
    auto book = Testing::OpenDemoBook("ledger_profit_form");
    Testing::ScriptedUser user;
    user.Set("frmReportProfit", "cbAccSet", "").Click("frmReportProfit", "btOK");
    user.Set("frmReportProfit", "cbAccSet", "1")
        .Set("frmReportProfit", "edBegDate", "2026-07-01")
        .Set("frmReportProfit", "edEndDate", "2026-06-30")
        .Click("frmReportProfit", "btOK");
    user.Set("frmReportProfit", "edBegDate", "2026-01-01").Click("frmReportProfit", "btOK");
    LedgerRunChecks::ClientRun run(user, book);
    CReportProfit report;
    report.SetVisual(true);
    ASSERT_TRUE(report.Run(run.in, run.out)) << user.ErrorsText();
    const auto texts = user.MessageTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "frmReportProfit.cbAccSet: Choose an account set.");
    EXPECT_EQ(texts[1], "frmReportProfit.edEndDate: The first day of the period is after its last day.");
    EXPECT_EQ(run.out.Item("Name").GetValue().ToText(), "UAB Talvex");
    EXPECT_EQ(run.out.Item("EndDate").GetValue().ToDate(), Date::Parse("2026-06-30"));
    auto rs = run.DataList();
    ASSERT_TRUE(rs);
    EXPECT_GT(rs->RecordCount(), 0);
}

TEST(ReportProfit, AChartCodeReachesSqlOnlyAsALiteralAndAnEmptyStatementIsReturnedEmpty)
{
    auto book = Testing::OpenDemoBook("ledger_profit_quote");
    Testing::ScriptedUser user;
    LedgerRunChecks::ClientRun run(user, book);
    run.out.Add("BegDate", FieldType::kDate, Value(kBeg));
    run.out.Add("EndDate", FieldType::kDate, Value(kEnd));
    run.out.Add("AccSetCode", FieldType::kCode, Value(std::string("1'; DELETE FROM GLAccountPost --")));
    CReportProfit report;
    ASSERT_TRUE(report.Run(run.in, run.out)) << user.ErrorsText();
    auto rs = run.DataList();
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_GT(book->Db().Query("SELECT COUNT(*) FROM GLAccountPost").rows.at(0).at(0).ToInteger(), 0);
    // The budget chart has no income or expense classes.
    EXPECT_TRUE(CReportProfit().Fill(*book, kBeg, kEnd, "B").empty());
}
