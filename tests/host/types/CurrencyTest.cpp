#include "host/types/Currency.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

using Talvex::Currency;

TEST(Currency, ParsesExactTextAndRoundsBeyondFourDecimalsHalfAwayFromZero)
{
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"0", "0"},
        {"12.5", "12.5"},
        {"-3", "-3"},
        {"0.0001", "0.0001"},
        {"1.00005", "1.0001"},
        {"-1.00005", "-1.0001"},
        {"1.000049", "1"},
        {"+7.25", "7.25"},
        {" 42 ", "42"},
        {"922337203685477.5807", "922337203685477.5807"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Currency::Parse(c.text).ToString(), c.expected) << c.text;

    Currency exact;
    EXPECT_TRUE(Currency::ParseExact("10.1200", exact));
    EXPECT_EQ(exact.Units(), 101200);
    EXPECT_FALSE(Currency::ParseExact("10.12345", exact));
    for (const char* bad : {"", "-", "1.2.3", "12a", "1e5", "922337203685477.5808", "."})
        EXPECT_THROW(Currency::Parse(bad), Talvex::ValueError) << bad;
}

TEST(Currency, RoundsHalfAwayFromZeroAndFormatsFixedDecimals)
{
    EXPECT_EQ(Currency::Parse("2.345").RoundHalfAwayFromZero(2).ToString(), "2.35");
    EXPECT_EQ(Currency::Parse("-2.345").RoundHalfAwayFromZero(2).ToString(), "-2.35");
    EXPECT_EQ(Currency::Parse("2.3449").RoundHalfAwayFromZero(2).ToString(), "2.34");
    EXPECT_EQ(Currency::Parse("0.5").RoundHalfAwayFromZero(0).ToString(), "1");
    EXPECT_EQ(Currency::Parse("1234.5").ToFixed(2), "1234.50");
    EXPECT_EQ(Currency::Parse("-0.004").ToFixed(2), "0.00");
    EXPECT_EQ(Currency::Parse("-0.005").ToFixed(2), "-0.01");
}

TEST(Currency, ArithmeticIsExactAndOverflowIsAnError)
{
    Currency tenth = Currency::Parse("0.1");
    Currency sum;
    for (int i = 0; i < 10; ++i)
        sum += tenth;
    EXPECT_EQ(sum, Currency::FromInteger(1));
    EXPECT_EQ((Currency::Parse("10") * 3).ToString(), "30");
    EXPECT_EQ(Currency::Parse("10").DivideRoundHalfAwayFromZero(Currency::Parse("3")).ToString(), "3.3333");
    EXPECT_EQ(Currency::Parse("-20").DivideRoundHalfAwayFromZero(Currency::Parse("3")).ToString(), "-6.6667");
    EXPECT_EQ(Currency::Parse("1.5").MultiplyRoundHalfAwayFromZero(Currency::Parse("0.0003")).ToString(), "0.0005");
    EXPECT_THROW(Currency::FromUnits(INT64_MAX) + Currency::FromUnits(1), Talvex::ValueError);
    EXPECT_THROW(Currency::FromUnits(INT64_MIN) - Currency::FromUnits(1), Talvex::ValueError);
    EXPECT_THROW(Currency::FromInteger(1) * INT64_MAX, Talvex::ValueError);
    EXPECT_THROW((void)Currency::FromInteger(1).DivideRoundHalfAwayFromZero(Currency()), Talvex::ValueError);
}
