#include "quarn/debt/OverdueBands.hpp"

#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>

namespace Quarn_DuzAde {

using Talvex::ValueError;

namespace {

// The number leads the label and is padded to the width of the last one, so that the bands
// sort by their texts in their own order ("09." before "10.").
std::string BandLabel(std::size_t number, std::size_t count, const OverdueBand& band)
{
    std::string bounds;
    if (!band.fromDays)
        bounds = "< " + std::to_string(*band.toDays + 1);
    else if (!band.toDays)
        bounds = "> " + std::to_string(*band.fromDays - 1);
    else
        bounds = std::to_string(*band.fromDays) + " - " + std::to_string(*band.toDays);
    std::string text = std::to_string(number);
    text.insert(0, std::to_string(count).size() - text.size(), '0');
    return text + ". " + bounds;
}

void CheckRising(const std::vector<OverdueInterval>& sorted)
{
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        if (sorted[i].daysOrder == sorted[i - 1].daysOrder)
            throw ValueError("DaysOrder: row " + std::to_string(i + 1) + " takes place " +
                             std::to_string(sorted[i].daysOrder) + " of another row");
        if (sorted[i].days <= sorted[i - 1].days)
            throw ValueError("Days: row " + std::to_string(i + 1) + " (" + std::to_string(sorted[i].days) +
                             " days) must be above the row before it (" + std::to_string(sorted[i - 1].days) +
                             " days), so that the bands neither overlap nor leave a gap");
    }
}

} // namespace

OverdueBands OverdueBands::FromIntervals(std::vector<OverdueInterval> intervals, const std::string& notDueText,
                                         const std::string& overdueText)
{
    std::stable_sort(intervals.begin(), intervals.end(),
                     [](const OverdueInterval& a, const OverdueInterval& b) { return a.daysOrder < b.daysOrder; });
    CheckRising(intervals);
    OverdueBands result;
    if (intervals.size() < 2) {
        // Whatever the one bound says, the short form is due or not yet due.
        result.bands_.push_back({std::nullopt, 0L, notDueText});
        result.bands_.push_back({1L, std::nullopt, overdueText});
        return result;
    }
    result.bands_.push_back({std::nullopt, intervals.front().days - 1, {}});
    result.bands_.push_back({intervals[0].days, intervals[1].days, {}});
    for (std::size_t i = 2; i < intervals.size(); ++i)
        result.bands_.push_back({intervals[i - 1].days + 1, intervals[i].days, {}});
    result.bands_.push_back({intervals.back().days + 1, std::nullopt, {}});
    for (std::size_t i = 0; i < result.bands_.size(); ++i)
        result.bands_[i].label = BandLabel(i + 1, result.bands_.size(), result.bands_[i]);
    return result;
}

std::size_t OverdueBands::BandOf(long delayDays) const
{
    // The bands rise and cover every count; the first whose upper bound holds the count.
    for (std::size_t i = 0; i + 1 < bands_.size(); ++i)
        if (delayDays <= *bands_[i].toDays) return i;
    return bands_.size() - 1;
}

std::string OverdueBands::CaseExpression(const std::string& dueDateExpr, const std::string& reportDateExpr) const
{
    const std::string diff = " WHEN DATEDIFF(day," + dueDateExpr + "," + reportDateExpr + ")";
    std::string sql = "(CASE";
    for (const auto& band : bands_) {
        const std::string label = Talvex::SqlTools::Literal(Talvex::FieldType::kText, Talvex::Value(band.label));
        if (!band.fromDays)
            sql += diff + " <= " + std::to_string(*band.toDays) + " THEN " + label;
        else if (!band.toDays)
            sql += diff + " >= " + std::to_string(*band.fromDays) + " THEN " + label;
        else
            sql += diff + " BETWEEN " + std::to_string(*band.fromDays) + " AND " + std::to_string(*band.toDays) +
                   " THEN " + label;
    }
    return sql + " END)";
}

} // namespace Quarn_DuzAde
