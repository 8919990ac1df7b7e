#pragma once

#include "host/types/Currency.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// One open payment term of a posted foreign-currency document of the period, as the
// exchange-difference list reads it: its type, whether the type brings goods or money in,
// and its open debt (signed) in the account currency at the rate of the document's date.
struct ExchangeDebtTerm {
    std::string client;
    std::string name;
    std::string docTypeCode;
    bool isIncome = false;
    Talvex::Currency accDebt;
};

// One row of the list: a client with open debts on both sides.
struct ExchangeClientRow {
    std::string code;
    std::string name;
    Talvex::Currency debtIncom;
    Talvex::Currency debtOutcome;
    std::string currencyCode;
    std::string doc;
    std::int64_t docId = 0;
};

// The side of a document type: incoming are the types that bring goods or money in, outgoing
// the others; sales discounts "PRSD" and purchase bonuses "BCN" are always incoming, purchase
// discounts "PISD" and credit notes "SCN" always outgoing. Every type has one side.
[[nodiscard]] bool IsIncomingType(const std::string& docTypeCode, bool isIncome);
[[nodiscard]] bool IsOutgoingType(const std::string& docTypeCode, bool isIncome);

// The clients with open debts on both sides, in the order the terms name them, one pass: a
// positive debt counts on its type's side, a negative one on the other side, always as a
// positive amount; a client whose incoming or outgoing sum is not above zero is left out.
// The sums are in the account currency, which each row names.
[[nodiscard]] std::vector<ExchangeClientRow> ExchangeClients(const std::vector<ExchangeDebtTerm>& terms,
                                                             const std::string& accountCurrency);

// What the exchange-difference document of a row is booked as: on our payables side (true)
// when the client's outgoing debt is the larger, on the receivables side otherwise.
[[nodiscard]] bool ExchangeIsKredit(Talvex::Currency debtIncom, Talvex::Currency debtOutcome);

} // namespace Quarn_DuzAde
