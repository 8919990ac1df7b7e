#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// A sale invoice of the department in the period, its sum with VAT in the accounting currency.
struct DeptSaleInvoice {
    std::string clientCode;
    std::string clientName;
    std::int64_t docId = 0;
    Talvex::Currency summa;
};

// A payment term of one of the department's invoices dated up to the period end, with what
// was still owed on it at the period end (accounting currency).
struct DeptSaleOpenTerm {
    std::string clientCode;
    std::string clientName;
    std::int64_t docId = 0;
    Talvex::Date documentDate;
    Talvex::Date needPayDate;
    Talvex::Currency debt;
};

// One client of the department, or the department's total (isTotal).
struct DeptSaleClientLine {
    std::string clientCode;
    std::string clientName;
    Talvex::Currency sales;        // invoiced in the period
    Talvex::Currency paid;         // of those invoices, settled by the period end
    Talvex::Currency openDebt;     // every invoice up to the period end, still owed at its end
    Talvex::Currency overdue;      // of the open debt, what was due before the period end
    Talvex::Currency sharePercent; // the client's part of the department's sales, in percent
    bool isTotal = false;
};

// Per client: sales, paid, open and overdue debt at the period end, and the share of the
// department's sales (percent, rounded half away from zero to 2 decimals; 0 when the
// department sold nothing). Clients ordered by sales, largest first, then by code; the
// department's total last. One pass over each input; no line when there is nothing at all.
std::vector<DeptSaleClientLine> DeptSaleByClientLines(const std::vector<DeptSaleInvoice>& invoices,
                                                      const std::vector<DeptSaleOpenTerm>& openTerms,
                                                      Talvex::Date begPeriod, Talvex::Date endPeriod);

} // namespace Quarn_DuzAde
