#include "quarn/settlement/LimitByDebt.hpp"

namespace Quarn_DuzAde {

std::vector<LimitRow> LimitRows(const std::vector<ClientDebtLimit>& clients)
{
    std::vector<LimitRow> rows;
    rows.reserve(clients.size());
    for (const auto& c : clients)
        rows.push_back({c.code, c.name, c.accNeedPaySum, c.defaultLimit, !c.isLimitSetManually, c.isLimitSetManually});
    return rows;
}

std::vector<LimitWrite> LimitsToWrite(const std::vector<LimitRow>& rows)
{
    std::vector<LimitWrite> writes;
    for (const auto& row : rows)
        if (row.writeToDB && !row.isLimitSetManually) writes.push_back({row.code, row.defaultLimit});
    return writes;
}

std::vector<LimitBalance> ClientsOverLimit(const std::vector<LimitBalance>& balances)
{
    std::vector<LimitBalance> over;
    for (const auto& b : balances)
        if (b.saldo > b.limit) over.push_back(b);
    return over;
}

} // namespace Quarn_DuzAde
