#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <vector>

namespace Quarn_DuzAde {

// The payment reports' common arithmetic: which payment paid which term of a document, how
// much of it, and how early or late. Pure.

// One term of a document: due on a day, for a sum. A term of zero or less is a credit (a
// credit note, a return): it takes no payment.
struct PayTerm {
    Talvex::Date due;
    Talvex::Currency sum;
    std::int64_t termId = 0; // the stored term; 0 for the document's own due date
};

// One payment line towards the document.
struct PaymentLine {
    Talvex::Date date;
    Talvex::Currency sum;
    bool isPosted = true;
};

// Why a payment line pays nothing of the document on the report date.
enum class PaymentSkip { None, AfterReportDate, NotPosted, NotPositive };

// A part of one payment line laid on one term.
struct PaidPart {
    std::size_t term = 0;    // index into the terms given
    std::size_t payment = 0; // index into the payments given
    Talvex::Currency part;
    long daysLate = 0; // payment day minus due day: negative when paid early
};

struct TermAllocation {
    std::vector<PaidPart> parts;            // in the order they were laid: term by term
    std::vector<Talvex::Currency> openRest; // per term, what is left of it
    std::vector<PaymentSkip> skipped;       // per payment, why it paid nothing (None: it counted)
    Talvex::Currency overpaid;              // what the counted payments brought beyond the terms
};

// The terms of a document: its stored terms by due date, and where they fall short of the
// document's sum, one more for the rest due on the document date; a document without
// stored terms is due in full on its date.
std::vector<PayTerm> CompleteTerms(Talvex::Date documentDate, Talvex::Currency summa, std::vector<PayTerm> stored);

// Lays the payments on the terms first in first out: the earliest payment on the earliest
// term. Terms are taken in the order given (by due date); payments by their date, equal
// dates in the order given. Only posted payments of a positive sum dated up to the report
// date count.
TermAllocation AllocateToTerms(const std::vector<PayTerm>& terms, const std::vector<PaymentLine>& payments,
                               Talvex::Date repDate);

} // namespace Quarn_DuzAde
