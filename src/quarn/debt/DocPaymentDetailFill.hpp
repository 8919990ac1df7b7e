#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "quarn/debt/PaymentAllocation.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// A payment document's line towards the document being looked at.
struct DocPaymentLine {
    std::int64_t payDocId = 0;
    std::string docTypeCode;
    std::string number;
    Talvex::Date date;
    Talvex::Currency sum; // in the document's currency
    bool isPosted = true;
};

enum class DocPaymentDetailKind {
    Payment,    // a payment laid on a term
    Unpaid,     // a term nothing was laid on
    Overpaid,   // what the payments brought beyond the terms
    NotCounted, // a payment line that pays nothing on the report date, with the reason
    Total,
};

struct DocPaymentDetailRow {
    DocPaymentDetailKind kind = DocPaymentDetailKind::Payment;
    int termNo = 0; // from 1; 0 where the row belongs to no term
    Talvex::Date needPayDate;
    Talvex::Currency needPaySum;
    bool hasPayment = false;
    std::int64_t payDocId = 0;
    std::string payDocTypeCode;
    std::string payNumber;
    Talvex::Date payDate;
    Talvex::Currency paySum;   // the part laid on the term (the whole line where not counted)
    long days = 0;             // payment day minus due day: late positive, early negative
    Talvex::Currency openRest; // what is left of the term after this row
    long overdueDays = 0;      // on the term's last row: days its rest is overdue on the report date
    std::string note;
};

// One document's terms and every payment against each: the payments are laid on the terms
// first in first out, each part with its days late (or early, negative) and the term's rest
// after it; a term nothing paid shows alone with its whole sum open. After the terms: what
// was paid beyond them (its rest negative), the payment lines that pay nothing on the
// report date (dated after it, not posted, or of zero or less) with the reason, and the
// total: the terms, what the counted payments brought and the rest (the overpaid part
// taken off).
std::vector<DocPaymentDetailRow> DocPaymentDetailFill(Talvex::Date documentDate, Talvex::Currency summa,
                                                      std::vector<PayTerm> storedTerms,
                                                      const std::vector<DocPaymentLine>& payments,
                                                      Talvex::Date repDate);

} // namespace Quarn_DuzAde
