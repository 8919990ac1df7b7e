#include "host/types/Date.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

using Talvex::Date;

TEST(Date, AddingMonthsClampsToTheMonthEnd)
{
    struct Case {
        const char* from;
        int months;
        const char* expected;
    };
    const Case cases[] = {
        {"2025-01-31", 1, "2025-02-28"}, {"2024-01-31", 1, "2024-02-29"},   {"2025-03-31", -1, "2025-02-28"},
        {"2025-12-15", 1, "2026-01-15"}, {"2026-01-31", -13, "2024-12-31"}, {"2024-02-29", 12, "2025-02-28"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Date::Parse(c.from).AddMonthsClamped(c.months).ToIso(), c.expected) << c.from << " " << c.months;
}

TEST(Date, ParsesIsoTextOnlyAndKnowsWeekdaysAndMonthBounds)
{
    EXPECT_EQ(Date::Parse("2025-12-31 00:00:00").ToIso(), "2025-12-31");
    Date d;
    for (const char* bad : {"2025-02-29", "2025-13-01", "31.12.2025", "2025-1-1", "", "2025-12-31x"})
        EXPECT_FALSE(Date::TryParse(bad, d)) << bad;
    EXPECT_THROW(Date(2025, 2, 30), Talvex::ValueError);
    EXPECT_EQ(Date::Parse("2026-12-07").IsoWeekday(), 1u); // a Monday
    EXPECT_EQ(Date::Parse("2026-12-06").IsoWeekday(), 7u);
    EXPECT_EQ(Date::Parse("2024-02-10").LastOfMonth().ToIso(), "2024-02-29");
    EXPECT_EQ(Date::Parse("2024-02-10").FirstOfMonth().ToIso(), "2024-02-01");
    EXPECT_EQ(Date::Parse("2024-12-31").DaysUntil(Date::Parse("2025-03-01")), 60);
}
