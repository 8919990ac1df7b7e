#include "quarn/sales/StockAge.hpp"

#include <algorithm>
#include <map>

namespace Quarn_DuzAde {

Talvex::Currency StockAgeRow::Total() const
{
    Talvex::Currency total;
    for (const Talvex::Currency sum : sums)
        total += sum;
    return total;
}

long StockAgeDays(Talvex::Date lotDate, Talvex::Date reportDate)
{
    // A document dated after the report date is stock that has just arrived, not a negative age.
    return std::max<long>(0, lotDate.DaysUntil(reportDate));
}

std::size_t StockAgeBand(long ageDays)
{
    const auto past = std::upper_bound(kStockAgeBounds.begin(), kStockAgeBounds.end(), ageDays);
    return static_cast<std::size_t>(past - kStockAgeBounds.begin());
}

std::vector<StockAgeRow> StockAgeByGroup(const std::vector<StockAgeLot>& lots, Talvex::Date reportDate)
{
    std::map<std::string, StockAgeRow> byGroup;
    for (const StockAgeLot& lot : lots) {
        StockAgeRow& row = byGroup[lot.goodGroupName];
        row.sums[StockAgeBand(StockAgeDays(lot.lotDate, reportDate))] += lot.costSumm;
    }
    std::vector<StockAgeRow> rows;
    rows.reserve(byGroup.size());
    for (auto& [group, row] : byGroup) {
        row.goodGroupName = group;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace Quarn_DuzAde
