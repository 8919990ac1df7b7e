#pragma once

#include "host/types/Date.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One row of the user's overdue-interval grid: a day bound, whether it was meant as "paid
// before" (kept with the row, it does not move a band) and the row's place in the grid.
struct OverdueInterval {
    long days = 0;
    bool isPayBefore = false;
    long daysOrder = 0;
};

// One overdue band: the days past due (report date less due date) it takes, both bounds
// included, open where a bound is missing, and the label the reports show for it.
struct OverdueBand {
    std::optional<long> fromDays;
    std::optional<long> toDays;
    std::string label;
    bool Holds(long delayDays) const
    {
        return (!fromDays || delayDays >= *fromDays) && (!toDays || delayDays <= *toDays);
    }
};

// Sorts a debt into an overdue band of the user's own day intervals. With fewer than two
// intervals there are two bands: not yet due (0 days or fewer) and overdue. With bounds
// D1 < D2 < ... < Dn the bands are: below D1; D1 to D2 (D1 itself belongs here); then
// D(k-1) + 1 to Dk; and above Dn. The bands cover every day count once, so a debt always
// lands in exactly one of them, and the cube's grand total stays whatever the bands are.
class OverdueBands {
public:
    // Throws ValueError naming the grid column and row when the intervals cannot make
    // bands: two rows in one place ("DaysOrder"), or bounds that do not rise ("Days").
    // notDueText and overdueText label the two bands of the short form.
    static OverdueBands FromIntervals(std::vector<OverdueInterval> intervals, const std::string& notDueText,
                                      const std::string& overdueText);

    const std::vector<OverdueBand>& Bands() const { return bands_; }
    // The band of a debt so many days past due (negative: not yet due).
    std::size_t BandOf(long delayDays) const;
    const std::string& LabelOf(long delayDays) const { return bands_[BandOf(delayDays)].label; }
    // Days past due of a debt due on dueDate, seen on reportDate.
    static long DelayDays(Talvex::Date dueDate, Talvex::Date reportDate)
    {
        return static_cast<long>(dueDate.DaysUntil(reportDate));
    }

    // The T-SQL band label of a row whose due date is dueDateExpr on the report date
    // reportDateExpr (both SQL expressions): "(CASE WHEN DATEDIFF(day,D,R) < 30 THEN '1. ...'
    // ... END)". Labels reach the statement as escaped literals.
    std::string CaseExpression(const std::string& dueDateExpr, const std::string& reportDateExpr) const;

private:
    std::vector<OverdueBand> bands_;
};

} // namespace Quarn_DuzAde
