#include "host/types/Decimal.hpp"
#include "host/types/Errors.hpp"
#include "host/types/Value.hpp"

#include <gtest/gtest.h>

#include <string>

using Talvex::Currency;
using Talvex::Decimal;
using Talvex::Value;
using Talvex::ValueError;

namespace {

Decimal D(const char* text)
{
    return Decimal::Parse(text);
}

} // namespace

TEST(Decimal, ParsesExactlyKeepingTheScaleAndRefusesWhatIsNoNumber)
{
    EXPECT_EQ(D("1234.5600").ToString(), "1234.5600");
    EXPECT_EQ(D("-0.00").ToString(), "0.00");
    EXPECT_EQ(D("+.5").ToString(), "0.5");
    EXPECT_EQ(D(" 007 ").ToString(), "7");
    EXPECT_EQ(D("79228162514264337593543950335").ToString(), "79228162514264337593543950335");
    EXPECT_EQ(D("-79228162514264337593543950335").ToString(), "-79228162514264337593543950335");
    // 29 decimals: the last is a half and the digit before it is even.
    EXPECT_EQ(D("0.12345678901234567890123456785").ToString(), "0.1234567890123456789012345678");
    EXPECT_EQ(D("0.12345678901234567890123456775").ToString(), "0.1234567890123456789012345678");
    // A long text keeps what lies far beyond half a unit: 28 zeros, a half, then a far 1.
    const std::string beyondHalf = "0." + std::string(28, '0') + "5" + std::string(70, '0') + "1";
    EXPECT_EQ(Decimal::Parse(beyondHalf).ToString(), "0." + std::string(27, '0') + "1");
    EXPECT_EQ(Decimal::Parse(beyondHalf.substr(0, 40)).ToString(), "0." + std::string(28, '0'));
    for (const char* bad : {"", "-", ".", "1.2.3", "12a", "1e5", "79228162514264337593543950336"})
        EXPECT_THROW(D(bad), ValueError) << bad;
}

// Most texts a server sends fit 64 bits and take a short way; the digits around that edge, and
// the amounts around the edges of money, read the same either way.
TEST(Decimal, ShortAndLongNumbersReadAlikeAndAmountsAreExactToTheLastUnit)
{
    for (const char* text : {"9999999999999999999", "18446744073709551615", "18446744073709551616",
                             "-9999999999999999999.9", "0.0000000000000000000000000001", "1234567890.123456789",
                             "-1234567890.1234567890"})
        EXPECT_EQ(D(text).ToString(), text);
    EXPECT_EQ(D("000000000000000000000123.45").ToString(), "123.45");
    EXPECT_EQ(D("-0.000").ToString(), "0.000");
    EXPECT_FALSE(D("-0.000").IsNegative());
    EXPECT_EQ(D("0.00000000000000000000000000005").ToString(), "0.0000000000000000000000000000");

    const auto amount = [](const char* text) {
        const auto exact = D(text).ExactCurrency();
        return exact ? exact->ToString() : std::string("none");
    };
    EXPECT_EQ(amount("12.340000"), Currency::Parse("12.34").ToString());
    EXPECT_EQ(amount("12.340001"), "none");
    EXPECT_EQ(amount("0.000000"), Currency::Parse("0").ToString());
    EXPECT_EQ(amount("922337203685477.5807"), Currency::FromUnits(9223372036854775807LL).ToString());
    EXPECT_EQ(amount("922337203685477.5808"), "none");
    EXPECT_EQ(amount("-922337203685477.5808"), Currency::FromUnits(-9223372036854775807LL - 1).ToString());
    // Beyond 64 bits of digits: the long way, same answers.
    EXPECT_EQ(amount("1.0000000000000000000000000"), Currency::Parse("1").ToString());
    EXPECT_EQ(amount("-7.2500000000000000000000001"), "none");
    EXPECT_EQ(amount("79228162514264337593543950335"), "none");
}

