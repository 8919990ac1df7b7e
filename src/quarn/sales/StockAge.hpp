#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One stock row still in stock on the report date: the goods group it is counted under
// ("code:name"), the date of the document that brought it in and the cost of what is left.
struct StockAgeLot {
    std::string goodGroupName;
    Talvex::Date lotDate;
    Talvex::Currency costSumm;
};

// The age bands of stock, by days since the lot came in: under 90, 90 to 179, 180 to 359,
// 360 and more. A band starts at its bound, so a lot exactly 90 days old is in the second.
inline constexpr std::array<long, 3> kStockAgeBounds = {90, 180, 360};
inline constexpr std::size_t kStockAgeBandCount = kStockAgeBounds.size() + 1;

// One line of the analysis: a goods group with the cost of its stock in each age band
// (Sum90, Sum180, Sum360, SumD).
struct StockAgeRow {
    std::string goodGroupName;
    std::array<Talvex::Currency, kStockAgeBandCount> sums{};
    Talvex::Currency Total() const;
};

// Days a lot has been in stock on the report date; a lot dated later counts as new (0).
[[nodiscard]] long StockAgeDays(Talvex::Date lotDate, Talvex::Date reportDate);
// The band (0 to 3) of a lot so many days old.
[[nodiscard]] std::size_t StockAgeBand(long ageDays);

// The analysis: the lots' cost summed per goods group and age band, one row per group that
// has a lot, in the order of the group texts. One pass over the lots.
[[nodiscard]] std::vector<StockAgeRow> StockAgeByGroup(const std::vector<StockAgeLot>& lots, Talvex::Date reportDate);

} // namespace Quarn_DuzAde
