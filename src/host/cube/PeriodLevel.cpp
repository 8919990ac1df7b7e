#include "host/cube/PeriodLevel.hpp"

namespace Talvex::Cube {

int WeekOfYear(Date date)
{
    const Date firstOfYear(date.Year(), 1, 1);
    const auto dayOfYear = firstOfYear.DaysUntil(date); // 0-based
    const auto weekdayOfFirst = static_cast<int>(firstOfYear.IsoWeekday());
    return (dayOfYear + weekdayOfFirst - 1) / 7 + 1;
}

int PeriodMember(Date date, PeriodLevel level)
{
    switch (level) {
    case PeriodLevel::Year: return date.Year();
    case PeriodLevel::Q: return static_cast<int>((date.Month() - 1) / 3 + 1);
    case PeriodLevel::Month: return static_cast<int>(date.Month());
    case PeriodLevel::Dec: return date.Day() <= 10 ? 1 : date.Day() <= 20 ? 2 : 3;
    case PeriodLevel::Week: return WeekOfYear(date);
    case PeriodLevel::Day: return static_cast<int>(date.Day());
    case PeriodLevel::WeekDay: return static_cast<int>(date.IsoWeekday());
    case PeriodLevel::None: break;
    }
    return 0;
}

std::string_view PeriodLevelName(PeriodLevel level)
{
    switch (level) {
    case PeriodLevel::Year: return "Year";
    case PeriodLevel::Q: return "Q";
    case PeriodLevel::Month: return "Month";
    case PeriodLevel::Dec: return "Dec";
    case PeriodLevel::Week: return "Week";
    case PeriodLevel::Day: return "Day";
    case PeriodLevel::WeekDay: return "WeekDay";
    case PeriodLevel::None: break;
    }
    return {};
}

} // namespace Talvex::Cube
