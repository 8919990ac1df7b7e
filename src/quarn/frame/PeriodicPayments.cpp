#include "quarn/frame/PeriodicPayments.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;

namespace {

struct MonthDay {
    unsigned month;
    unsigned day;
};

constexpr MonthDay kPublicHolidays[] = {{1, 1}, {2, 16}, {3, 11}, {5, 1}, {7, 6}, {8, 15}, {11, 1}, {12, 25}, {12, 26}};

// One step back towards a working day, or the day itself when it is one.
Date StepBack(Date day, const std::set<Date>& companyDaysOff)
{
    if (IsPublicHoliday(day)) return day.AddDays(day.Month() == 12 && day.Day() == 26 ? -2 : -1);
    switch (day.IsoWeekday()) {
    case 6: return day.AddDays(-1);
    case 7: return day.AddDays(-2);
    default: break;
    }
    if (companyDaysOff.contains(day)) return day.AddDays(-1);
    return day;
}

} // namespace

bool IsPublicHoliday(Date day)
{
    for (const auto& holiday : kPublicHolidays)
        if (day.Month() == holiday.month && day.Day() == holiday.day) return true;
    return false;
}

Date WorkingDayOnOrBefore(Date day, const std::set<Date>& companyDaysOff)
{
    // Each step moves back, so the loop ends: at worst after a run of days off.
    for (Date moved = StepBack(day, companyDaysOff); moved != day; moved = StepBack(day, companyDaysOff))
        day = moved;
    return day;
}

std::vector<Date> PeriodicDueDates(Date first, PaymentInterval interval)
{
    std::vector<Date> dates;
    for (int i = 0;; ++i) {
        Date due;
        switch (interval) {
        case PaymentInterval::Month: due = first.AddMonthsClamped(i); break;
        case PaymentInterval::Quarter: due = first.AddMonthsClamped(3 * i); break;
        case PaymentInterval::Week: due = first.AddDays(7 * i); break;
        case PaymentInterval::Decade: due = first.AddDays(10 * i); break;
        }
        if (due.Year() != first.Year()) break;
        dates.push_back(due);
    }
    return dates;
}

std::vector<Date> PeriodicPaymentDates(Date first, PaymentInterval interval, const std::set<Date>& companyDaysOff)
{
    std::vector<Date> dates = PeriodicDueDates(first, interval);
    for (Date& due : dates)
        due = WorkingDayOnOrBefore(due, companyDaysOff);
    return dates;
}

} // namespace Quarn_DuzAde
