#include "quarn/settlement/SetOffPlan.hpp"

#include <algorithm>
#include <map>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;

namespace {

struct OpenDocument {
    std::int64_t idc = 0;
    std::string number;
    Date documentDate;
    Date firstDue; // the earliest due date of a term with debt
    bool hasDue = false;
    Currency debt;
    Currency accDebt;
};

bool DueBefore(const OpenDocument& a, const OpenDocument& b)
{
    const Date dueA = a.hasDue ? a.firstDue : a.documentDate;
    const Date dueB = b.hasDue ? b.firstDue : b.documentDate;
    if (dueA != dueB) return dueA < dueB;
    if (a.documentDate != b.documentDate) return a.documentDate < b.documentDate;
    return a.idc < b.idc;
}

// part of whole, in the proportion of share to total, to four decimals, half away from zero.
Currency Proportion(Currency whole, Currency share, Currency total)
{
    const __int128 product = static_cast<__int128>(whole.Units()) * share.Units();
    const __int128 divisor = total.Units();
    __int128 quotient = product / divisor;
    const __int128 remainder = product % divisor;
    const bool negative = (product < 0) != (divisor < 0);
    const __int128 twice = (remainder < 0 ? -remainder : remainder) * 2;
    if (twice >= (divisor < 0 ? -divisor : divisor)) quotient += negative ? -1 : 1;
    return Currency::FromUnits(static_cast<std::int64_t>(quotient));
}

} // namespace

SetOffDocumentPlan PlanSetOff(const std::vector<SetOffTerm>& terms)
{
    SetOffDocumentPlan plan;
    std::map<std::int64_t, OpenDocument> byId;
    for (const auto& term : terms) {
        plan.summa += term.accDebt;
        auto& doc = byId[term.idc];
        doc.idc = term.idc;
        doc.number = term.number;
        doc.documentDate = term.documentDate;
        doc.debt += term.debt;
        doc.accDebt += term.accDebt;
        if (term.debt != Currency() && (!doc.hasDue || term.needPayDate < doc.firstDue)) {
            doc.firstDue = term.needPayDate;
            doc.hasDue = true;
        }
    }
    std::vector<OpenDocument> open;
    for (auto& [idc, doc] : byId)
        if (doc.accDebt > Currency() && doc.debt > Currency()) open.push_back(std::move(doc));
    std::sort(open.begin(), open.end(), DueBefore);

    Currency remaining = plan.summa;
    for (const auto& doc : open) {
        if (remaining <= Currency()) break;
        SetOffLink link{doc.idc, doc.number, doc.accDebt, doc.debt};
        if (doc.accDebt > remaining) {
            link.summa = remaining;
            link.summaCur = std::min(doc.debt, Proportion(doc.debt, remaining, doc.accDebt));
        }
        if (link.summaCur <= Currency()) break;
        remaining -= link.summa;
        plan.links.push_back(std::move(link));
    }
    return plan;
}

} // namespace Quarn_DuzAde