TEST(Decimal, DividesToTheDigitsThatFitAndKeepsExactQuotientsShort)
{
    struct Case {
        const char* a;
        const char* b;
        const char* quotient;
    };
    const Case cases[] = {
        {"1", "3", "0.3333333333333333333333333333"},
        {"10", "3", "3.3333333333333333333333333333"},
        {"2", "3", "0.6666666666666666666666666667"},
        {"-2", "3", "-0.6666666666666666666666666667"},
        {"10", "4", "2.5"},
        {"1.00", "1", "1.00"},
        {"100", "0.5", "200"},
        {"-7", "2", "-3.5"},
        {"79228162514264337593543950335", "10", "7922816251426433759354395033.5"},
        {"79228162514264337593543950335", "-1", "-79228162514264337593543950335"},
        {"1", "79228162514264337593543950335", "0.0000000000000000000000000000"},
        {"1000000", "0.0000001", "10000000000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ((D(c.a) / D(c.b)).ToString(), c.quotient) << c.a << " / " << c.b;
    EXPECT_THROW(D("1") / D("0.00"), ValueError);
    EXPECT_THROW(D("79228162514264337593543950335") / D("0.5"), ValueError);
}

TEST(Decimal, AddsSubtractsAndMultipliesExactlyUntilTheDigitsRunOut)
{
    EXPECT_EQ((D("1.1") + D("2.25")).ToString(), "3.35");
    EXPECT_EQ((D("1") - D("1.00")).ToString(), "0.00");
    EXPECT_EQ((D("-5.5") + D("2.25")).ToString(), "-3.25");
    EXPECT_EQ((D("2.25") - D("5.5")).ToString(), "-3.25");
    EXPECT_EQ((D("1.25") * D("2.50")).ToString(), "3.1250");
    EXPECT_EQ((D("-1.5") * D("3")).ToString(), "-4.5");
    EXPECT_EQ((D("0.00000000000001") * D("0.00000000000001")).ToString(), "0.0000000000000000000000000001");
    // Beyond 28 decimals the product rounds half to even.
    EXPECT_EQ((D("0.00000000000005") * D("0.000000000000001")).ToString(), "0.0000000000000000000000000000");
    EXPECT_EQ((D("0.00000000000015") * D("0.000000000000001")).ToString(), "0.0000000000000000000000000002");
    // A sum too long for 96 bits gives up its last decimal.
    EXPECT_EQ((D("1234567890123456789012345678.9") + D("0.05")).ToString(), "1234567890123456789012345679.0");
    EXPECT_THROW(D("79228162514264337593543950335") + D("1"), ValueError);
    EXPECT_THROW(D("79228162514264337593543950335") * D("-2"), ValueError);
}

TEST(Decimal, RoundsHalvesAwayFromZeroOrToEvenOnBothSides)
{
    struct Case {
        const char* value;
        int decimals;
        const char* awayFromZero;
        const char* toEven;
    };
    const Case cases[] = {
        {"2.5", 0, "3", "2"},
        {"-2.5", 0, "-3", "-2"},
        {"3.5", 0, "4", "4"},
        {"-3.5", 0, "-4", "-4"},
        {"2.345", 2, "2.35", "2.34"},
        {"-2.345", 2, "-2.35", "-2.34"},
        {"2.3451", 2, "2.35", "2.35"},
        {"0.005", 2, "0.01", "0.00"},
        {"1234.5678", -2, "1200", "1200"},
        {"1250", -2, "1300", "1200"},
        {"1.5", 3, "1.5", "1.5"},
        {"7922816251426433759354395032.5", 0, "7922816251426433759354395033", "7922816251426433759354395032"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(D(c.value).RoundHalfAwayFromZero(c.decimals).ToString(), c.awayFromZero) << c.value;
        EXPECT_EQ(D(c.value).RoundHalfToEven(c.decimals).ToString(), c.toEven) << c.value;
    }
    EXPECT_EQ(D("1.5").ToFixed(3), "1.500");
    EXPECT_EQ(D("-1.005").ToFixed(2), "-1.01");
}

TEST(Decimal, ComparesByValueWhateverTheScale)
{
    EXPECT_EQ(D("1.5"), D("1.50"));
    EXPECT_EQ(D("1.5").Hash(), D("1.50000").Hash());
    EXPECT_EQ(D("0"), D("-0.000"));
    EXPECT_LT(D("-1"), D("-0.5"));
    EXPECT_LT(D("-0.5"), D("0.01"));
    EXPECT_LT(D("3.3333"), D("3.33333"));
    EXPECT_GT(D("79228162514264337593543950335"), D("7922816251426433759354395033.5"));
    EXPECT_NE(D("0.0000000000000000000000000001"), D("0"));
}

TEST(Decimal, ConvertsAsTheLanguageDoes)
{
    // Money and whole numbers round half to even, as CCur and CLng do.
    EXPECT_EQ(D("2.00005").ToCurrency().ToString(), "2");
    EXPECT_EQ(D("2.00015").ToCurrency().ToString(), "2.0002");
    EXPECT_EQ(D("-2.00015").ToCurrency().ToString(), "-2.0002");
    EXPECT_EQ(D("922337203685477.5807").ToCurrency().Units(), 9223372036854775807);
    EXPECT_THROW((void)D("922337203685477.5808").ToCurrency(), ValueError);
    EXPECT_EQ(D("2.5").ToInteger(), 2);
    EXPECT_EQ(D("3.5").ToInteger(), 4);
    EXPECT_EQ(D("-2.5").ToInteger(), -2);
    EXPECT_EQ(D("-9223372036854775808").ToInteger(), INT64_MIN);
    EXPECT_THROW((void)D("9223372036854775808").ToInteger(), ValueError);

    EXPECT_EQ(Decimal::FromCurrency(Currency::Parse("-12.5")).ToString(), "-12.5000");
    EXPECT_EQ(Decimal::FromInteger(INT64_MIN).ToString(), "-9223372036854775808");
    EXPECT_EQ(Decimal::FromDouble(0.1).ToString(), "0.1");
    EXPECT_EQ(Decimal::FromDouble(1.0 / 3).ToString(), "0.333333333333333");
    EXPECT_EQ(Decimal::FromDouble(-2.5e20).ToString(), "-250000000000000000000");
    EXPECT_THROW((void)Decimal::FromDouble(1e30), ValueError);
    EXPECT_DOUBLE_EQ(D("-1234.5678").ToDouble(), -1234.5678);

    Value v(D("3.3333333333333333333333333333"));
    EXPECT_TRUE(v.IsNumber());
    EXPECT_EQ(v.ToText(), "3.3333333333333333333333333333");
    EXPECT_EQ(v.ToCurrency().ToString(), "3.3333");
    EXPECT_EQ(v.ToInteger(), 3);
    EXPECT_EQ(Value("-0.125").ToDecimal().ToString(), "-0.125");
    EXPECT_EQ(Value(Currency::Parse("1.5")).ToDecimal().ToString(), "1.5000");
    EXPECT_THROW((void)Value("abc").ToDecimal(), ValueError);
    EXPECT_EQ(Value(Currency::Parse("2.5")).ToInteger(), 2);
    EXPECT_EQ(Value(Currency::Parse("-3.5")).ToInteger(), -4);
}
