#include "host/erp/DemoCompany.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/DemoLedger.hpp"
#include "host/erp/internal/DemoDocuments.hpp"
#include "host/erp/internal/DemoRandom.hpp"
#include "host/erp/internal/DemoWorld.hpp"
#include "host/types/Errors.hpp"

#include <string>

namespace Talvex::Erp {
namespace {

// Rows were loaded with their ids; the identity sequences continue after the highest, so
// that rows the module writes later get fresh ids.
constexpr std::string_view kContinueIdentities = R"sql(
DO $$
DECLARE c RECORD;
BEGIN
    FOR c IN SELECT table_name, column_name FROM information_schema.columns
             WHERE table_schema = 'public' AND is_identity = 'YES'
    LOOP
        EXECUTE format('SELECT setval(pg_get_serial_sequence(%L, %L), COALESCE((SELECT MAX(%I) FROM %I), 0) + 1, false)',
                       quote_ident(c.table_name), c.column_name, c.column_name, c.table_name);
    END LOOP;
END $$)sql";

constexpr std::string_view kAnalyseDocuments =
    "ANALYZE THDocument, THGoodSpec, THPartyAttribute, THPaySpec, THGoodContent, THGoodSpecFixLog, "
    "THDocumentPayTerm, THDocumentMO, THGoodSpecCPAY, THGoodSpecITNS, THGoodSpecPRSF, THGoodSpecPISF, "
    "THDocumentPRSF, THDocumentPISF, REFClient, REFGood, REFGoodUnit, REFPerson, REFCurrencyRate, REFCurrencyRateDay, BookSetting";

} // namespace

void GenerateDemoCompany(Data::Connection& db, const DemoOptions& options, const ProgressFn& progress)
{
    if (options.scale < 0) throw ValueError("scale: must not be negative");
    auto report = [&](std::string_view step) {
        if (progress) progress(step);
    };
    // Independent streams for the references and the documents: a change in how one is drawn
    // leaves the other as it was.
    Demo::DemoRandom seedRandom(options.seed);
    Demo::DemoRandom referenceRandom = seedRandom.Fork(1);
    Demo::DemoRandom documentRandom = seedRandom.Fork(2);

    report("Generating references");
    const Demo::DemoWorld world = Demo::BuildWorld(options, referenceRandom);
    Demo::WriteReferences(db, world, referenceRandom);

    const auto counts = Demo::GenerateDocuments(db, world, documentRandom, progress);
    report("Generated " + std::to_string(counts.documents) + " documents with " + std::to_string(counts.goodsLines) +
           " goods lines");
    report("Finishing the documents of each subsystem");
    Demo::FinishSales(db);
    Demo::FinishPurchases(db);
    Demo::FinishProduction(db);
    Demo::FinishAssets(db);

    // The tables were filled inside this transaction, where autovacuum cannot see them; without
    // statistics the planner takes them for empty and the ledger stage's joins crawl.
    report("Analysing the documents");
    db.ExecutePostgresScript(kAnalyseDocuments);

    GenerateLedgerAndAdmin(db, options, progress);

    report("Continuing id sequences");
    db.ExecutePostgresScript(kContinueIdentities);
}

} // namespace Talvex::Erp
