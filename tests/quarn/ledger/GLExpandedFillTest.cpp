#include "quarn/ledger/GLExpandedFill.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;

namespace {

Currency C(const char* text)
{
    return Currency::Parse(text);
}

} // namespace

TEST(GLExpandedFill, EachAccountHasItsTotalThenOneLinePerCorrespondentAccount)
{
    // Group 27 with bank 271 and cash 272; 272 had no postings in the period. A transfer from
    // the cash desk to the bank is a posting between two accounts of the tree: a line under each.
    const std::vector<GLTreeAccount> tree{{"27", "Money", true, 0},
                                          {"272", "Cash", false, 1},
                                          {"271", "Bank", false, 1},
                                          {"271", "Bank again", false, 1}};
    std::map<std::string, GLAccountTurnover> turnovers;
    turnovers["27"] = {C("100"), C("0"), C("300"), C("50"), C("350"), C("0")};
    turnovers["271"] = {C("90"), C("0"), C("300"), C("50"), C("340"), C("0")};
    turnovers["272"] = {C("10"), C("0"), C("0"), C("0"), C("10"), C("0")};
    const std::vector<GLCorrespondence> lines{{"271", "240", C("200"), C("0")}, {"271", "272", C("100"), C("0")},
                                              {"271", "443", C("0"), C("30")},  {"271", "443", C("0"), C("20")},
                                              {"272", "271", C("0"), C("0")},   {"500", "240", C("0"), C("9")}};
    const std::map<std::string, std::string> names{{"240", "Debtors"}, {"272", "Cash"}, {"443", "Vendors"}};
    const auto rows = ExpandedStatement(tree, turnovers, lines, names);

    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].code, "27");
    EXPECT_TRUE(rows[0].total);
    EXPECT_TRUE(rows[0].isGroup);
    EXPECT_EQ(rows[0].sums.outcomeDSaldo, C("350"));

    EXPECT_EQ(rows[1].code, "271");
    EXPECT_EQ(rows[1].corCode, "");
    EXPECT_EQ(rows[1].name, "Bank");
    EXPECT_EQ(rows[1].level, 1);
    EXPECT_EQ(rows[2].corCode, "240");
    EXPECT_EQ(rows[2].sums.dTurn, C("200"));
    EXPECT_EQ(rows[2].name, "Debtors");
    EXPECT_FALSE(rows[2].total);
    EXPECT_EQ(rows[2].level, 1);
    EXPECT_EQ(rows[3].corCode, "272");
    EXPECT_EQ(rows[4].corCode, "443");
    EXPECT_EQ(rows[4].sums.cTurn, C("50")); // two lines of one correspondent summed
    EXPECT_EQ(rows[4].sums.incomeDSaldo, C("0"));
    // The correspondent rows of an account add up to its turnover.
    EXPECT_EQ(rows[2].sums.dTurn + rows[3].sums.dTurn + rows[4].sums.dTurn, rows[1].sums.dTurn);
    EXPECT_EQ(rows[2].sums.cTurn + rows[3].sums.cTurn + rows[4].sums.cTurn, rows[1].sums.cTurn);

    EXPECT_EQ(rows[5].code, "272");
    EXPECT_TRUE(rows[5].total);
    EXPECT_EQ(rows[5].sums.outcomeDSaldo, C("10")); // no postings: balances only
    EXPECT_EQ(rows[6].corCode, "271");
    EXPECT_EQ(rows[6].name, ""); // the chart's names lack 271

    // Nothing chosen that the chart holds: nothing at all.
    EXPECT_TRUE(ExpandedStatement({}, turnovers, lines, names).empty());
}

TEST(GLExpandedFill, TheChosenAccountsSurviveTheirParameterText)
{
    const std::vector<std::string> codes{"271", "4'501", " 272"};
    const std::string text = QuotedAccountCodes(codes);
    EXPECT_EQ(text, "'271', '4''501', ' 272'");
    EXPECT_EQ(AccountCodesOf(text), codes);
    EXPECT_EQ(AccountCodesOf("27"), (std::vector<std::string>{"27"}));
    EXPECT_EQ(AccountCodesOf(" 27 , 28,,"), (std::vector<std::string>{"27", "28"}));
    EXPECT_TRUE(AccountCodesOf("").empty());
    EXPECT_TRUE(AccountCodesOf("''").empty());
}
