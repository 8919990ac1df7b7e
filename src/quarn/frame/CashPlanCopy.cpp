#include "quarn/frame/CashPlanCopy.hpp"

#include "quarn/frame/PeriodicPayments.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::Erp::CashPlanLine;

namespace {

Date SameDayOfYear(Date day, int year)
{
    const unsigned lastOfFebruary = Date(year, 3, 1).AddDays(-1).Day();
    const unsigned dayOfMonth = day.Month() == 2 && day.Day() > lastOfFebruary ? lastOfFebruary : day.Day();
    return Date(year, day.Month(), dayOfMonth);
}

} // namespace

Date FirstWorkingDay(int year, const std::set<Date>& daysOff)
{
    Date day(year, 1, 1);
    while (WorkingDayOnOrBefore(day, daysOff) != day)
        day = day.AddDays(1);
    return day;
}

std::vector<CashPlanLine> NextYearPlanLines(const std::vector<CashPlanLine>& lines, int newYear, bool carryUnsettled,
                                            const std::set<Date>& newYearDaysOff)
{
    const Date firstWorkingDay = FirstWorkingDay(newYear, newYearDaysOff);
    std::vector<CashPlanLine> result;
    result.reserve(lines.size() * (carryUnsettled ? 2 : 1));
    if (carryUnsettled) {
        for (const CashPlanLine& line : lines) {
            if (line.payDocId != 0) continue;
            CashPlanLine carried = line;
            carried.needPayDate = firstWorkingDay;
            result.push_back(std::move(carried));
        }
    }
    for (const CashPlanLine& line : lines) {
        CashPlanLine next = line;
        next.payDocId = 0;
        if (line.needPayDate != Date{}) {
            const Date due = WorkingDayOnOrBefore(SameDayOfYear(line.needPayDate, newYear), newYearDaysOff);
            next.needPayDate = due.Year() < newYear ? firstWorkingDay : due;
        }
        result.push_back(std::move(next));
    }
    return result;
}

std::array<PlanMonth, 12> PlanByMonth(const std::vector<CashPlanLine>& lines, int year)
{
    std::array<PlanMonth, 12> months{};
    for (const CashPlanLine& line : lines) {
        if (line.needPayDate == Date{} || line.needPayDate.Year() != year) continue;
        PlanMonth& month = months[line.needPayDate.Month() - 1];
        ++month.lines;
        month.planned += line.summa;
        if (line.payDocId != 0) month.settled += line.summa;
    }
    return months;
}

} // namespace Quarn_DuzAde
