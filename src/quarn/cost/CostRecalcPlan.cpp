#include "quarn/cost/CostRecalcPlan.hpp"

#include "host/erp/documents/COrder.hpp"
#include "host/types/Decimal.hpp"

#include <map>
#include <set>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Decimal;

void ApplyOrderFactCost(std::vector<ManufacturingRow>& rows, std::int64_t orderIdc,
                        const std::vector<OrderRowFact>& facts, Currency orderTotal)
{
    const Currency total = orderTotal.RoundHalfAwayFromZero(2);
    std::map<std::int64_t, Currency> factOf;
    for (const auto& f : facts)
        factOf[f.gsIDC] = f.summa.RoundHalfAwayFromZero(2);
    std::map<std::int64_t, Currency> orderRowAmount;
    for (auto& row : rows) {
        if (row.isFinishedGoods || row.IDC != orderIdc) continue;
        orderRowAmount[row.gsIDC] = row.amountAccount;
        const auto it = factOf.find(row.gsIDC);
        if (it == factOf.end()) continue;
        row.RowNewSumm = it->second;
        row.DocNewFSum = total;
        row.recalculated = true;
    }
    // Finished goods: each row from its order row, each document the sum of its rows.
    std::map<std::int64_t, Currency> finishedTotal;
    for (auto& row : rows) {
        if (!row.isFinishedGoods || row.MOIDC != orderIdc) continue;
        const auto fact = factOf.find(row.GSMOIDC);
        if (fact == factOf.end()) continue;
        const auto amount = orderRowAmount.find(row.GSMOIDC);
        row.RowNewSumm = Talvex::Erp::FinishedRowCost(
            fact->second, amount == orderRowAmount.end() ? Currency() : amount->second, row.amountAccount);
        row.recalculated = true;
        finishedTotal[row.IDC] += row.RowNewSumm;
    }
    for (auto& row : rows)
        if (row.isFinishedGoods && finishedTotal.contains(row.IDC)) row.DocNewFSum = finishedTotal[row.IDC];
}

std::vector<std::int64_t> ChangedDocuments(const std::vector<ManufacturingRow>& rows, bool finishedGoods)
{
    std::vector<std::int64_t> documents;
    std::set<std::int64_t> seen;
    for (const auto& row : rows) {
        if (row.isFinishedGoods != finishedGoods || !row.recalculated) continue;
        if (row.DocNewFSum == row.DocOldFSum && !finishedGoods) continue;
        if (seen.insert(row.IDC).second) documents.push_back(row.IDC);
    }
    return documents;
}

Currency ReturnRowCost(Currency sourceCost, Currency sourceAmount, Currency listedAmount)
{
    if (sourceAmount == Currency()) return Currency();
    return (Decimal::FromCurrency(sourceCost) / Decimal::FromCurrency(sourceAmount) *
            Decimal::FromCurrency(listedAmount))
        .RoundHalfAwayFromZero(2)
        .ToCurrency();
}

} // namespace Quarn_DuzAde
