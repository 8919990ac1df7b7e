#pragma once

#include "host/erp/ErpDatabase.hpp"

namespace Talvex::Erp {

// Second stage of the demo company, run after the documents are loaded: the general ledger
// (accounts, postings and their analytics derived from the documents), stock orders and
// stores, administration attributes, prices, competitors, low-value assets, credit limits.
void GenerateLedgerAndAdmin(Data::Connection& db, const DemoOptions& options, const ProgressFn& progress);

} // namespace Talvex::Erp
