#include "quarn/debt/DebtPayAnalysisFill.hpp"

#include "quarn/debt/PaymentAllocation.hpp"
#include "quarn/debt/Penalties.hpp"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Decimal;

namespace {

struct Figures {
    long invoices = 0;
    Currency due, paid, paidOnTime, open, overdue, credited;
    std::int64_t parts = 0;
    std::int64_t daysLate = 0;
    Decimal weightedDays; // the sum of part × days late
};

struct ClientBlock {
    std::string name;
    std::map<std::pair<int, unsigned>, Figures> months;
    Figures total;
};

using ClientKey = std::tuple<std::string, std::string>; // client code, currency

Decimal Ratio(const Decimal& part, const Decimal& whole)
{
    // Always two decimals, as the columns print them.
    if (whole.IsZero()) return Decimal::FromInteger(0).WithScale(2);
    return (part / whole).RoundHalfAwayFromZero(2).WithScale(2);
}

DebtPayAnalysisRow RowOf(const Figures& f)
{
    DebtPayAnalysisRow row;
    row.invoices = f.invoices;
    row.due = f.due;
    row.paid = f.paid;
    row.paidOnTime = f.paidOnTime;
    row.open = f.open;
    row.overdue = f.overdue;
    row.credited = f.credited;
    row.onTimeShare =
        Ratio(Decimal::FromCurrency(f.paidOnTime) * Decimal::FromInteger(100), Decimal::FromCurrency(f.due));
    row.avgDaysLate = Ratio(Decimal::FromInteger(f.daysLate), Decimal::FromInteger(f.parts));
    row.weightedDaysLate = Ratio(f.weightedDays, Decimal::FromCurrency(f.paid));
    return row;
}

// Adds one term's figures to every level it counts in.
struct Levels {
    Figures* month;
    Figures* client;
    Figures* grand;
    template <typename F> void Each(F&& f) const
    {
        f(*month);
        f(*client);
        f(*grand);
    }
};

} // namespace

std::vector<DebtPayAnalysisRow> DebtPayAnalysisFill(const std::vector<DebtPayNeedRow>& needRows,
                                                    const std::vector<DebtPayPayment>& payments,
                                                    const DebtPayAnalysisParams& params)
{
    // The documents in the order they first come, each with its rows.
    std::vector<std::vector<const DebtPayNeedRow*>> documents;
    std::unordered_map<std::int64_t, std::size_t> documentIndex;
    for (const auto& row : needRows) {
        auto [it, added] = documentIndex.try_emplace(row.idc, documents.size());
        if (added) documents.emplace_back();
        documents[it->second].push_back(&row);
    }
    std::unordered_map<std::int64_t, std::vector<PaymentLine>> paidBy;
    for (const auto& p : payments)
        if (documentIndex.count(p.idc)) paidBy[p.idc].push_back({p.payDocumentDate, p.paySumma, p.isPosted});

    std::map<ClientKey, ClientBlock> clients;
    std::map<std::string, Figures> grand;
    const std::vector<PaymentLine> none;
    for (const auto& rows : documents) {
        const DebtPayNeedRow& doc = *rows.front();
        std::vector<PayTerm> stored;
        for (const auto* row : rows)
            if (row->needPayId != 0) stored.push_back({row->needPayDate, row->needPaySum, row->needPayId});
        const auto terms = CompleteTerms(doc.documentDate, doc.summa, std::move(stored));
        bool inPeriod = false;
        for (const auto& term : terms)
            inPeriod = inPeriod || (term.due >= params.dateBeg && term.due <= params.dateEnd);
        if (!inPeriod) continue;

        auto found = paidBy.find(doc.idc);
        const auto& lines = found == paidBy.end() ? none : found->second;
        const TermAllocation allocation = AllocateToTerms(terms, lines, params.repDate);

        ClientBlock& client = clients[ClientKey(doc.clientCode, doc.currencyCode)];
        if (client.name.empty()) client.name = doc.clientName;
        Figures& grandTotal = grand[doc.currencyCode];
        std::vector<std::pair<int, unsigned>> monthsCounted;
        bool counted = false;
        std::size_t part = 0;
        for (std::size_t t = 0; t < terms.size(); ++t) {
            const PayTerm& term = terms[t];
            const bool due = term.due >= params.dateBeg && term.due <= params.dateEnd;
            const std::pair<int, unsigned> monthKey{term.due.Year(), term.due.Month()};
            const Levels levels{due ? &client.months[monthKey] : nullptr, &client.total, &grandTotal};
            for (; part < allocation.parts.size() && allocation.parts[part].term == t; ++part) {
                if (!due) continue;
                const PaidPart& paid = allocation.parts[part];
                const long daysLate = std::max(0L, paid.daysLate);
                levels.Each([&](Figures& f) {
                    f.paid += paid.part;
                    if (paid.daysLate <= 0) f.paidOnTime += paid.part;
                    ++f.parts;
                    f.daysLate += daysLate;
                    f.weightedDays = f.weightedDays + Decimal::FromCurrency(paid.part) * Decimal::FromInteger(daysLate);
                });
            }
            if (!due) continue;
            if (term.sum <= Currency()) {
                levels.Each([&](Figures& f) { f.credited += term.sum; });
                continue;
            }
            const Currency rest = allocation.openRest[t];
            const bool late = OverdueDays(term.due, params.repDate) > 0;
            levels.Each([&](Figures& f) {
                f.due += term.sum;
                f.open += rest;
                if (late) f.overdue += rest;
            });
            if (std::find(monthsCounted.begin(), monthsCounted.end(), monthKey) == monthsCounted.end()) {
                monthsCounted.push_back(monthKey);
                ++levels.month->invoices;
            }
            counted = true;
        }
        if (counted) {
            ++client.total.invoices;
            ++grandTotal.invoices;
        }
    }

    std::vector<DebtPayAnalysisRow> out;
    for (const auto& [key, block] : clients) {
        const auto& [code, currency] = key;
        auto add = [&](DebtPayAnalysisRow row, DebtPayAnalysisKind kind, int year, unsigned month) {
            row.kind = kind;
            row.clientCode = code;
            row.clientName = block.name;
            row.currencyCode = currency;
            row.year = year;
            row.month = month;
            out.push_back(std::move(row));
        };
        for (const auto& [month, figures] : block.months)
            add(RowOf(figures), DebtPayAnalysisKind::Month, month.first, month.second);
        add(RowOf(block.total), DebtPayAnalysisKind::ClientTotal, 0, 0);
    }
    for (const auto& [currency, figures] : grand) {
        DebtPayAnalysisRow row = RowOf(figures);
        row.kind = DebtPayAnalysisKind::GrandTotal;
        row.currencyCode = currency;
        out.push_back(std::move(row));
    }
    return out;
}

} // namespace Quarn_DuzAde
