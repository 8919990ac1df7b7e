#pragma once

#include "host/types/Currency.hpp"

#include <string>
#include <vector>

namespace Quarn_DuzAde {

// A client's open receivable debt of the period in the account currency beside its card's
// credit limit, as the limit list reads it (one row per client).
struct ClientDebtLimit {
    std::string code;
    std::string name;
    Talvex::Currency accNeedPaySum;
    Talvex::Currency defaultLimit;
    bool isLimitSetManually = false;
};

// A row of the limit list: the client's tick says whether its limit is written.
struct LimitRow {
    std::string code;
    std::string name;
    Talvex::Currency accNeedPaySum;
    Talvex::Currency defaultLimit;
    bool writeToDB = true;
    bool isLimitSetManually = false;
};

// The list's rows in the order read: every client ticked but those whose limit is set by hand.
[[nodiscard]] std::vector<LimitRow> LimitRows(const std::vector<ClientDebtLimit>& clients);

// A limit to write: the client and the amount handed to the client-limit service.
struct LimitWrite {
    std::string code;
    Talvex::Currency limit;
};

// The limits the write hands on, in the list's order: the ticked rows of clients whose limit
// is not set by hand, each with the limit the list shows for it (DefaultLimit).
[[nodiscard]] std::vector<LimitWrite> LimitsToWrite(const std::vector<LimitRow>& rows);

// A client's ledger balance on the limit indicator beside its limit there.
struct LimitBalance {
    std::string code;
    std::string name;
    Talvex::Currency limit;
    Talvex::Currency saldo;
};

// The clients whose balance is above their limit (a balance equal to it is not), in the order
// read.
[[nodiscard]] std::vector<LimitBalance> ClientsOverLimit(const std::vector<LimitBalance>& balances);

} // namespace Quarn_DuzAde
