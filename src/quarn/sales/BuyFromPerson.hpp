#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One purchase from a private person: a posted purchase invoice outside VAT, its sum already
// in the accounting currency (the goods rows of the chosen categories only, when some are).
struct BuyFromPersonPurchase {
    std::string code; // the person as a client
    std::string name;
    std::string plantCode; // the person's personal code
    std::int64_t docId = 0;
    Talvex::Date documentDate;
    Talvex::Currency summa;
};

// What the report shows and the tax form declares: a person's purchases summed, apart for
// those paid on or before the cut-off day (IsIncomeTill 1) and those after it (0).
struct BuyFromPersonTotal {
    std::string code;
    std::string name;
    std::string plantCode;
    std::string currencyCode;
    Talvex::Currency summa;
    int isIncomeTill = 0;
};

struct BuyFromPersonRules {
    std::string accountCurrency;
    Talvex::Currency minSum; // a purchase counts only above it
    Talvex::Date incomeTill; // purchases dated up to this day are flagged IsIncomeTill
};

// The totals per person, ordered by the person's code and, within a person, the purchases
// up to the cut-off first. One pass over the purchases in any order; a purchase of exactly
// the minimum sum is left out.
std::vector<BuyFromPersonTotal> BuyFromPersonTotals(const std::vector<BuyFromPersonPurchase>& purchases,
                                                    const BuyFromPersonRules& rules);

} // namespace Quarn_DuzAde
