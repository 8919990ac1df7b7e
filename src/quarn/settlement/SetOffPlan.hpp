#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One open payment term of a client's document, as the set-off list reads it: what is still
// open in the document's currency and the same in the account currency at the rate of the
// document's date.
struct SetOffTerm {
    std::int64_t idc = 0;
    std::string number;
    Talvex::Date documentDate;
    Talvex::Date needPayDate;
    Talvex::Currency debt;    // the document's currency
    Talvex::Currency accDebt; // the account currency
};

// One link of a set-off document to a document it settles.
struct SetOffLink {
    std::int64_t idc = 0;
    std::string number;
    Talvex::Currency summa;    // the set-off document's (account) currency
    Talvex::Currency summaCur; // the settled document's currency
};

// What one client's set-off document will be: its sum and the documents it settles.
struct SetOffDocumentPlan {
    Talvex::Currency summa;
    std::vector<SetOffLink> links;
};

// Plans a client's set-off document from the client's open terms on one side. The document's
// sum is what the list shows for the client: the terms' open debt in the account currency,
// added up. It settles the documents oldest due first (by the earliest due date of a term
// still open, then the document's date and id), each with what is open on it, in both
// currencies exactly as the list counted it, so nothing stays open of what the list showed
// and no foreign document is left with a few units. A document whose open debt is not
// positive (a credit) settles nothing of its own; when such documents lower the sum below
// what the others hold, the last document reached is settled in part, its own currency in
// proportion to the list's amounts (its own rate), rounded to four decimals.
[[nodiscard]] SetOffDocumentPlan PlanSetOff(const std::vector<SetOffTerm>& terms);

} // namespace Quarn_DuzAde
