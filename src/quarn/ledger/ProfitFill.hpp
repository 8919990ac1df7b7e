#pragma once

#include "host/types/Currency.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace Quarn_DuzAde {

// One posting account of the income (class 5) or expense (class 6) side as the ledger's
// statement gives it: turnovers of the period and the balance at its end, debit minus credit.
struct ProfitAccount {
    std::string code;
    std::string name;
    Talvex::Currency dTurn;
    Talvex::Currency cTurn;
    Talvex::Currency outcomeSaldo;
};

// One line of the statement: income shown with its sign turned, so that income and expenses
// both read as positive figures.
struct ProfitRow {
    std::string accountCode;
    std::string accountName;
    Talvex::Currency amount;
    Talvex::Currency endBalance;
    std::string heading; // the income or the expense heading
    bool income = false;
};

struct ProfitTotals {
    Talvex::Currency income;
    Talvex::Currency expenses;
    Talvex::Currency profit; // income less expenses
};

// Whether an account of the chart belongs on the statement: income or expense class.
bool IsProfitAccount(std::string_view code);

// The statement's lines: accounts of classes 5 and 6 with movement or balance, in the order
// given (the caller's order of headings and codes). Other accounts are left out.
std::vector<ProfitRow> ProfitRows(const std::vector<ProfitAccount>& accounts, std::string_view incomeHeading,
                                  std::string_view expenseHeading);
ProfitTotals ProfitTotalsOf(const std::vector<ProfitRow>& rows);

} // namespace Quarn_DuzAde
