#include "quarn/settlement/PayTermArrangement.hpp"

#include "host/types/Errors.hpp"

#include <algorithm>
#include <map>
#include <numeric>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;

namespace {

bool IsLive(const ArrangedTerm& term)
{
    return term.state != PayTermState::kDeleted;
}

// Indexes of the terms in due-date order (ties by their place in the list).
std::vector<std::size_t> ByDueDate(const ArrangedInvoice& invoice)
{
    std::vector<std::size_t> order(invoice.terms.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return invoice.terms[a].needPayDate < invoice.terms[b].needPayDate;
    });
    return order;
}

Currency LiveTotal(const ArrangedInvoice& invoice)
{
    Currency total;
    for (const auto& term : invoice.terms)
        if (IsLive(term)) total += term.needPaySumma;
    return total;
}

void CheckSumma(const ArrangedInvoice& invoice, Currency summa, bool allowZero)
{
    if (summa < Currency() || (!allowZero && summa == Currency()))
        throw Talvex::ValueError("NeedPaySumma: a term of invoice " + invoice.docNumber + " must be above 0");
    if (summa > invoice.docSumma)
        throw Talvex::ValueError("NeedPaySumma: a term of invoice " + invoice.docNumber + " cannot exceed its sum " +
                                 invoice.docSumma.ToString());
}

} // namespace

const char* PayTermStyle(const ArrangedTerm& term)
{
    if (term.paySumma > Currency() && term.paySumma == term.needPaySumma) return "stIsFullPay";
    switch (term.state) {
    case PayTermState::kInserted: return "stIsInsert";
    case PayTermState::kChanged: return "stIsChange";
    case PayTermState::kDeleted: return "stIsDelete";
    case PayTermState::kUnchanged: break;
    }
    return "stIsNormal";
}

Date NextWorkingDay(Date date)
{
    const unsigned weekday = date.IsoWeekday(); // 6 Saturday, 7 Sunday
    return weekday >= 6 ? date.AddDays(static_cast<std::int32_t>(8 - weekday)) : date;
}

Date PayTermArrangement::DefaultDueDate(const ArrangedInvoice& invoice)
{
    return NextWorkingDay(invoice.docDate.AddDays(static_cast<std::int32_t>(invoice.payTerm)));
}

long PayTermArrangement::TermOn(const ArrangedInvoice& invoice, Date date)
{
    for (std::size_t i = 0; i < invoice.terms.size(); ++i)
        if (IsLive(invoice.terms[i]) && invoice.terms[i].needPayDate == date) return static_cast<long>(i);
    return -1;
}

void PayTermArrangement::SetSumma(ArrangedTerm& term, Currency summa)
{
    term.needPaySumma = summa;
    // A term not stored yet stays new whatever its sum; a stored one is changed, or deleted at 0.
    if (term.state == PayTermState::kInserted) return;
    term.state = summa == Currency() ? PayTermState::kDeleted : PayTermState::kChanged;
}

void PayTermArrangement::Balance(ArrangedInvoice& invoice, long keep)
{
    Currency excess = LiveTotal(invoice) - invoice.docSumma;
    const std::vector<std::size_t> order = ByDueDate(invoice);
    // The latest due dates give way first; the term the user just set keeps its sum.
    for (auto it = order.rbegin(); it != order.rend() && excess > Currency(); ++it) {
        if (static_cast<long>(*it) == keep) continue;
        ArrangedTerm& term = invoice.terms[*it];
        if (!IsLive(term) || term.needPaySumma <= Currency()) continue;
        const Currency cut = std::min(term.needPaySumma, excess);
        SetSumma(term, term.needPaySumma - cut);
        excess = excess - cut;
    }
    if (excess < Currency()) {
        const Currency shortfall = Currency() - excess;
        long target = -1;
        if (keep >= 0) {
            for (auto it = order.rbegin(); it != order.rend(); ++it) {
                if (static_cast<long>(*it) == keep || !IsLive(invoice.terms[*it])) continue;
                target = static_cast<long>(*it);
                break;
            }
        }
        if (target < 0) {
            Date due = DefaultDueDate(invoice);
            // The term just set keeps its own sum: the rest goes to the next working day.
            if (keep >= 0 && IsLive(invoice.terms[static_cast<std::size_t>(keep)]) &&
                invoice.terms[static_cast<std::size_t>(keep)].needPayDate == due)
                due = NextWorkingDay(due.AddDays(1));
            target = TermOn(invoice, due);
            if (target < 0) {
                invoice.terms.push_back(ArrangedTerm{due, Currency(), Currency(), PayTermState::kInserted, 0});
                target = static_cast<long>(invoice.terms.size() - 1);
            }
        }
        ArrangedTerm& term = invoice.terms[static_cast<std::size_t>(target)];
        SetSumma(term, term.needPaySumma + shortfall);
    }
    // A new term brought down to nothing is simply not made.
    std::erase_if(invoice.terms, [](const ArrangedTerm& term) {
        return term.state == PayTermState::kInserted && term.needPaySumma == Currency();
    });
    AllocatePaid(invoice);
}

