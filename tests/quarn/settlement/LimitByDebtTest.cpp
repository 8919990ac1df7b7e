// The credit-limit list's rows, the limits it writes and the over-limit choice, by hand.
#include "quarn/settlement/LimitByDebt.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;

namespace {
Currency Money(const char* text)
{
    return Currency::Parse(text);
}
} // namespace

TEST(LimitByDebt, ClientsWithALimitSetByHandStartUntickedAndAreNeverWritten)
{
    auto rows = LimitRows({{"C1", "One", Money("120.50"), Money("5000"), false},
                           {"C2", "Two", Money("0"), Money("700"), true},
                           {"C3", "Three", Money("-3"), Money("0"), false}});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].writeToDB);
    EXPECT_FALSE(rows[1].writeToDB);
    EXPECT_TRUE(rows[1].isLimitSetManually);
    EXPECT_EQ(rows[0].accNeedPaySum, Money("120.50"));

    // The user ticks the manual client and unticks C3: only C1 is written, with the limit
    // the list shows.
    rows[1].writeToDB = true;
    rows[2].writeToDB = false;
    const auto writes = LimitsToWrite(rows);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].code, "C1");
    EXPECT_EQ(writes[0].limit, Money("5000"));

    rows[0].writeToDB = false;
    EXPECT_TRUE(LimitsToWrite(rows).empty());
}

TEST(LimitByDebt, ABalanceEqualToTheLimitIsNotOverIt)
{
    const auto over = ClientsOverLimit({{"A", "a", Money("100"), Money("100")},
                                        {"B", "b", Money("100"), Money("100.01")},
                                        {"C", "c", Money("0"), Money("-5")},
                                        {"D", "d", Money("0"), Money("0.0001")}});
    ASSERT_EQ(over.size(), 2u);
    EXPECT_EQ(over[0].code, "B");
    EXPECT_EQ(over[0].saldo, Money("100.01"));
    EXPECT_EQ(over[1].code, "D");
}
