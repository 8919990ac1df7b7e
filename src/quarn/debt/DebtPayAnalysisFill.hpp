#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"
#include "quarn/debt/DebtPayByDocFill.hpp"

#include <string>
#include <vector>

namespace Quarn_DuzAde {

struct DebtPayAnalysisParams {
    Talvex::Date dateBeg; // terms falling due from
    Talvex::Date dateEnd; // up to, both days included
    Talvex::Date repDate; // payments counted up to this day; overdue against it
};

enum class DebtPayAnalysisKind { Month, ClientTotal, GrandTotal };

// How one client paid the terms that fell due in one month (or the client's total, or the
// total of all clients), in one currency.
struct DebtPayAnalysisRow {
    DebtPayAnalysisKind kind = DebtPayAnalysisKind::Month;
    std::string clientCode; // empty on the grand total
    std::string clientName;
    std::string currencyCode;
    int year = 0; // the month the terms fell due; 0 on totals
    unsigned month = 0;
    long invoices = 0;                // documents with a term due in the month
    Talvex::Currency due;             // the sum of those terms
    Talvex::Currency paid;            // of it, paid by the report date
    Talvex::Currency paidOnTime;      // of it, paid on or before the due day
    Talvex::Decimal onTimeShare;      // paidOnTime of due, in percent, two decimals
    Talvex::Decimal avgDaysLate;      // mean days late of the payments laid on the terms
    Talvex::Decimal weightedDaysLate; // the same weighted by the sums paid
    Talvex::Currency open;            // still unpaid on the report date
    Talvex::Currency overdue;         // of it, past its due day on the report date
    Talvex::Currency credited;        // credit notes (terms of zero or less) due in the month
};

// The debt payment analysis: each client's terms falling due in the period, month by month,
// paid first in first out by the client's payments up to the report date. Each row shows
// what fell due, what was paid and how late, and what is still open; each client gets a
// total row, and each currency a grand total. Rows come by client code, currency, month.
//
// How the rule is read where it leaves a choice:
// - a payment paid early counts 0 days late, never negative days, so an early payment does
//   not hide a late one in the averages;
// - both averages are over the payments laid on the period's terms; an unpaid term is late
//   too, and shows in the overdue column rather than in the averages;
// - only posted payments count, as they stand on the report date;
// - a term of zero or less (a credit note) is credited, neither due nor paid.
std::vector<DebtPayAnalysisRow> DebtPayAnalysisFill(const std::vector<DebtPayNeedRow>& needRows,
                                                    const std::vector<DebtPayPayment>& payments,
                                                    const DebtPayAnalysisParams& params);

} // namespace Quarn_DuzAde
