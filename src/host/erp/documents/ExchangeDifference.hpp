#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Talvex::Erp {

// One settlement of a foreign-currency document: a payment line (THPaySpec) of a payment, a
// set-off or another settling document that paid part of it.
struct ExchangeSettlement {
    std::int64_t paySpecId = 0;
    std::int64_t docId = 0;       // the settled document
    std::string docNumber;
    Date docDate;
    Decimal docRate;              // one unit of its currency in the account currency, on docDate
    std::int64_t payDocId = 0;    // the settling document
    Date payDate;
    Decimal payRate;              // one unit of the settling document's currency, on payDate
    Currency summa;               // what was paid, in the settling document's currency
    Currency summaCur;            // what it settled, in the settled document's currency
    bool payable = false;         // the settled document is what we owe
};

// What a settlement realised: the settled part as it was booked (at the rate of the
// document's date) and as it was paid (at the rate of the payment's date), both rounded half
// away from zero to the cent as the ledger books them, and the difference as a gain (positive)
// or a loss (negative) of ours: receiving more than was booked is a gain, paying more a loss.
struct ExchangeDifference {
    std::int64_t paySpecId = 0;
    std::int64_t docId = 0;
    std::string docNumber;
    std::int64_t payDocId = 0;
    Currency summaCur;
    Currency booked;
    Currency realised;
    Currency difference;
};

// The exchange-difference document of a client: its sum (the gains less the losses) and the
// settlements it books, in the order given. Settlements that realise no difference are left
// out.
struct ExchangeDocumentPlan {
    Currency summa;
    std::vector<ExchangeDifference> links;
};

[[nodiscard]] ExchangeDifference RealisedDifference(const ExchangeSettlement& settlement);
[[nodiscard]] ExchangeDocumentPlan PlanExchangeDocument(const std::vector<ExchangeSettlement>& settlements);

} // namespace Talvex::Erp
