#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// What became of a payment term since it was read: the grid's PayTermState.
enum class PayTermState : long { kUnchanged = 0, kInserted = 1, kChanged = 2, kDeleted = 3 };

// One instalment of a pay-on-sale purchase invoice as arranged on screen.
struct ArrangedTerm {
    Talvex::Date needPayDate;
    Talvex::Currency needPaySumma;
    // The part of what was paid on the invoice that falls on this term (earliest terms first).
    Talvex::Currency paySumma;
    PayTermState state = PayTermState::kUnchanged;
    std::int64_t termId = 0; // the stored row; 0 for a term not stored yet
};

// A pay-on-sale purchase invoice with its terms, as the arrangement edits it.
struct ArrangedInvoice {
    std::int64_t docId = 0;
    std::string docNumber;
    Talvex::Date docDate;
    Talvex::Currency docSumma;
    Talvex::Currency debtSumma; // unpaid part of the invoice
    long payTerm = 0;           // the supplier's standard term in days
    std::string clntCode;
    std::string clntName;
    std::string currencyCode;
    Talvex::Currency summaSell;         // its goods sold up to now, at purchase price
    Talvex::Currency summaSellOnPeriod; // the same for sales inside the period
    std::vector<ArrangedTerm> terms;
};

// One term row of an invoice as read (a row without termId stands for the part of the
// invoice its stored terms leave out), and one sale of its goods.
struct StoredPayTermRow {
    std::int64_t docId = 0;
    std::string docNumber;
    Talvex::Date docDate;
    Talvex::Currency docSumma;
    std::string currencyCode;
    std::int64_t termId = 0;
    Talvex::Currency termSumma;
    Talvex::Currency debtSumma;
    Talvex::Date needPayDate;
    long payTerm = 0;
    std::string clntCode;
    std::string clntName;
};
struct InvoiceSaleRow {
    std::int64_t docId = 0;
    Talvex::Date saleDate;
    Talvex::Currency summa;
};

// The invoices to arrange from their term rows (grouped by invoice, in the order read) and the
// sales of their goods: those still open, or with goods sold between begDate and endDate;
// each recalculated so that its terms add up to its sum.
[[nodiscard]] std::vector<ArrangedInvoice> FillArrangement(const std::vector<StoredPayTermRow>& terms,
                                                           const std::vector<InvoiceSaleRow>& sales,
                                                           Talvex::Date begDate, Talvex::Date endDate);

// The grid style of a term row.
[[nodiscard]] const char* PayTermStyle(const ArrangedTerm& term);

// A working day on or after the date: payments do not fall due on a Saturday or Sunday.
[[nodiscard]] Talvex::Date NextWorkingDay(Talvex::Date date);

// The arithmetic of arranging an invoice's payment terms: the live terms (all but those to be
// deleted) always add up to the invoice's sum, and what was paid falls on the earliest terms.
// Pure: no database, no window.
class PayTermArrangement {
public:
    // Brings stored terms into line: an excess over the invoice's sum is cut from the latest
    // due date back; a shortfall (an invoice without terms, or terms short of its sum) becomes
    // a term of its own at the standard due date. Then spreads the paid amount.
    static void Recalculate(ArrangedInvoice& invoice);

    // The user set the sum of a term (0 removes it). Excess is taken from the other terms,
    // latest first; a shortfall goes onto the latest other live term, or a new term at the
    // standard due date when there is none. ValueError (naming NeedPaySumma) for a negative
    // sum, or one above the invoice's sum.
    static void EditSumma(ArrangedInvoice& invoice, std::size_t index, Talvex::Currency summa);

    // A new term (state inserted) balanced as an edit. Returns false and changes nothing when
    // the invoice already has a live term on that date. ValueError for a sum not above 0 or
    // above the invoice's sum, or a date before the invoice's.
    [[nodiscard]] static bool AddTerm(ArrangedInvoice& invoice, Talvex::Date date, Talvex::Currency summa);

    // The live term on the date, if any (its index), else -1.
    [[nodiscard]] static long TermOn(const ArrangedInvoice& invoice, Talvex::Date date);

    // The due date a term gets when the arrangement has to make one: the standard term after
    // the invoice's date, on a working day.
    [[nodiscard]] static Talvex::Date DefaultDueDate(const ArrangedInvoice& invoice);

    // The paid part (sum less debt) over the live terms in due-date order.
    static void AllocatePaid(ArrangedInvoice& invoice);

private:
    static void Balance(ArrangedInvoice& invoice, long keep);
    static void SetSumma(ArrangedTerm& term, Talvex::Currency summa);
};

} // namespace Quarn_DuzAde
