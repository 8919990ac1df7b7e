#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace Quarn_DuzAde {

// Which side of the books the reconciliation runs on; the numbers are the directions the
// debt-by-document lists know (1 payables, 2 receivables).
enum class GLDebtMode : long { Credit = 1, Debt = 2 };

// A client the report may list, in the order the report lists them (by name, as the
// database orders text).
struct GLClient {
    std::string code;
    std::string name;
};

// One open document term as the debt-by-document list gives it, in the account currency.
struct GLOpenDocument {
    std::string client;
    std::int64_t idc = 0;
    std::string docTypeCode;
    std::string number;
    Talvex::Date documentDate;
    Talvex::Currency accNeedPaySum;
    long payTerm = 0; // the client's market group's payment term (payables only)
};

// The ageing buckets of receivables, by days between the document date and the report date.
inline constexpr std::size_t kAgeBucketCount = 6;
inline constexpr std::array<std::string_view, kAgeBucketCount> kAgeBucketColumns{
    "Less30NeedPaySum", "30-60NeedPaySum",   "60-90NeedPaySum",
    "90-180NeedPaySum", "180-360NeedPaySum", "More360NeedPaySum"};

// The bucket of a document's age (0 .. 5), or -1 for a document dated after the report date,
// which counts in the client's total but in no bucket. A bound belongs to the older bucket.
int AgeBucket(Talvex::Date reportDate, Talvex::Date documentDate);

// One receivables row: the client's ledger balance set against what its documents still owe.
struct DebtGLRow {
    std::string clientCode;
    std::string clientName; // the name with the difference in parentheses
    Talvex::Currency ledgerSaldo;
    Talvex::Currency totNeedPaySum;
    std::array<Talvex::Currency, kAgeBucketCount> buckets{};
    Talvex::Currency difference; // ledger balance less document debt
};

// One payables row: a client's open documents of one month. The whole difference between the
// ledger and the documents stands on the client's first row, 0 on the others.
struct CredGLRow {
    std::string clientCode;
    std::string clientName;
    std::string docMonth; // "yyyy.mm"; empty for a client with a ledger balance and no documents
    Talvex::Currency accNeedPaySum;
    long payTerm = 0;
    Talvex::Currency difference;
};

// "Name (difference)": the difference as the ledger's money prints, two decimals.
std::string NameWithDifference(std::string_view name, Talvex::Currency difference);
// "yyyy.mm" of a date.
std::string DocMonthOf(Talvex::Date date);

// Reconciles the ledger balances of an account with the open documents, client by client.
// Ledger balances are debit minus credit, by client code; a code the client list lacks is not
// a client and is left out, as are documents of such codes. One pass over the documents.
class DebtGLFill {
public:
    DebtGLFill(std::vector<GLClient> clients, std::map<std::string, Talvex::Currency, std::less<>> ledgerSaldo,
               std::vector<GLOpenDocument> documents, Talvex::Date reportDate);

    // Clients whose ledger balance or document debt is not zero, in the clients' order.
    std::vector<DebtGLRow> DebtRows() const;
    // Per client and document month (months ascending); a month is listed when the client's
    // ledger balance or the month's open sum is not zero. The first row of a client carries
    // the difference: the ledger balance with its sign turned (a credit balance is what we
    // owe) less the open sums of the client's listed rows.
    std::vector<CredGLRow> CreditRows() const;

    // The documents behind a cell: the client's documents, or for an ageing column only those
    // of that bucket; for a payables month column ("DocMonth", "AccNeedPaySum") pass the
    // month. Indexes into the documents in their given order.
    std::vector<std::size_t> DocumentsBehind(std::string_view client, std::string_view column,
                                             std::string_view docMonth = {}) const;
    const std::vector<GLOpenDocument>& Documents() const { return documents_; }

private:
    Talvex::Currency LedgerSaldoOf(const std::string& client) const;

    std::vector<GLClient> clients_;
    std::map<std::string, Talvex::Currency, std::less<>> ledgerSaldo_;
    std::vector<GLOpenDocument> documents_;
    Talvex::Date reportDate_;
    // Each client's documents (indexes), in the order given.
    std::map<std::string, std::vector<std::size_t>, std::less<>> byClient_;
};

} // namespace Quarn_DuzAde
