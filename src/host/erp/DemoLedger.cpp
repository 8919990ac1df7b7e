#include "host/erp/DemoLedger.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerRandom.hpp"
#include "host/erp/internal/LedgerStages.hpp"

namespace Talvex::Erp {

void GenerateLedgerAndAdmin(Data::Connection& db, const DemoOptions& options, const ProgressFn& progress)
{
    auto report = [&](std::string_view step) {
        if (progress) progress(step);
    };
    Ledger::LedgerRandom random(options.seed);
    Ledger::CreateRowHash(db, random.SqlSalt());

    report("Ledger: chart of accounts");
    Ledger::CreateChartOfAccounts(db);
    Ledger::CreateFlowKindTree(db);
    report("Ledger: references, prices and addresses");
    Ledger::CreateReferences(db, random);
    Ledger::CreateCostCentres(db);
    report("Ledger: cash-flow kinds, store orders and signers of documents");
    Ledger::LinkDocuments(db);
    report("Ledger: postings");
    Ledger::PostLedger(db);
    report("Ledger: credit limits");
    Ledger::SetCreditLimits(db);

    Ledger::DropRowHash(db);
}

} // namespace Talvex::Erp
