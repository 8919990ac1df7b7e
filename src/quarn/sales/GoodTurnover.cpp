#include "quarn/sales/GoodTurnover.hpp"

#include "host/types/Errors.hpp"

#include <map>
#include <utility>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Decimal;

namespace {

struct GoodFigures {
    GoodTurnLine line;
    Decimal openingQty, inQty, closingQty;
};

bool HasStockOrMovement(const GoodTurnLine& line)
{
    return !line.opening.value.IsZero() || !line.closing.value.IsZero() || !line.in.value.IsZero() ||
           !line.out.value.IsZero() || !line.opening.quantity->IsZero() || !line.closing.quantity->IsZero() ||
           !line.in.quantity->IsZero() || !line.out.quantity->IsZero();
}

void AddValues(GoodTurnLine& sum, const GoodTurnLine& line)
{
    sum.opening.value += line.opening.value;
    sum.in.value += line.in.value;
    sum.out.value += line.out.value;
    sum.closing.value += line.closing.value;
}

void SetTurnover(GoodTurnLine& line, long periodDays)
{
    line.turnoverDays = TurnoverDays(line.opening.value, line.closing.value, periodDays, line.out.value);
    line.turnoverRate = TurnoverRate(line.opening.value, line.closing.value, line.out.value);
}

} // namespace

std::optional<Decimal> TurnoverDays(Currency opening, Currency closing, long periodDays, Currency outValue)
{
    if (outValue.IsZero()) return std::nullopt;
    // (opening + closing) / 2 x days / out, divided once so that only the last digit rounds.
    const Decimal twiceAverage = Decimal::FromCurrency(opening + closing);
    const Decimal days = Decimal::FromInteger(periodDays);
    const Decimal quotient = twiceAverage * days / (Decimal::FromCurrency(outValue) * Decimal::FromInteger(2));
    return quotient.RoundHalfAwayFromZero(kTurnoverDaysDecimals);
}

std::optional<Decimal> TurnoverRate(Currency opening, Currency closing, Currency outValue)
{
    const Currency twiceAverage = opening + closing;
    if (twiceAverage.IsZero()) return std::nullopt;
    const Decimal quotient =
        Decimal::FromCurrency(outValue) * Decimal::FromInteger(2) / Decimal::FromCurrency(twiceAverage);
    return quotient.RoundHalfAwayFromZero(kTurnoverRateDecimals);
}

std::vector<GoodTurnLine> GoodTurnLines(const std::vector<GoodTurnLot>& lots, Talvex::Date begPeriod,
                                        Talvex::Date endPeriod)
{
    if (endPeriod < begPeriod) throw Talvex::ValueError("DateEnd: the period ends before it begins");
    const long periodDays = begPeriod.DaysUntil(endPeriod) + 1;

    // Goods by group code, then good code.
    std::map<std::pair<std::string, std::string>, GoodFigures> goods;
    for (const GoodTurnLot& lot : lots) {
        if (lot.lotDate > endPeriod) continue;
        GoodFigures& good = goods[{lot.groupCode, lot.goodCode}];
        GoodTurnLine& line = good.line;
        if (line.goodCode.empty()) {
            line.groupCode = lot.groupCode;
            line.groupName = lot.groupName;
            line.goodCode = lot.goodCode;
            line.goodName = lot.goodName;
            line.unitCode = lot.unitCode;
        }
        if (lot.lotDate < begPeriod) {
            good.openingQty = good.openingQty + lot.restAtStart;
            line.opening.value += lot.restValueAtStart;
        } else {
            good.inQty = good.inQty + lot.amount;
            line.in.value += lot.cost;
        }
        good.closingQty = good.closingQty + lot.restAtEnd;
        line.closing.value += lot.restValueAtEnd;
    }

    std::vector<GoodTurnLine> result;
    GoodTurnLine total;
    total.kind = GoodTurnLineKind::kTotal;
    std::optional<GoodTurnLine> group;
    auto closeGroup = [&] {
        if (!group) return;
        SetTurnover(*group, periodDays);
        result.push_back(std::move(*group));
        group.reset();
    };
    for (auto& [key, good] : goods) {
        GoodTurnLine& line = good.line;
        // What went out is what the lots lost in the period: opening + in - closing, so the
        // four figures agree to the ten-thousandth however the rests were rounded.
        line.opening.quantity = good.openingQty;
        line.in.quantity = good.inQty;
        line.closing.quantity = good.closingQty;
        line.out.quantity = good.openingQty + good.inQty - good.closingQty;
        line.out.value = line.opening.value + line.in.value - line.closing.value;
        if (!HasStockOrMovement(line)) continue;
        SetTurnover(line, periodDays);
        if (group && group->groupCode != line.groupCode) closeGroup();
        if (!group) {
            group.emplace();
            group->kind = GoodTurnLineKind::kGroup;
            group->groupCode = line.groupCode;
            group->groupName = line.groupName;
        }
        AddValues(*group, line);
        AddValues(total, line);
        result.push_back(std::move(line));
    }
    closeGroup();
    if (result.empty()) return result;
    SetTurnover(total, periodDays);
    result.push_back(std::move(total));
    return result;
}

} // namespace Quarn_DuzAde
