#include "quarn/ledger/ProfitFill.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;

bool IsProfitAccount(std::string_view code)
{
    return !code.empty() && (code.front() == '5' || code.front() == '6');
}

std::vector<ProfitRow> ProfitRows(const std::vector<ProfitAccount>& accounts, std::string_view incomeHeading,
                                  std::string_view expenseHeading)
{
    std::vector<ProfitRow> rows;
    for (const ProfitAccount& account : accounts) {
        if (!IsProfitAccount(account.code)) continue;
        // Equal turnovers and nothing left: the account took no part in the result.
        if (account.outcomeSaldo == Currency() && account.dTurn == account.cTurn) continue;
        const bool income = account.code.front() == '5';
        const Currency movement = account.dTurn - account.cTurn;
        rows.push_back({account.code, account.name, income ? -movement : movement,
                        income ? -account.outcomeSaldo : account.outcomeSaldo,
                        std::string(income ? incomeHeading : expenseHeading), income});
    }
    return rows;
}

ProfitTotals ProfitTotalsOf(const std::vector<ProfitRow>& rows)
{
    ProfitTotals totals;
    for (const ProfitRow& row : rows) {
        if (row.income)
            totals.income += row.amount;
        else
            totals.expenses += row.amount;
    }
    totals.profit = totals.income - totals.expenses;
    return totals;
}

} // namespace Quarn_DuzAde
