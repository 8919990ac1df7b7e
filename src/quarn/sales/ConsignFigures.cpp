#include "quarn/sales/ConsignFigures.hpp"

#include <map>
#include <utility>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Decimal;

ConsignRowFigures FiguresOf(const ConsignSourceRow& row, Date repDate)
{
    const bool service = row.goodCode == kServiceGood;
    // A quantity at the unit cost, multiplied before dividing: exact wherever the quotient
    // ends (433.42 for 36, 27 of them: 325.065, not 325.06499..).
    const auto atUnitCost = [&](const Decimal& amount) {
        return row.netAmount.IsZero() ? Decimal() : row.netSum * amount / row.netAmount;
    };
    ConsignRowFigures f;
    f.restAmount = (service ? Decimal() : row.netAmount) - row.fixedAmount;
    f.rest = atUnitCost(f.restAmount);
    const Date needPayDate = row.docDate.AddDays(static_cast<std::int32_t>(row.payTerm.value_or(0)));
    const bool reached = needPayDate <= repDate;
    if (row.payTerm && reached) {
        f.restForPay = f.rest;
        f.restForPayAmount = f.restAmount;
    }
    const Decimal sold = atUnitCost(service ? row.grossAmount : row.fixedAmount);
    (reached ? f.saleForPay : f.sale) = sold;
    return f;
}

std::vector<VendorGoodRest> RestByVendorFill(const std::vector<ConsignSourceRow>& rows, Date repDate)
{
    struct Sum {
        const ConsignSourceRow* first = nullptr;
        Decimal rest, restAmount, restForPayAmount;
    };
    std::map<std::pair<std::string, std::string>, Sum> sums;
    for (const auto& row : rows) {
        const ConsignRowFigures f = FiguresOf(row, repDate);
        Sum& sum = sums[{row.client, row.goodCode}];
        if (!sum.first) sum.first = &row;
        sum.rest = sum.rest + f.rest;
        sum.restAmount = sum.restAmount + f.restAmount;
        sum.restForPayAmount = sum.restForPayAmount + f.restForPayAmount;
    }
    std::vector<VendorGoodRest> out;
    for (const auto& [key, sum] : sums) {
        const Currency rest = sum.rest.RoundHalfAwayFromZero(2).ToCurrency();
        if (rest == Currency() && sum.restAmount.IsZero()) continue;
        out.push_back(VendorGoodRest{key.first, key.second, sum.first->goodName, sum.first->unitCode, rest,
                                     sum.restAmount, sum.restForPayAmount});
    }
    return out;
}

VendorSettlement SettlementOf(Currency payed, Currency restForPay, Currency saleForPay)
{
    const Currency x = payed - restForPay - saleForPay;
    return x > Currency() ? VendorSettlement{Currency(), x} : VendorSettlement{Currency() - x, Currency()};
}

} // namespace Quarn_DuzAde
