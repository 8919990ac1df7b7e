#pragma once

#include "host/types/Date.hpp"

#include <string_view>

namespace Talvex::Cube {

// The period levels a date dimension rolls up to. The numbers are the level codes the
// reports pass when they add a level ("Year" 1, "Q" 2, "Month" 3, "Week" 5).
enum class PeriodLevel {
    None = 0,
    Year = 1,
    Q = 2,       // quarter 1..4
    Month = 3,   // 1..12
    Dec = 4,     // ten-day part of the month: 1 (days 1-10), 2 (11-20), 3 (21 to the end)
    Week = 5,    // week of the calendar year, see WeekOfYear
    Day = 6,     // day of the month
    WeekDay = 7, // Monday 1 .. Sunday 7
};

// Week number of a date within its own calendar year, weeks running Monday to Sunday.
// The week holding 1 January is week 1 even when it began in December, so a week never
// straddles a year end: 1 January on a Friday gives week 1 = 1-3 January and week 2 from
// Monday 4 January, and 31 December is in week 53 (or 54). ISO would file those first days
// under the previous year's last week; we keep each year's days in their own year because
// the drill-down turns "Year" and "Week" back into a date range (week member minus 1 = weeks
// after the first Monday), and a week 1 that began in the previous year could not be.
int WeekOfYear(Date date);

// The member a date falls on at a level (the year, 1..4, 1..12, ...).
int PeriodMember(Date date, PeriodLevel level);

// "Year", "Q", "Month", "Dec", "Week", "Day", "WeekDay"; empty for None.
std::string_view PeriodLevelName(PeriodLevel level);

} // namespace Talvex::Cube
