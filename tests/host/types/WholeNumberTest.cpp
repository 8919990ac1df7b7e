#include "host/types/WholeNumber.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

using Talvex::ParseWholeNumber;
using Talvex::TryParseWholeNumber;

TEST(WholeNumber, ReadsOnlyTextThatIsAWholeNumberThroughout)
{
    EXPECT_EQ(TryParseWholeNumber("1205"), 1205);
    EXPECT_EQ(TryParseWholeNumber("-7"), -7);
    EXPECT_EQ(TryParseWholeNumber("0"), 0);
    EXPECT_EQ(TryParseWholeNumber("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(TryParseWholeNumber("-9223372036854775808"), INT64_MIN);
    // What a reader that stops at the first non-digit would take for 1 or 12.
    for (const char* refused : {"1) OR 1=1", "12abc", "1 ", " 1", "+1", "1.0", "1e3", "0x10", "", "-", "1,000",
                                "9223372036854775808", "1\n2"})
        EXPECT_EQ(TryParseWholeNumber(refused), std::nullopt) << refused;
}

TEST(WholeNumber, TheErrorNamesTheParameterAndItsText)
{
    EXPECT_EQ(ParseWholeNumber("42", "idc"), 42);
    try {
        ParseWholeNumber("1) OR 1=1", "idc");
        FAIL() << "a number followed by more text must be refused";
    } catch (const Talvex::ValueError& error) {
        EXPECT_STREQ(error.what(), "idc: '1) OR 1=1' is not a whole number");
    }
}
