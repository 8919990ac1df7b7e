#include "quarn/debt/DocPaymentDetailFill.hpp"

#include "quarn/debt/Penalties.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;

namespace {

const char* ReasonOf(PaymentSkip skip)
{
    switch (skip) {
    case PaymentSkip::AfterReportDate: return "dated after the report date";
    case PaymentSkip::NotPosted: return "not posted";
    case PaymentSkip::NotPositive: return "pays nothing (zero or less)";
    case PaymentSkip::None: break;
    }
    return "";
}

void SetPayment(DocPaymentDetailRow& row, const DocPaymentLine& line)
{
    row.hasPayment = true;
    row.payDocId = line.payDocId;
    row.payDocTypeCode = line.docTypeCode;
    row.payNumber = line.number;
    row.payDate = line.date;
}

} // namespace

std::vector<DocPaymentDetailRow> DocPaymentDetailFill(Talvex::Date documentDate, Currency summa,
                                                      std::vector<PayTerm> storedTerms,
                                                      const std::vector<DocPaymentLine>& payments, Talvex::Date repDate)
{
    const auto terms = CompleteTerms(documentDate, summa, std::move(storedTerms));
    std::vector<PaymentLine> lines;
    lines.reserve(payments.size());
    for (const auto& p : payments)
        lines.push_back({p.date, p.sum, p.isPosted});
    const TermAllocation allocation = AllocateToTerms(terms, lines, repDate);

    std::vector<DocPaymentDetailRow> out;
    DocPaymentDetailRow total;
    total.kind = DocPaymentDetailKind::Total;
    total.note = "total";
    std::size_t part = 0;
    for (std::size_t t = 0; t < terms.size(); ++t) {
        const PayTerm& term = terms[t];
        DocPaymentDetailRow base;
        base.termNo = static_cast<int>(t + 1);
        base.needPayDate = term.due;
        base.needPaySum = term.sum;
        Currency rest = term.sum;
        const std::size_t first = out.size();
        for (; part < allocation.parts.size() && allocation.parts[part].term == t; ++part) {
            const PaidPart& paid = allocation.parts[part];
            DocPaymentDetailRow row = base;
            SetPayment(row, payments[paid.payment]);
            row.paySum = paid.part;
            row.days = paid.daysLate;
            rest -= paid.part;
            row.openRest = rest;
            total.paySum += paid.part;
            out.push_back(std::move(row));
        }
        if (out.size() == first) {
            DocPaymentDetailRow row = base;
            row.kind = DocPaymentDetailKind::Unpaid;
            row.openRest = rest;
            if (term.sum <= Currency()) row.note = "credit";
            out.push_back(std::move(row));
        }
        if (rest > Currency()) out.back().overdueDays = OverdueDays(term.due, repDate);
        total.needPaySum += term.sum;
        total.openRest += rest;
    }
    if (allocation.overpaid > Currency()) {
        DocPaymentDetailRow row;
        row.kind = DocPaymentDetailKind::Overpaid;
        row.paySum = allocation.overpaid;
        row.openRest = -allocation.overpaid;
        row.note = "overpaid";
        total.paySum += allocation.overpaid;
        total.openRest -= allocation.overpaid;
        out.push_back(std::move(row));
    }
    for (std::size_t i = 0; i < payments.size(); ++i) {
        if (allocation.skipped[i] == PaymentSkip::None) continue;
        DocPaymentDetailRow row;
        row.kind = DocPaymentDetailKind::NotCounted;
        SetPayment(row, payments[i]);
        row.paySum = payments[i].sum;
        row.note = ReasonOf(allocation.skipped[i]);
        out.push_back(std::move(row));
    }
    out.push_back(std::move(total));
    return out;
}

} // namespace Quarn_DuzAde
