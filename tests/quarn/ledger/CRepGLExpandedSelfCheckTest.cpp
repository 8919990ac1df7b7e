// The expanded statement's self-check: hand-made statements that hold and ones that break
// each rule, and the check run over the demo company's ledger.

#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "quarn/ledger/CRepGLExpanded.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using Quarn_DuzAde::CRepGLExpanded;
using Quarn_DuzAde::GLAccountTurnover;
using Quarn_DuzAde::GLExpandedRow;

namespace {

Currency M(const char* text)
{
    return Currency::Parse(text);
}

GLExpandedRow Total(const char* code, bool group, GLAccountTurnover sums)
{
    GLExpandedRow row;
    row.code = code;
    row.total = true;
    row.isGroup = group;
    row.sums = sums;
    return row;
}

GLExpandedRow Line(const char* code, const char* cor, const char* debit, const char* credit)
{
    GLExpandedRow row;
    row.code = code;
    row.corCode = cor;
    row.sums.dTurn = M(debit);
    row.sums.cTurn = M(credit);
    return row;
}

// A whole chart of two posting accounts under one group: 271 opens at 100 debit, receives 50
// from 443 and pays 30 to it; 443 opens at 100 credit.
std::vector<GLExpandedRow> Balanced()
{
    return {
        Total("2", true, {M("100"), M("100"), M("80"), M("80"), M("120"), M("120")}),
        Total("271", false, {M("100"), M("0"), M("50"), M("30"), M("120"), M("0")}),
        Line("271", "443", "50", "30"),
        Total("443", false, {M("0"), M("100"), M("30"), M("50"), M("0"), M("120")}),
        Line("443", "271", "30", "50"),
    };
}

std::string Joined(const std::vector<std::string>& findings)
{
    std::string text;
    for (const auto& f : findings)
        text += f + "\n";
    return text;
}

} // namespace

TEST(GLExpandedSelfCheck, ABalancedStatementHoldsAndEachBrokenRuleIsNamed)
{
    EXPECT_EQ(Joined(CRepGLExpanded::SelfCheck(Balanced(), true)), "");
    EXPECT_EQ(Joined(CRepGLExpanded::SelfCheck({}, true)), "");

    {
        auto rows = Balanced();
        // Closing no longer opening + debit - credit, and the chart no longer nets to zero.
        rows[1].sums.outcomeDSaldo = M("119.99");
        const auto findings = CRepGLExpanded::SelfCheck(rows, true);
        ASSERT_EQ(findings.size(), 2u) << Joined(findings);
        EXPECT_EQ(findings[0], "Account 271: opening 100 + debit 50 - credit 30 is not the closing balance 119.99");
        EXPECT_EQ(findings[1], "The chart's closing balances net to -0.01, not to zero");
    }
    {
        auto rows = Balanced();
        rows[2].sums.dTurn = M("49.50"); // a correspondent row lost half a unit
        const auto findings = CRepGLExpanded::SelfCheck(rows, true);
        ASSERT_EQ(findings.size(), 2u) << Joined(findings);
        EXPECT_EQ(findings[0], "Account 271: debit turnover 50 differs from its correspondent rows 49.5");
        EXPECT_EQ(findings[1], "The correspondent rows' debit turnover 79.5 differs from their credit turnover 80");
    }
    {
        // A posting to a group account: the group's own turnover is not a posting account's,
        // so the chart's posting accounts no longer balance; a part of the chart is not held
        // to that rule.
        auto rows = Balanced();
        rows[3].sums.cTurn = M("40");
        rows[3].sums.outcomeCSaldo = M("110");
        rows[4].sums.cTurn = M("40");
        const auto whole = CRepGLExpanded::SelfCheck(rows, true);
        ASSERT_EQ(whole.size(), 3u) << Joined(whole);
        EXPECT_EQ(whole[0], "The chart's debit turnover 80 differs from its credit turnover 70");
        EXPECT_EQ(whole[1], "The correspondent rows' debit turnover 80 differs from their credit turnover 70");
        EXPECT_EQ(whole[2], "The chart's closing balances net to 10, not to zero");
        EXPECT_EQ(Joined(CRepGLExpanded::SelfCheck(rows, false)), "");
    }
    {
        // Correspondent rows of an account with no total row of its own.
        auto rows = Balanced();
        rows.push_back(Line("999", "271", "1", "0"));
        const auto findings = CRepGLExpanded::SelfCheck(rows, false);
        ASSERT_EQ(findings.size(), 1u) << Joined(findings);
        EXPECT_EQ(findings[0], "Account 999: correspondent rows without a total row of a posting account");
    }
}

TEST(GLExpandedSelfCheck, TheDemoLedgerPassesOnItsWholeChartAndOnAGroup)
{
    auto book = Testing::OpenDemoBook("gl_self_check_tester");
    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    app.Context().SetBook(book);

    CRepGLExpanded report;
    EXPECT_TRUE(report.Test()) << user.ErrorsText();
    EXPECT_EQ(user.ErrorsText(), "");
    ASSERT_EQ(user.MessageTexts().size(), 1u);
    EXPECT_NE(user.MessageTexts()[0].find("every check holds."), std::string::npos) << user.MessageTexts()[0];

    // A group of the chart over a period across a year end: the same rules but the chart's
    // balance, which a part of the chart need not have.
    const CRepGLExpanded::Parameters group{Date(2025, 7, 1), Date(2026, 6, 30), "1", {"27"}};
    EXPECT_EQ(Joined(report.Test(book, group)), "");
    const CRepGLExpanded::Parameters nothing{Date(2025, 7, 1), Date(2026, 6, 30), "1", {"no such account"}};
    EXPECT_EQ(Joined(report.Test(book, nothing)), "The statement of chart 1 has no account\n");
}
