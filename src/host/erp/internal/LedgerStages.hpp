#pragma once

#include <cstdint>
#include <string_view>

namespace Talvex::Data {
class Connection;
}

namespace Talvex::Erp::Ledger {

class LedgerRandom;

// The steps of the ledger stage of the demo company, in the order they run. Each writes with
// the caller's transaction; large sets are derived from the documents by INSERT ... SELECT.

// Account sets, the chart of accounts, analytic types and the ledger indicators.
void CreateChartOfAccounts(Data::Connection& db);
// The groups the cash-flow kinds are gathered in (the tree of analytic type CF).
void CreateFlowKindTree(Data::Connection& db);

// Units, goods categories, price types, stores, the calendar, territories and client
// addresses, generic clients, asset cards, competitors, price lists and prices, and the
// defaults of the settings the reports read.
void CreateReferences(Data::Connection& db, LedgerRandom& random);

// Low-value asset cards and fixed-asset objects, with a card for every asset the issue
// documents name.
void CreateAssets(Data::Connection& db);

// Cost centres of the departments, which the cost allocation procedure reads.
void CreateCostCentres(Data::Connection& db);

// What the documents carry besides their own tables: cash-flow kinds, store orders of sale
// rows and the persons who sign sale invoices.
void LinkDocuments(Data::Connection& db);

// Double-entry postings with their analytics, all within 2025-01-01 .. 2026-12-31: opening
// balances, one set per posted document, monthly entries without a document, and the
// cash-flow budget.
void PostLedger(Data::Connection& db);

// Credit limits of some buyers on the debtors' indicator.
void SetCreditLimits(Data::Connection& db);

// pg_temp.ledger_hash(row number, stream): a number in [0, 2^31 - 1) that stands in for a
// random draw per row in the SQL of the steps, fixed by the seed. Every step's choices use
// their own stream number, so they do not move together.
void CreateRowHash(Data::Connection& db, std::int64_t salt);
void DropRowHash(Data::Connection& db);

} // namespace Talvex::Erp::Ledger
