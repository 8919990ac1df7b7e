#include "host/erp/internal/DemoDocumentGenerator.hpp"

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace Talvex::Erp::Demo {

// Payment terms and the payments that follow them, set-offs, exchange differences, barter and
// the yearly cash payment plan.

// Stored payment terms of an invoice: mostly the client's standard term, some instalments,
// some none (then the invoice is due on its date). The payment plan follows the terms.
void DocumentGenerator::TermsAndPayment(const Header& h, std::size_t debt, std::int64_t total, int standardTerm)
{
    std::vector<std::pair<int, std::int64_t>> terms;
    const int draw = random_.Between(1, 100);
    if (draw <= 10 && total >= 300) {
        const int count = random_.Between(2, 3);
        std::int64_t left = total;
        for (int i = 0; i < count; ++i) {
            const std::int64_t part = i + 1 == count ? left : total / count;
            terms.emplace_back(std::max(standardTerm, 7) + 30 * i, part);
            left -= part;
        }
    } else if (draw <= 70) {
        terms.emplace_back(standardTerm, total);
    }
    for (const auto& [days, cents] : terms) {
        payTerms_.Int(h.idc).Int(days).Cents(cents);
        payTerms_.EndRow();
    }
    if (terms.empty()) terms.emplace_back(0, total);

    const int fate = random_.Between(1, 100);
    if (fate <= 12) return; // never paid
    if (fate <= 25) {       // paid in part
        const std::int64_t part = RoundDiv(total * random_.Between(20, 80), 100);
        Schedule(debt, h.date.AddDays(terms.front().first + random_.Between(-3, 20)), part);
        return;
    }
    for (const auto& [days, cents] : terms)
        Schedule(debt, std::max(h.date, h.date.AddDays(days + random_.Between(-5, 15))), cents);
}

std::string DocumentGenerator::PaymentType(const Debt& d)
{
    const bool foreign = d.currency != kAccountCurrency;
    if (d.receivable) {
        if (foreign) return random_.Percent(80) ? "MPPT" : "MPP";
        if (d.partyType == 2) return random_.Percent(50) ? "KOP" : "KVT";
        const int draw = random_.Between(1, 100);
        return draw <= 65 ? "MPP" : draw <= 85 ? "KOP" : "KVT";
    }
    if (foreign) return random_.Percent(80) ? "MPT" : "MP";
    return random_.Percent(85) ? "MP" : "KOI";
}

// The month's due payments: a client's payments close together become one payment document
// that pays several documents; a few carry an amount not linked to anything yet.
void DocumentGenerator::Payments(Date month)
{
    const Date last = month.LastOfMonth();
    std::vector<PayEvent> due;
    std::vector<PayEvent> later;
    for (const auto& e : events_)
        (e.date <= last ? due : later).push_back(e);
    events_ = std::move(later);
    std::stable_sort(due.begin(), due.end(), [&](const PayEvent& a, const PayEvent& b) {
        const Debt& da = debts_[a.debt];
        const Debt& db = debts_[b.debt];
        if (da.party != db.party) return da.party < db.party;
        if (da.receivable != db.receivable) return da.receivable;
        if (da.currency != db.currency) return da.currency < db.currency;
        return a.date < b.date;
    });
    std::size_t i = 0;
    while (i < due.size()) {
        std::size_t j = i + 1;
        const Debt& first = debts_[due[i].debt];
        while (j < due.size() && j - i < 4) {
            const Debt& next = debts_[due[j].debt];
            if (next.party != first.party || next.receivable != first.receivable || next.currency != first.currency ||
                due[i].date.DaysUntil(due[j].date) > 7)
                break;
            ++j;
        }
        PaymentDocument(std::vector<PayEvent>(due.begin() + static_cast<std::ptrdiff_t>(i),
                                              due.begin() + static_cast<std::ptrdiff_t>(j)));
        i = j;
    }
}

void DocumentGenerator::PaymentDocument(const std::vector<PayEvent>& events)
{
    const Debt& first = debts_[events.front().debt];
    Date date = events.back().date;
    if (date < world_.begin) date = world_.begin;
    Header h = NewHeader(PaymentType(first), date, "FIN");
    // A foreign invoice is sometimes paid in the accounting currency.
    const bool crossCurrency = first.currency != kAccountCurrency && random_.Percent(15);
    h.currency = crossCurrency ? std::string(kAccountCurrency) : first.currency;
    h.isDirectPay = random_.Percent(2);
    h.isMngBKeeping = random_.Percent(3);
    h.name = first.receivable ? "Payment received" : "Payment made";
    std::int64_t summa = 0;
    for (const auto& e : events) {
        Debt& d = debts_[e.debt];
        const std::int64_t linked = std::min(e.cents, d.openCents);
        if (linked <= 0) continue;
        d.openCents -= linked;
        const std::int64_t inPayment = crossCurrency ? world_.ToAccountCents(linked, d.currency, date) : linked;
        paySpecs_.Int(h.idc).Int(d.idc).Cents(inPayment).Cents(linked).Flag(false).Text(d.type + " " + d.number + " " +
                                                                                        d.date.ToIso());
        paySpecs_.EndRow();
        summa += inPayment;
    }
    if (random_.Percent(6)) summa += random_.Between(1000, 50000); // an advance not yet linked
    if (summa == 0) summa = random_.Between(1000, 20000);
    h.summaCents = summa;
    std::vector<Line> none;
    Write(h, none);
    Party(h, first.receivable ? "MOK" : "GAV", first.party, first.partyType);
    paymentsByMonth_[MonthKey(date)].push_back(h.idc);
}

void DocumentGenerator::UnlinkedPayment(Date date)
{
    const bool received = random_.Percent(70);
    const DemoClient& c = received ? random_.Pick(world_.customers) : random_.Pick(world_.vendors);
    Header h = NewHeader(received ? (c.currency == "EUR" ? "MPP" : "MPPT") : (c.currency == "EUR" ? "MP" : "MPT"), date,
                         "FIN");
    h.currency = c.currency;
    h.summaCents = random_.Between(5000, 300000);
    h.name = "Advance payment";
    std::vector<Line> none;
    Write(h, none);
    Party(h, received ? "MOK" : "GAV", c.code);
    paymentsByMonth_[MonthKey(date)].push_back(h.idc);
}

// Sets a customer's return (what we owe) off against its open invoice (what it owes).
void DocumentGenerator::SetOff(Date date)
{
    for (auto& [party, returns] : returnsByParty_) {
        for (std::size_t r : returns) {
            Debt& ret = debts_[r];
            if (ret.openCents <= 0 || ret.date > date) continue;
            for (std::size_t index : invoicesByParty_[party]) {
                Debt& invoice = debts_[index];
                if (invoice.openCents <= 0 || invoice.currency != ret.currency || invoice.date > date) continue;
                const std::int64_t amount = std::min(ret.openCents, invoice.openCents);
                Header h = NewHeader("SUSM", date, "FIN");
                h.currency = ret.currency;
                h.summaCents = amount;
                h.isKredit = false;
                h.name = "Set-off of a return";
                std::vector<Line> none;
                Write(h, none);
                Party(h, "PIR", party, invoice.partyType);
                Party(h, "PAR", party, invoice.partyType);
                for (Debt* d : {&invoice, &ret}) {
                    d->openCents -= amount;
                    paySpecs_.Int(h.idc).Int(d->idc).Cents(amount).Cents(amount).Flag(false).Text(
                        d->type + " " + d->number + " " + d->date.ToIso());
                    paySpecs_.EndRow();
                }
                return;
            }
        }
    }
}

void DocumentGenerator::ExchangeDifference(Date date)
{
    const DemoClient* foreign = nullptr;
    for (const auto& c : world_.customers)
        if (c.currency != kAccountCurrency) {
            foreign = &c;
            if (random_.Percent(30)) break;
        }
    if (!foreign) return;
    Header h = NewHeader("BUSM", date, "FIN");
    h.summaCents = random_.Between(-5000, 5000);
    h.name = "Exchange difference";
    std::vector<Line> none;
    Write(h, none);
    Party(h, "PIR", foreign->code);
}

void DocumentGenerator::Barter(Date date)
{
    Header h = NewHeader("USM", date, "FIN");
    h.summaCents = random_.Between(10000, 200000);
    h.name = "Barter";
    std::vector<Line> none;
    Write(h, none);
    Party(h, "PIR", random_.Pick(world_.customers).code);
    Party(h, "PAR", random_.Pick(world_.vendors).code);
}

// The yearly cash payment plan: monthly expected receipts and payments of the main
// partners, due on a working day; lines already settled name their payment document.
void DocumentGenerator::CashPlan(int year)
{
    Header h = NewHeader("CPAY", Date(year, 1, 1), "FIN");
    h.posted = true;
    h.closed = year < world_.end.Year();
    std::vector<Line> lines;
    std::vector<std::tuple<std::string, Date, std::string>> details;
    const int partners = 6 + 10 * world_.scale;
    for (int p = 0; p < partners; ++p) {
        const DemoClient& c = p % 2 == 0 ? world_.customers[static_cast<std::size_t>(p) % world_.customers.size()]
                                         : world_.vendors[static_cast<std::size_t>(p) % world_.vendors.size()];
        const std::int64_t monthly = random_.Between(50000, 500000);
        for (unsigned m = 1; m <= 12; ++m) {
            Date due(year, m, 15);
            while (due.IsoWeekday() > 5)
                due = due.AddDays(-1);
            Line l = NewLine(world_.goods.size() - 1, 1, false);
            l.goodCode = std::string(kCashPlanGood);
            l.priceCents = monthly;
            l.netCents = monthly;
            l.fixCategory.clear();
            lines.push_back(std::move(l));
            details.emplace_back(c.code, due, random_.Percent(80) ? "BANK" : "CASH");
        }
    }
    Write(h, lines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& [client, due, paymentType] = details[i];
        cashPlanLines_.Int(h.idc).Int(static_cast<std::int64_t>(i + 1)).Text(client).Day(due).Text(paymentType);
        const auto& paid = paymentsByMonth_[MonthKey(due)];
        if (due < Date(2026, 11, 1) && !paid.empty() && random_.Percent(60))
            cashPlanLines_.Int(paid[random_.Index(paid.size())]);
        else
            cashPlanLines_.Null();
        cashPlanLines_.EndRow();
    }
}

} // namespace Talvex::Erp::Demo
