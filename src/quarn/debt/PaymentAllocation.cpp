#include "quarn/debt/PaymentAllocation.hpp"

#include <algorithm>

namespace Quarn_DuzAde {

using Talvex::Currency;

std::vector<PayTerm> CompleteTerms(Talvex::Date documentDate, Currency summa, std::vector<PayTerm> stored)
{
    Currency inTerms;
    for (const auto& term : stored)
        inTerms += term.sum;
    if (stored.empty() || inTerms < summa) stored.push_back({documentDate, summa - inTerms, 0});
    std::stable_sort(stored.begin(), stored.end(), [](const PayTerm& a, const PayTerm& b) { return a.due < b.due; });
    return stored;
}

TermAllocation AllocateToTerms(const std::vector<PayTerm>& terms, const std::vector<PaymentLine>& payments,
                               Talvex::Date repDate)
{
    TermAllocation result;
    result.skipped.assign(payments.size(), PaymentSkip::None);
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < payments.size(); ++i) {
        const PaymentLine& p = payments[i];
        if (p.date > repDate)
            result.skipped[i] = PaymentSkip::AfterReportDate;
        else if (!p.isPosted)
            result.skipped[i] = PaymentSkip::NotPosted;
        else if (p.sum <= Currency())
            result.skipped[i] = PaymentSkip::NotPositive;
        else
            order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return payments[a].date < payments[b].date; });

    std::vector<Currency> unallocated(payments.size());
    for (std::size_t i : order)
        unallocated[i] = payments[i].sum;
    std::size_t next = 0;
    result.openRest.reserve(terms.size());
    for (std::size_t t = 0; t < terms.size(); ++t) {
        Currency rest = terms[t].sum;
        while (rest > Currency() && next < order.size()) {
            const std::size_t p = order[next];
            const Currency part = std::min(rest, unallocated[p]);
            result.parts.push_back({t, p, part, terms[t].due.DaysUntil(payments[p].date)});
            rest -= part;
            unallocated[p] -= part;
            if (unallocated[p] <= Currency()) ++next;
        }
        result.openRest.push_back(rest);
    }
    for (std::size_t i = next; i < order.size(); ++i)
        result.overpaid += unallocated[order[i]];
    return result;
}

} // namespace Quarn_DuzAde
