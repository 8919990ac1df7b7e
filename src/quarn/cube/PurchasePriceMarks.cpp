#include "quarn/cube/PurchasePriceMarks.hpp"

#include "host/data/Recordset.hpp"
#include "host/types/Errors.hpp"

#include <unordered_map>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;
using Wide = __int128;

namespace {

// A unit cost as the exact fraction value / quantity, the quantity kept positive.
struct UnitCost {
    Wide value;
    Wide quantity;
};

UnitCost CostOf(const PurchaseLineRow& row)
{
    const Wide sign = row.amountAccount.Units() < 0 ? -1 : 1;
    return {sign * row.costSumm.Units(), sign * row.amountAccount.Units()};
}

// -1, 0 or 1 as a is below, equal to or above b.
int Compare(const UnitCost& a, const UnitCost& b)
{
    const Wide left = a.value * b.quantity;
    const Wide right = b.value * a.quantity;
    return left < right ? -1 : (left > right ? 1 : 0);
}

// numerator / denominator in ten-thousandths, rounded half away from zero (denominator > 0).
std::int64_t DivideHalfAway(Wide numerator, Wide denominator)
{
    const bool negative = numerator < 0;
    const Wide magnitude = negative ? -numerator : numerator;
    Wide quotient = magnitude / denominator;
    if ((magnitude % denominator) * 2 >= denominator) ++quotient;
    return static_cast<std::int64_t>(negative ? -quotient : quotient);
}

struct Column {
    const char* name;
    DataTypeEnum type;
    std::int64_t size;
};

constexpr Column kColumns[] = {
    {"IDC", DataTypeEnum::BigInt, 0},        {"DocTypeCode", DataTypeEnum::VarChar, 20},
    {"Number", DataTypeEnum::VarChar, 60},   {"DocumentDate", DataTypeEnum::Date, 0},
    {"PosNumb", DataTypeEnum::BigInt, 0},    {"Department", DataTypeEnum::VarChar, 400},
    {"Person", DataTypeEnum::VarChar, 400},  {"Client", DataTypeEnum::VarChar, 400},
    {"Code", DataTypeEnum::VarChar, 60},     {"Good", DataTypeEnum::VarChar, 400},
    {"Ind", DataTypeEnum::VarChar, 200},     {"AmountAccount", DataTypeEnum::Currency, 0},
    {"CostSumm", DataTypeEnum::Currency, 0}, {"MinSumma", DataTypeEnum::Currency, 0},
    {"MinPrice", DataTypeEnum::Currency, 0},
};

} // namespace

PurchasePriceMarks::PurchasePriceMarks(const std::vector<PurchaseLineRow>& rows, Currency tolerancePercent)
    : tolerance_(tolerancePercent)
{
    if (tolerancePercent < Currency())
        throw Talvex::ValueError("Procent: the tolerated excess must be 0 or more, not " + tolerancePercent.ToString());
    // The cheapest row of each goods; the first of equal ones.
    std::unordered_map<std::string, const PurchaseLineRow*> cheapest;
    for (const auto& row : rows) {
        if (row.amountAccount.IsZero())
            throw Talvex::ValueError("AmountAccount: the row " + row.number + "/" + std::to_string(row.posNumb) +
                                     " has no quantity and so no unit cost");
        auto [it, inserted] = cheapest.try_emplace(row.goodCode, &row);
        if (!inserted && Compare(CostOf(row), CostOf(*it->second)) < 0) it->second = &row;
    }
    // Above the tolerance: value / quantity > lowest x (100 + percent) / 100, all in
    // ten-thousandths: value x lowestQty x 100 x 10^4 > lowestValue x qty x (100 x 10^4 + p).
    const Wide hundred = 100 * Currency::kScale;
    rows_.reserve(rows.size());
    for (const auto& row : rows) {
        const PurchaseLineRow& low = *cheapest.at(row.goodCode);
        const UnitCost own = CostOf(row);
        const UnitCost lowest = CostOf(low);
        PurchasePriceRow out{row, Currency(), Currency(), PriceMark::Lowest};
        out.minPrice = Currency::FromUnits(DivideHalfAway(lowest.value * Currency::kScale, lowest.quantity));
        out.minSumma = Currency::FromUnits(DivideHalfAway(lowest.value * row.amountAccount.Units(), lowest.quantity));
        if (Compare(own, lowest) != 0) {
            const Wide dear = own.value * lowest.quantity * hundred;
            const Wide bound = lowest.value * own.quantity * (hundred + tolerancePercent.Units());
            out.mark = dear > bound ? PriceMark::AboveTolerance : PriceMark::WithinTolerance;
        }
        rows_.push_back(std::move(out));
    }
}

std::shared_ptr<Talvex::Data::Recordset>
PurchasePriceMarks::ToRecordset(const std::vector<std::string>& markTexts) const
{
    if (markTexts.size() != 3) throw Talvex::ValueError("markTexts: three texts are needed, one per mark");
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    for (const auto& column : kColumns)
        rs->Fields().Append(column.name, column.type, column.size);
    rs->Open();
    for (const auto& row : rows_) {
        const PurchaseLineRow& l = row.line;
        const std::string good = l.goodName + (l.unitCode.empty() ? "" : " [" + l.unitCode + "]");
        const Value values[] = {Value(l.idc),
                                Value(l.docTypeCode),
                                Value(l.number),
                                Value(l.documentDate),
                                Value(l.posNumb),
                                Value(l.department),
                                Value(l.person),
                                Value(l.client),
                                Value(l.goodCode),
                                Value(good),
                                Value(markTexts.at(static_cast<std::size_t>(row.mark) - 1)),
                                Value(l.amountAccount),
                                Value(l.costSumm),
                                Value(row.minSumma),
                                Value(row.minPrice)};
        rs->AddNew();
        for (std::size_t i = 0; i < std::size(values); ++i)
            rs->Fields().Item(i).SetValue(values[i]);
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

} // namespace Quarn_DuzAde
