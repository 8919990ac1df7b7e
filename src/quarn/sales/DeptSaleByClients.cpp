#include "quarn/sales/DeptSaleByClients.hpp"

#include <algorithm>
#include <map>

namespace Quarn_DuzAde {

namespace {

DeptSaleClientLine& LineOf(std::map<std::string, DeptSaleClientLine>& lines, const std::string& code,
                           const std::string& name)
{
    auto [it, added] = lines.try_emplace(code);
    if (added) {
        it->second.clientCode = code;
        it->second.clientName = name;
    }
    return it->second;
}

// part / whole in percent, rounded once, half away from zero, to hundredths of a percent.
Talvex::Currency PercentOf(Talvex::Currency part, Talvex::Currency whole)
{
    const __int128 numerator = static_cast<__int128>(part.Units()) * 10000;
    const __int128 denominator = whole.Units();
    __int128 hundredths = numerator / denominator;
    const __int128 rest = numerator % denominator;
    const __int128 twice = (rest < 0 ? -rest : rest) * 2;
    if (twice >= (denominator < 0 ? -denominator : denominator))
        hundredths += (numerator < 0) != (denominator < 0) ? -1 : 1;
    return Talvex::Currency::FromUnits(static_cast<std::int64_t>(hundredths * 100));
}

} // namespace

std::vector<DeptSaleClientLine> DeptSaleByClientLines(const std::vector<DeptSaleInvoice>& invoices,
                                                      const std::vector<DeptSaleOpenTerm>& openTerms,
                                                      Talvex::Date begPeriod, Talvex::Date endPeriod)
{
    std::map<std::string, DeptSaleClientLine> lines;
    // What the period's own invoices still owe, per client: paid is the rest of their sum.
    std::map<std::string, Talvex::Currency> owedOfPeriod;
    for (const auto& invoice : invoices)
        LineOf(lines, invoice.clientCode, invoice.clientName).sales += invoice.summa;
    for (const auto& term : openTerms) {
        if (term.documentDate > endPeriod) continue;
        DeptSaleClientLine& line = LineOf(lines, term.clientCode, term.clientName);
        line.openDebt += term.debt;
        if (term.needPayDate < endPeriod) line.overdue += term.debt;
        if (term.documentDate >= begPeriod) owedOfPeriod[term.clientCode] += term.debt;
    }

    DeptSaleClientLine total;
    total.isTotal = true;
    std::vector<DeptSaleClientLine> result;
    result.reserve(lines.size() + 1);
    for (auto& [code, line] : lines) {
        line.paid = line.sales - owedOfPeriod[code];
        total.sales += line.sales;
        total.paid += line.paid;
        total.openDebt += line.openDebt;
        total.overdue += line.overdue;
        result.push_back(std::move(line));
    }
    if (result.empty()) return result;
    for (auto& line : result)
        if (!total.sales.IsZero()) line.sharePercent = PercentOf(line.sales, total.sales);
    total.sharePercent = total.sales.IsZero() ? Talvex::Currency() : Talvex::Currency::FromInteger(100);
    std::stable_sort(result.begin(), result.end(), [](const DeptSaleClientLine& a, const DeptSaleClientLine& b) {
        if (a.sales != b.sales) return a.sales > b.sales;
        return a.clientCode < b.clientCode;
    });
    result.push_back(std::move(total));
    return result;
}

} // namespace Quarn_DuzAde
