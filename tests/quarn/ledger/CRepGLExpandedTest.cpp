#include "quarn/ledger/CRepGLExpanded.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/ledger/LedgerRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::CRepGLExpanded;
using Quarn_DuzAde::GLExpandedRow;

namespace {

const Date kBeg = Date::Parse("2026-01-01");
const Date kEnd = Date::Parse("2026-12-31");

using LedgerRunChecks::AccountTurnover;

std::vector<std::string> PostingAccounts(Book& book)
{
    std::vector<std::string> codes;
    for (const auto& row :
         book.Db()
             .QueryPostgres("SELECT Code FROM GLAccount WHERE AccSetCode = '1' AND IsGroup = 0 ORDER BY Code")
             .rows)
        codes.push_back(row[0].ToText());
    return codes;
}

} // namespace

TEST(RepGLExpanded, EveryAccountOfTheChartBalancesAndItsCorrespondentsAddUpToItsTurnover)
{
    auto book = Testing::OpenDemoBook("ledger_expanded");
    const auto rows = CRepGLExpanded().Fill(book, {kBeg, kEnd, "1", PostingAccounts(*book)});
    ASSERT_TRUE(rows.has_value());
    ASSERT_FALSE(rows->empty());
    const auto postings = LedgerRunChecks::TurnoverByAccount(*book, kBeg, kEnd);

    Currency debit, credit, corDebit, corCredit;
    std::map<std::string, std::pair<Currency, Currency>> corByAccount;
    std::map<std::string, const GLExpandedRow*> totals;
    for (const auto& row : *rows) {
        if (row.total) {
            totals[row.code] = &row;
            const auto& s = row.sums;
            // Opening plus movement is closing, per account.
            EXPECT_EQ(s.incomeDSaldo - s.incomeCSaldo + s.dTurn - s.cTurn, s.outcomeDSaldo - s.outcomeCSaldo)
                << row.code;
            const auto found = postings.find(row.code);
            const AccountTurnover t = found == postings.end() ? AccountTurnover{} : found->second;
            EXPECT_EQ(s.dTurn, t.debit) << row.code;
            EXPECT_EQ(s.cTurn, t.credit) << row.code;
            EXPECT_EQ(s.outcomeDSaldo - s.outcomeCSaldo, t.closing) << row.code;
            debit += s.dTurn;
            credit += s.cTurn;
        } else {
            corByAccount[row.code].first += row.sums.dTurn;
            corByAccount[row.code].second += row.sums.cTurn;
            corDebit += row.sums.dTurn;
            corCredit += row.sums.cTurn;
            EXPECT_EQ(row.sums.outcomeDSaldo, Currency());
        }
    }
    // Debits equal credits over the period, on the totals and on the correspondent lines.
    EXPECT_EQ(debit, credit);
    EXPECT_EQ(corDebit, debit);
    EXPECT_EQ(corCredit, credit);
    for (const auto& [code, sums] : corByAccount) {
        ASSERT_EQ(totals.count(code), 1u) << code;
        EXPECT_EQ(sums.first, totals[code]->sums.dTurn) << code;
        EXPECT_EQ(sums.second, totals[code]->sums.cTurn) << code;
    }
}

TEST(RepGLExpanded, AGroupListsEveryAccountUnderItWithItsLevel)
{
    auto book = Testing::OpenDemoBook("ledger_expanded_group");
    const auto rows = CRepGLExpanded().Fill(book, {kBeg, kEnd, "1", {"4"}});
    ASSERT_TRUE(rows.has_value());
    std::map<std::string, long> levels;
    for (const auto& row : *rows)
        if (row.total) levels[row.code] = row.level;
    const std::map<std::string, long> expected{{"4", 0},  {"44", 1},  {"443", 2},  {"449", 2},
                                               {"45", 1}, {"450", 2}, {"4501", 3}, {"4502", 3}};
    EXPECT_EQ(levels, expected);
    // A chart without the account: nothing to list.
    const auto none = CRepGLExpanded().Fill(book, {kBeg, kEnd, "B", {"4"}});
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST(RepGLExpanded, FormRefusesBadChoicesAtTheirControlAndACodeReachesSqlOnlyAsALiteral)
{
    auto book = Testing::OpenDemoBook("ledger_expanded_form");
    {
        Testing::ScriptedUser user;
        user.Set("frmGLExpanded", "cbAccSet", "").Click("frmGLExpanded", "btOK");
        user.Set("frmGLExpanded", "cbAccSet", "1")
            .Set("frmGLExpanded", "selAccGroup", "271")
            .Click("frmGLExpanded", "btOK");
        user.Set("frmGLExpanded", "optAccChild", "True")
            .Set("frmGLExpanded", "selAccChild", "271, 999")
            .Click("frmGLExpanded", "btOK");
        user.Set("frmGLExpanded", "selAccChild", "271, 272")
            .Set("frmGLExpanded", "edBegDate", "2026-06-01")
            .Set("frmGLExpanded", "edEndDate", "2026-06-30")
            .Click("frmGLExpanded", "btOK");
        LedgerRunChecks::ClientRun run(user, book);
        CRepGLExpanded report;
        report.SetVisual(true);
        ASSERT_TRUE(report.Run(run.in, run.out)) << user.ErrorsText();
        const auto texts = user.MessageTexts();
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(texts[0], "frmGLExpanded.cbAccSet: Choose an account set.");
        EXPECT_EQ(texts[1], "frmGLExpanded.selAccGroup: '271' is no group account.");
        EXPECT_EQ(texts[2], "frmGLExpanded.selAccChild: The chart has no account '999'.");
        EXPECT_EQ(run.out.Item("AccountCode").GetValue().ToText(), "'271', '272'");
        auto rs = run.DataList();
        ASSERT_TRUE(rs);
        EXPECT_GT(rs->RecordCount(), 2);
    }
    {
        Testing::ScriptedUser user;
        LedgerRunChecks::ClientRun run(user, book);
        run.out.Add("BegPeriod", FieldType::kDate, Value(kBeg));
        run.out.Add("EndPeriod", FieldType::kDate, Value(kEnd));
        run.out.Add("AccSetCode", FieldType::kCode, Value(std::string("1")));
        run.out.Add("AccountCode", FieldType::kMultiSelection,
                    Value(std::string("'27''1; DELETE FROM GLAccountPost --'")));
        CRepGLExpanded report;
        ASSERT_TRUE(report.Run(run.in, run.out)) << user.ErrorsText();
        auto rs = run.DataList();
        ASSERT_TRUE(rs);
        EXPECT_EQ(rs->RecordCount(), 0);
        EXPECT_GT(book->Db().Query("SELECT COUNT(*) FROM GLAccountPost").rows.at(0).at(0).ToInteger(), 0);
    }
}
