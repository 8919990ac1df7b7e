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
