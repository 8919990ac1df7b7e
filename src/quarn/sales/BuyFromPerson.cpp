#include "quarn/sales/BuyFromPerson.hpp"

#include <map>
#include <tuple>

namespace Quarn_DuzAde {

std::vector<BuyFromPersonTotal> BuyFromPersonTotals(const std::vector<BuyFromPersonPurchase>& purchases,
                                                    const BuyFromPersonRules& rules)
{
    // Keyed by code and the flag reversed, so a person's purchases up to the cut-off lead.
    std::map<std::tuple<std::string, int>, BuyFromPersonTotal> totals;
    for (const auto& purchase : purchases) {
        if (purchase.summa <= rules.minSum) continue;
        const int isIncomeTill = purchase.documentDate > rules.incomeTill ? 0 : 1;
        auto [it, added] = totals.try_emplace({purchase.code, 1 - isIncomeTill});
        BuyFromPersonTotal& total = it->second;
        if (added) {
            total.code = purchase.code;
            total.name = purchase.name;
            total.plantCode = purchase.plantCode;
            total.currencyCode = rules.accountCurrency;
            total.isIncomeTill = isIncomeTill;
        }
        total.summa += purchase.summa;
    }
    std::vector<BuyFromPersonTotal> result;
    result.reserve(totals.size());
    for (auto& [key, total] : totals)
        result.push_back(std::move(total));
    return result;
}

} // namespace Quarn_DuzAde
