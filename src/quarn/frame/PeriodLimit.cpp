#include "quarn/frame/PeriodLimit.hpp"

namespace Quarn_DuzAde {

int MonthsInPeriod(Talvex::Date beg, Talvex::Date end)
{
    return (end.Year() - beg.Year()) * 12 + static_cast<int>(end.Month()) - static_cast<int>(beg.Month()) + 1;
}

std::string PeriodTooLong(const std::string& endField, Talvex::Date beg, Talvex::Date end)
{
    const int months = MonthsInPeriod(beg, end);
    if (months <= kMaxPeriodMonths) return "";
    return endField + ": the period may span at most " + std::to_string(kMaxPeriodMonths) + " months; " + beg.ToIso() +
           " to " + end.ToIso() + " spans " + std::to_string(months);
}

} // namespace Quarn_DuzAde
