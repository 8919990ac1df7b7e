#include "quarn/ledger/CRepGLExpanded.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
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

struct Turnover {
    Currency opening, debit, credit, closing;
};

// Per posting account: balance before the period, its debits and credits, balance at its end,
// straight from the postings.
std::map<std::string, Turnover> PostingsByAccount(Book& book)
{
    auto result = book.Db().QueryPostgres(R"sql(
        SELECT s.AccCode,
               COALESCE(sum(CASE WHEN p.DatePost < $1 THEN s.Sign * p.SumAcc END), 0),
               COALESCE(sum(CASE WHEN p.DatePost >= $1 AND s.Sign = 1 THEN p.SumAcc END), 0),
               COALESCE(sum(CASE WHEN p.DatePost >= $1 AND s.Sign = -1 THEN p.SumAcc END), 0),
               sum(s.Sign * p.SumAcc)
        FROM GLAccountPost p
        CROSS JOIN LATERAL (VALUES (p.DebetAccCode, 1), (p.CreditAccCode, -1)) s (AccCode, Sign)
        WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost <= $2
        GROUP BY s.AccCode)sql",
                                          {Value(kBeg), Value(kEnd)});
    std::map<std::string, Turnover> out;
    for (const auto& row : result.rows)
        out[row[0].ToText()] = {row[1].ToCurrency(), row[2].ToCurrency(), row[3].ToCurrency(), row[4].ToCurrency()};
    return out;
}

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
    const auto postings = PostingsByAccount(*book);

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
            const Turnover t = found == postings.end() ? Turnover{} : found->second;
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
        ClientApp app(user.Session());
        ClientApp::Scope scope(app);
        FieldList in;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        FieldList out;
        CRepGLExpanded report;
        report.SetVisual(true);
        ASSERT_TRUE(report.Run(in, out)) << user.ErrorsText();
        const auto texts = user.MessageTexts();
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(texts[0], "frmGLExpanded.cbAccSet: Choose an account set.");
        EXPECT_EQ(texts[1], "frmGLExpanded.selAccGroup: '271' is no group account.");
        EXPECT_EQ(texts[2], "frmGLExpanded.selAccChild: The chart has no account '999'.");
        EXPECT_EQ(out.Item("AccountCode").GetValue().ToText(), "'271', '272'");
        auto rs = std::dynamic_pointer_cast<Data::Recordset>(out.Item("DataList").GetValue().ToObject());
        ASSERT_TRUE(rs);
        EXPECT_GT(rs->RecordCount(), 2);
    }
    {
        Testing::ScriptedUser user;
        ClientApp app(user.Session());
        ClientApp::Scope scope(app);
        FieldList in;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        FieldList out;
        out.Add("BegPeriod", FieldType::kDate, Value(kBeg));
        out.Add("EndPeriod", FieldType::kDate, Value(kEnd));
        out.Add("AccSetCode", FieldType::kCode, Value(std::string("1")));
        out.Add("AccountCode", FieldType::kMultiSelection, Value(std::string("'27''1; DELETE FROM GLAccountPost --'")));
        CRepGLExpanded report;
        ASSERT_TRUE(report.Run(in, out)) << user.ErrorsText();
        auto rs = std::dynamic_pointer_cast<Data::Recordset>(out.Item("DataList").GetValue().ToObject());
        ASSERT_TRUE(rs);
        EXPECT_EQ(rs->RecordCount(), 0);
        EXPECT_GT(book->Db().Query("SELECT COUNT(*) FROM GLAccountPost").rows.at(0).at(0).ToInteger(), 0);
    }
}
