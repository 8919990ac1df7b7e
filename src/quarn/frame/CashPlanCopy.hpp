#pragma once

#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <array>
#include <cstddef>
#include <set>
#include <vector>

namespace Quarn_DuzAde {

// The lines of the next year's cash plan made from this year's. Each line recurs a year
// later (29 February on the 28th), moved back to its working day as the periodic fill moves
// its dates; a date that the move would take into the old year goes forward to the new
// year's first working day instead. No line carries a paying document over. With
// carryUnsettled, the lines no payment settled are also carried over as they stand, due on
// the new year's first working day: still owed, they belong to the new plan as well.
[[nodiscard]] std::vector<Talvex::Erp::CashPlanLine>
NextYearPlanLines(const std::vector<Talvex::Erp::CashPlanLine>& lines, int newYear, bool carryUnsettled,
                  const std::set<Talvex::Date>& newYearDaysOff = {});

// The first working day of a year (weekends, public holidays and the days off given skipped).
[[nodiscard]] Talvex::Date FirstWorkingDay(int year, const std::set<Talvex::Date>& daysOff = {});

// One month of a plan as its calendar shows it.
struct PlanMonth {
    std::size_t lines = 0;
    Talvex::Currency planned; // every line due in the month
    Talvex::Currency settled; // the part a payment document settled
    Talvex::Currency Open() const { return planned - settled; }
};

// The plan's lines by the month they fall due in (January first); lines due in another year
// than `year` are not counted.
[[nodiscard]] std::array<PlanMonth, 12> PlanByMonth(const std::vector<Talvex::Erp::CashPlanLine>& lines, int year);

} // namespace Quarn_DuzAde
