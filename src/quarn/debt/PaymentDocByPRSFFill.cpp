#include "quarn/debt/PaymentDocByPRSFFill.hpp"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace Quarn_DuzAde {

using Talvex::Currency;

std::vector<PaymentDocByPRSFRow> PaymentDocByPRSFFill(const std::vector<PrsfInvoice>& invoices,
                                                      const std::vector<PrsfPaymentLink>& links, Talvex::Date repDate)
{
    std::unordered_map<std::int64_t, std::vector<const PrsfPaymentLink*>> linksOf;
    for (const auto& link : links)
        if (link.isPosted && link.date <= repDate) linksOf[link.invoiceIdc].push_back(&link);

    std::vector<PaymentDocByPRSFRow> out;
    std::map<std::string, PaymentDocByPRSFRow> totals;
    for (const auto& invoice : invoices) {
        PaymentDocByPRSFRow& total = totals[invoice.currencyCode];
        total.invoice.summa += invoice.summa;
        ++total.invoices;
        Currency rest = invoice.summa;
        auto found = linksOf.find(invoice.idc);
        if (found == linksOf.end()) {
            PaymentDocByPRSFRow row;
            row.kind = PaymentDocByPRSFKind::Unpaid;
            row.invoice = invoice;
            row.rest = rest;
            out.push_back(std::move(row));
        } else {
            auto& paid = found->second;
            std::stable_sort(paid.begin(), paid.end(),
                             [](const PrsfPaymentLink* a, const PrsfPaymentLink* b) { return a->date < b->date; });
            for (const auto* link : paid) {
                PaymentDocByPRSFRow row;
                row.invoice = invoice;
                row.hasPayment = true;
                row.payDocId = link->payDocId;
                row.payDocTypeCode = link->docTypeCode;
                row.payNumber = link->number;
                row.payDate = link->date;
                row.linked = link->linked;
                rest -= link->linked;
                row.rest = rest;
                total.linked += link->linked;
                out.push_back(std::move(row));
            }
        }
        total.rest += rest;
    }
    for (auto& [currency, total] : totals) {
        total.kind = PaymentDocByPRSFKind::Total;
        total.invoice.currencyCode = currency;
        out.push_back(std::move(total));
    }
    return out;
}

} // namespace Quarn_DuzAde
