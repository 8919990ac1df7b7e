#include "host/ui/DisplayFormat.hpp"

#include <gtest/gtest.h>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Ui::DisplayFormat;

TEST(DisplayFormat, NumbersAndDatesAsTheErpWritesThem)
{
    struct Case {
        Value value;
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {Value(Currency::Parse("1234567.891")), "#,##0.00", "1,234,567.89"},
        {Value(Currency::Parse("-1234.5")), "#,##0.00", "-1,234.50"},
        {Value(Currency::Parse("0.005")), "#,##0.00", "0.01"},  // half away from zero
        {Value(Currency::Parse("-0.004")), "#,##0.00", "0.00"}, // no negative zero
        {Value(Currency::Parse("12.5")), "0.##", "12.5"},
        {Value(Currency::Parse("12")), "#,##0.##", "12"},
        {Value(999), "#,##0", "999"},
        {Value(1000), "#,##0", "1,000"},
        {Value(2.5), "0", "3"},
        {Value(Date(2025, 3, 7)), "yyyy/mm", "2025/03"},
        {Value(Date(2025, 3, 7)), "mm", "03"},
        {Value(Date(2025, 3, 7)), "mm.yyyy", "03.2025"},
        {Value(Date(2025, 3, 7)), "dd.mm.yy", "07.03.25"},
        {Value(Date(2025, 3, 7)), "", "2025-03-07"},
        {Value("text"), "#,##0.00", "text"},
        {Value(), "#,##0.00", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayFormat::Apply(c.value, c.format), c.expected) << c.format;
    EXPECT_TRUE(DisplayFormat::IsNumeric("#,##0.00"));
    EXPECT_FALSE(DisplayFormat::IsNumeric("yyyy/mm"));
    EXPECT_FALSE(DisplayFormat::IsNumeric(""));
}

TEST(DisplayFormat, DecimalsAreRoundedOnceFromTheirOwnDigits)
{
    using Talvex::Decimal;
    struct Case {
        const char* value;
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        // Through money first, 2.344951 would become 2.3450 and then 2.35.
        {"2.344951", "#,##0.00", "2.34"},
        {"2.344999", "#,##0.00", "2.34"},
        {"-0.005", "#,##0.00", "-0.01"},
        {"-0.00499999", "#,##0.00", "0.00"},
        {"0.123456", "#,##0.####", "0.1235"},
        {"0.1234500000", "#,##0.000000", "0.123450"},
        // Beyond the range of money the grid still shows the figure, grouped.
        {"1234567890123456789.125", "#,##0.00", "1,234,567,890,123,456,789.13"},
        {"-79228162514264337593543950335", "#,##0", "-79,228,162,514,264,337,593,543,950,335"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayFormat::Apply(Value(Decimal::Parse(c.value)), c.format), c.expected) << c.value;

    // A result column shows a decimal with every decimal of its scale, money with two.
    EXPECT_EQ(DisplayFormat::Natural(Value(Decimal::Parse("3.37500"))), "#,##0.00000");
    EXPECT_EQ(DisplayFormat::Natural(Value(Decimal::Parse("12"))), "#,##0");
    EXPECT_EQ(DisplayFormat::Natural(Value(Currency::Parse("3.3333"))), "#,##0.00");
    EXPECT_EQ(DisplayFormat::Natural(Value(2.5)), "");
    const Value exact(Decimal::Parse("-1234.50000"));
    EXPECT_EQ(DisplayFormat::Apply(exact, DisplayFormat::Natural(exact)), "-1,234.50000");
}
