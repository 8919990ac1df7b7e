#include "quarn/settlement/ExchangeClients.hpp"

#include <unordered_map>

namespace Quarn_DuzAde {

using Talvex::Currency;

// The named types take their side whatever IsIncome says; each type has exactly one side.
bool IsIncomingType(const std::string& docTypeCode, bool isIncome)
{
    if (docTypeCode == "PRSD" || docTypeCode == "BCN") return true;
    if (docTypeCode == "PISD" || docTypeCode == "SCN") return false;
    return isIncome;
}

bool IsOutgoingType(const std::string& docTypeCode, bool isIncome)
{
    return !IsIncomingType(docTypeCode, isIncome);
}

std::vector<ExchangeClientRow> ExchangeClients(const std::vector<ExchangeDebtTerm>& terms,
                                               const std::string& accountCurrency)
{
    // Clients in the order the terms first name them (the list reads them ordered by client).
    std::vector<ExchangeClientRow> clients;
    std::unordered_map<std::string, std::size_t> indexOf;
    for (const auto& term : terms) {
        const bool incoming = IsIncomingType(term.docTypeCode, term.isIncome);
        const Currency positive = term.accDebt < Currency() ? Currency() - term.accDebt : term.accDebt;
        auto [it, added] = indexOf.try_emplace(term.client, clients.size());
        if (added) clients.push_back({term.client, term.name, Currency(), Currency(), accountCurrency, "", 0});
        auto& row = clients[it->second];
        // A debt counts on its type's side; a negative one (an overpayment) on the other.
        if (term.accDebt == Currency()) continue;
        if (incoming == (term.accDebt > Currency()))
            row.debtIncom += positive;
        else
            row.debtOutcome += positive;
    }
    std::vector<ExchangeClientRow> rows;
    for (auto& row : clients)
        if (row.debtIncom > Currency() && row.debtOutcome > Currency()) rows.push_back(std::move(row));
    return rows;
}

bool ExchangeIsKredit(Currency debtIncom, Currency debtOutcome)
{
    return debtOutcome > debtIncom;
}

} // namespace Quarn_DuzAde
