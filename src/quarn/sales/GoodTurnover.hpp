#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One stock lot of a good (a posted incoming goods row) as the turnover reads it: its date,
// what came in and at what cost, and what was left of it at the start of the period (after
// the rows dated before it took their part) and at its end, each valued at the lot's own
// unit cost as the host values stock rests. Lots dated after the period are not read.
struct GoodTurnLot {
    std::string goodCode;
    std::string goodName;
    std::string unitCode;
    std::string groupCode; // the good's parent in the goods tree; empty at the top
    std::string groupName;
    Talvex::Date lotDate;
    Talvex::Decimal amount; // accounting units
    Talvex::Currency cost;
    Talvex::Decimal restAtStart;
    Talvex::Currency restValueAtStart;
    Talvex::Decimal restAtEnd;
    Talvex::Currency restValueAtEnd;
};

// A stock figure: the quantity in the good's accounting unit and its value at cost. Group and
// total lines carry values only (quantities of different units are not added).
struct StockFigure {
    std::optional<Talvex::Decimal> quantity;
    Talvex::Currency value;
};

enum class GoodTurnLineKind { kGood, kGroup, kTotal };

// One line of the turnover: a good, a goods group's subtotal (after its goods), or the total.
// opening + in - out = closing, in quantity and in value.
struct GoodTurnLine {
    GoodTurnLineKind kind = GoodTurnLineKind::kGood;
    std::string groupCode;
    std::string groupName;
    std::string goodCode; // the good; empty on a group or total line
    std::string goodName;
    std::string unitCode;
    StockFigure opening, in, out, closing;
    std::optional<Talvex::Decimal> turnoverDays; // none: nothing went out
    std::optional<Talvex::Decimal> turnoverRate; // none: no average stock
};

// The decimals of the turnover days and of the turnover rate.
inline constexpr int kTurnoverDaysDecimals = 1;
inline constexpr int kTurnoverRateDecimals = 2;

// Days the average stock ((opening + closing) / 2) lasts at the period's pace of going out:
// average x days of the period / out value, the exact quotient rounded half away from zero
// to one decimal. None when nothing went out: a good that lies in stock does not turn.
[[nodiscard]] std::optional<Talvex::Decimal> TurnoverDays(Talvex::Currency opening, Talvex::Currency closing,
                                                          long periodDays, Talvex::Currency outValue);
// How many times the average stock went out in the period (out / average stock), to two
// decimals half away from zero; none when the average stock is nothing.
[[nodiscard]] std::optional<Talvex::Decimal> TurnoverRate(Talvex::Currency opening, Talvex::Currency closing,
                                                          Talvex::Currency outValue);

// The turnover of the period begPeriod..endPeriod (both included) from the goods' lots: a
// line per good with stock or movement in the period, grouped by the goods' groups in the
// order of the group codes (goods at the top of the tree first) and of the goods' codes
// within a group, each group followed by its subtotal, the total last. One pass over the lots
// and one over the goods. Nothing at all when no good has stock or movement.
[[nodiscard]] std::vector<GoodTurnLine> GoodTurnLines(const std::vector<GoodTurnLot>& lots, Talvex::Date begPeriod,
                                                      Talvex::Date endPeriod);

} // namespace Quarn_DuzAde
