#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Quarn_DuzAde {

// A code list as the settings keep it: codes separated by "; " (commas are taken too, as a
// selector writes them); blanks and a trailing separator are dropped.
std::vector<std::string> CodeListOf(std::string_view text);
std::string CodeListText(const std::vector<std::string>& codes);

// An account's closing balance split into its debit and credit parts.
struct FinStateBalance {
    std::string code;
    Talvex::Currency outcomeD;
    Talvex::Currency outcomeC;
};
// The net balance of the accounts: debit parts less credit parts.
Talvex::Currency NetBalance(const std::vector<FinStateBalance>& balances);

// The open debt of the chosen document types falling due on one day.
struct FinStateDueDay {
    Talvex::Date needPayDate;
    Talvex::Currency debtSumma;
};
struct FinStateDebt {
    Talvex::Currency debt;
    Talvex::Currency passed; // due strictly before the date
};
// The debt of the terms due up to limitDate (no limit when empty), and its part overdue on
// the date.
FinStateDebt DebtOf(const std::vector<FinStateDueDay>& days, Talvex::Date date,
                    std::optional<Talvex::Date> limitDate = std::nullopt);

// The screen's figures; a figure whose list is empty stays unset and counts as 0.
struct FinStateFigures {
    std::optional<Talvex::Currency> bank, cash;
    std::optional<FinStateDebt> debit, credit;
    // Bank plus cash plus what clients owe less what the company owes.
    Talvex::Currency Total() const;
};

} // namespace Quarn_DuzAde
