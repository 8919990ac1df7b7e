#include "host/types/Value.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

using Talvex::Currency;
using Talvex::Value;

TEST(Value, ConvertsAsTheErpLanguageDoes)
{
    EXPECT_EQ(Value().ToText(), "");
    EXPECT_EQ(Value().ToCurrency(), Currency());
    EXPECT_EQ(Value("12.50").ToCurrency(), Currency::Parse("12.5"));
    EXPECT_EQ(Value(2.5).ToInteger(), 2); // banker's rounding
    EXPECT_EQ(Value(3.5).ToInteger(), 4);
    EXPECT_EQ(Value(Currency::Parse("2.5")).ToInteger(), 2);
    EXPECT_EQ(Value(true).ToInteger(), -1);
    EXPECT_EQ(Value(0.1).ToCurrency(), Currency::Parse("0.1"));
    EXPECT_EQ(Value("2025-03-01").ToDate().ToIso(), "2025-03-01");
    EXPECT_TRUE(Value("1").ToBool());
    EXPECT_FALSE(Value(Currency()).ToBool());

    EXPECT_THROW(Value(Talvex::Null{}).ToText(), Talvex::ValueError);
    EXPECT_THROW(Value("abc").ToCurrency(), Talvex::ValueError);
    EXPECT_THROW(Value("2025-02-30").ToDate(), Talvex::ValueError);
    EXPECT_THROW(Value(12).ToObject(), Talvex::ValueError);
}

TEST(Value, InvariantTextHasNoExponentAndNullIsEmpty)
{
    EXPECT_EQ(Value(1e21).ToInvariantText(), "1000000000000000000000");
    EXPECT_EQ(Value(0.000001).ToInvariantText(), "0.000001");
    EXPECT_EQ(Value(0.1).ToInvariantText(), "0.1");
    EXPECT_EQ(Value(Currency::Parse("-1234.5")).ToInvariantText(), "-1234.5");
    EXPECT_EQ(Value(Talvex::Null{}).ToInvariantText(), "");
    EXPECT_EQ(Value(true).ToInvariantText(), "1");
}