void PayTermArrangement::AllocatePaid(ArrangedInvoice& invoice)
{
    Currency left = invoice.docSumma - invoice.debtSumma;
    for (std::size_t i : ByDueDate(invoice)) {
        ArrangedTerm& term = invoice.terms[i];
        if (!IsLive(term) || left <= Currency()) {
            term.paySumma = Currency();
            continue;
        }
        term.paySumma = std::min(term.needPaySumma, left);
        left = left - term.paySumma;
    }
}

void PayTermArrangement::Recalculate(ArrangedInvoice& invoice)
{
    Balance(invoice, -1);
}

void PayTermArrangement::EditSumma(ArrangedInvoice& invoice, std::size_t index, Currency summa)
{
    if (index >= invoice.terms.size())
        throw Talvex::ValueError("NeedPaySumma: invoice " + invoice.docNumber + " has no term " +
                                 std::to_string(index + 1));
    CheckSumma(invoice, summa, true);
    SetSumma(invoice.terms[index], summa);
    Balance(invoice, static_cast<long>(index));
}

bool PayTermArrangement::AddTerm(ArrangedInvoice& invoice, Date date, Currency summa)
{
    CheckSumma(invoice, summa, false);
    if (date < invoice.docDate)
        throw Talvex::ValueError("edRepDate: a term of invoice " + invoice.docNumber + " cannot fall due before " +
                                 invoice.docDate.ToIso());
    if (TermOn(invoice, date) >= 0) return false;
    invoice.terms.push_back(ArrangedTerm{date, summa, Currency(), PayTermState::kInserted, 0});
    Balance(invoice, static_cast<long>(invoice.terms.size() - 1));
    return true;
}

std::vector<ArrangedInvoice> FillArrangement(const std::vector<StoredPayTermRow>& terms,
                                             const std::vector<InvoiceSaleRow>& sales, Date begDate, Date endDate)
{
    std::vector<ArrangedInvoice> invoices;
    std::map<std::int64_t, std::size_t> indexOf;
    for (const auto& row : terms) {
        auto [it, isNew] = indexOf.try_emplace(row.docId, invoices.size());
        if (isNew) {
            ArrangedInvoice invoice;
            invoice.docId = row.docId;
            invoice.docNumber = row.docNumber;
            invoice.docDate = row.docDate;
            invoice.docSumma = row.docSumma;
            invoice.payTerm = row.payTerm;
            invoice.clntCode = row.clntCode;
            invoice.clntName = row.clntName;
            invoice.currencyCode = row.currencyCode;
            invoices.push_back(std::move(invoice));
        }
        ArrangedInvoice& invoice = invoices[it->second];
        invoice.debtSumma += row.debtSumma;
        if (row.termId != 0)
            invoice.terms.push_back(
                ArrangedTerm{row.needPayDate, row.termSumma, Currency(), PayTermState::kUnchanged, row.termId});
    }
    for (const auto& sale : sales) {
        const auto it = indexOf.find(sale.docId);
        if (it == indexOf.end()) continue;
        ArrangedInvoice& invoice = invoices[it->second];
        invoice.summaSell += sale.summa;
        if (begDate <= sale.saleDate && sale.saleDate <= endDate) invoice.summaSellOnPeriod += sale.summa;
    }
    std::erase_if(invoices, [](const ArrangedInvoice& invoice) {
        return invoice.debtSumma == Currency() && invoice.summaSellOnPeriod == Currency();
    });
    for (auto& invoice : invoices)
        PayTermArrangement::Recalculate(invoice);
    return invoices;
}

} // namespace Quarn_DuzAde
