#include "host/cube/PeriodLevel.hpp"

#include <gtest/gtest.h>

using Talvex::Date;
using Talvex::Cube::PeriodLevel;
using Talvex::Cube::PeriodMember;

TEST(CubePeriodLevel, DatesRollUpAcrossTheYearEndAndTheFirstWeek)
{
    struct Case {
        const char* date;
        int year, quarter, month, decade, week, day, weekday;
    };
    // Worked by hand from a calendar: 1 January 2015 is a Thursday, 1 January 2016 a Friday.
    const Case cases[] = {
        {"2015-01-01", 2015, 1, 1, 1, 1, 1, 4},
        {"2015-01-04", 2015, 1, 1, 1, 1, 4, 7}, // first Sunday closes week 1
        {"2015-01-05", 2015, 1, 1, 1, 2, 5, 1}, // first Monday opens week 2
        {"2015-01-11", 2015, 1, 1, 2, 2, 11, 7},
        {"2015-03-31", 2015, 1, 3, 3, 14, 31, 2},
        {"2015-04-01", 2015, 2, 4, 1, 14, 1, 3},
        {"2015-12-20", 2015, 4, 12, 2, 51, 20, 7},
        {"2015-12-21", 2015, 4, 12, 3, 52, 21, 1},
        {"2015-12-31", 2015, 4, 12, 3, 53, 31, 4},
        {"2016-01-01", 2016, 1, 1, 1, 1, 1, 5}, // ISO would say week 53 of 2015
        {"2016-01-03", 2016, 1, 1, 1, 1, 3, 7},
        {"2016-01-04", 2016, 1, 1, 1, 2, 4, 1},
        {"2016-02-29", 2016, 1, 2, 3, 10, 29, 1},
        {"2018-01-01", 2018, 1, 1, 1, 1, 1, 1}, // a Monday: week 1 is a whole week
        {"2018-01-08", 2018, 1, 1, 1, 2, 8, 1},
    };
    for (const auto& c : cases) {
        const auto d = Date::Parse(c.date);
        EXPECT_EQ(PeriodMember(d, PeriodLevel::Year), c.year) << c.date;
        EXPECT_EQ(PeriodMember(d, PeriodLevel::Q), c.quarter) << c.date;
        EXPECT_EQ(PeriodMember(d, PeriodLevel::Month), c.month) << c.date;
        EXPECT_EQ(PeriodMember(d, PeriodLevel::Dec), c.decade) << c.date;
        EXPECT_EQ(PeriodMember(d, PeriodLevel::Week), c.week) << c.date;
        EXPECT_EQ(PeriodMember(d, PeriodLevel::Day), c.day) << c.date;
        EXPECT_EQ(PeriodMember(d, PeriodLevel::WeekDay), c.weekday) << c.date;
    }
}
