#pragma once

#include "host/types/Currency.hpp"

#include <map>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// An account of the chosen tree: the chosen account itself and, for a group, every account
// under it, with its depth for indentation.
struct GLTreeAccount {
    std::string code;
    std::string name;
    bool isGroup = false;
    long level = 0;
};

// An account's statement for the period: balances split into their debit and credit parts.
struct GLAccountTurnover {
    Talvex::Currency incomeDSaldo, incomeCSaldo, dTurn, cTurn, outcomeDSaldo, outcomeCSaldo;
};

// One side of the period's postings, summed: on account `code` against `corCode`. A posting
// gives a debit line for its debit account and a credit line for its credit account.
struct GLCorrespondence {
    std::string code;
    std::string corCode;
    Talvex::Currency dTurn;
    Talvex::Currency cTurn;
};

// One line of the expanded statement: an account's total (empty corCode) or its turnover with
// one correspondent account.
struct GLExpandedRow {
    std::string code;
    std::string corCode;
    GLAccountTurnover sums;
    bool total = false;
    bool isGroup = false;
    long level = 0;
    std::string name; // the account's name on a total row, the correspondent's on the others
};

// Builds the statement: for every account of the tree its total row (balances only when it
// has no postings), then one row per correspondent account with the turnovers summed, in the
// order of codes and then correspondent codes. Lines of accounts outside the tree are left
// out; a correspondent's name comes from chartNames (empty when the chart lacks it).
std::vector<GLExpandedRow> ExpandedStatement(const std::vector<GLTreeAccount>& tree,
                                             const std::map<std::string, GLAccountTurnover>& turnovers,
                                             const std::vector<GLCorrespondence>& lines,
                                             const std::map<std::string, std::string>& chartNames);

} // namespace Quarn_DuzAde

namespace Quarn_DuzAde {

// The chosen accounts as the report's parameter carries them: each code in single quotes
// (a quote inside doubled), joined by ", ".
std::string QuotedAccountCodes(const std::vector<std::string>& codes);
// The codes of such a parameter, or of a single code given bare. Blank pieces are dropped.
std::vector<std::string> AccountCodesOf(const std::string& parameter);

} // namespace Quarn_DuzAde
