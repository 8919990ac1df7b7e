// The expected cash-flow cube on the scale-1 bench company (database talvex_bench, or
// $TALVEX_BENCH_DB): the read of the open terms with their clients, the compute and the
// cube build to its first grid, and beside them the same totals in one hand-written
// PostgreSQL statement.
#include "host/cube/CubeSource.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "quarn/cube/RPendingCashFlow.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

std::string BenchConnectString()
{
    if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return env;
    Data::LocalServer server(Data::LocalServer::TestHome(), Data::Durability::Throwaway);
    server.EnsureRunning();
    return server.ConnectString("talvex_bench");
}

std::vector<double> Timed(int runs, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    std::sort(times.begin(), times.end());
    return times;
}

void Print(const char* step, const std::vector<double>& times, const std::string& note = {})
{
    std::printf("%-52s min %7.0f ms  median %7.0f ms  (%zu runs) %s\n", step, times.front(), times[times.size() / 2],
                times.size(), note.c_str());
}

// The net expected flow by direction and due month, written by hand.
std::string HandWritten(const std::string& fromDay, const std::string& acc)
{
    return R"sql(
SELECT t.DocTypeCode IN ('PRSF','TPPR','PGA','PISD','SCN') AS incoming, date_trunc('month', t.NeedPayDate) AS month,
       sum((CASE WHEN t.DocTypeCode IN ('PRSF','TPPR','PGA','PISD','SCN') THEN 1 ELSE -1 END) *
           CASE WHEN t.CurrencyCode = ')sql" +
           acc + R"sql(' THEN t.DebtSumma ELSE round(t.DebtSumma * (
             SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
             WHERE r.CurrencyCode = t.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType
               AND r.DateApply <= t.NeedPayDate ORDER BY r.DateApply DESC LIMIT 1), 2) END) AS open
FROM THDocumentPayTermCur t
JOIN THPartyAttribute p ON p.DocID = t.IDC AND p.RolePartyCode = CASE
     WHEN t.DocTypeCode IN ('PISF','PGA','PIS','PISD','BCN') THEN 'PAR' WHEN t.DocTypeCode = 'TID' THEN 'GAV'
     WHEN t.DocTypeCode = 'TPPI' THEN 'VEZ' ELSE 'PIR' END
WHERE t.IsPosted = 1 AND t.NeedPayDate >= ')sql" +
           fromDay + R"sql(' AND t.DebtSumma <> 0 AND p.PartyType IN (1, 2)
  AND t.DocTypeCode IN ('PISF','TPPI','GPG','TID','PRSF','TPPR','PGA','PISD','PRSD','SCN','BCN')
GROUP BY 1, 2
)sql";
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    try {
        auto book = Erp::OpenBook(BenchConnectString(), "bench");
        Quarn_DuzAde::PendingCashFlowParams params;
        params.dateBeg = Date(book->Today().Year(), 1, 1);

        std::vector<Quarn_DuzAde::PendingTerm> terms;
        const auto read = Timed(runs, [&] { terms = Quarn_DuzAde::RPendingCashFlow::ReadTerms(book, params); });
        Print("read of the open terms with their clients", read, std::to_string(terms.size()) + " terms");

        std::shared_ptr<Data::Recordset> rs;
        std::size_t flows = 0;
        const auto compute = Timed(runs, [&] {
            Quarn_DuzAde::PendingFlowRows rows(terms, Quarn_DuzAde::RPendingCashFlow::Texts());
            rs = rows.ToRecordset();
            flows = rows.Rows().size();
        });
        Print("compute (sign, leave paid terms out, recordset)", compute, std::to_string(flows) + " flows");

        Cube::Engine engine;
        const auto build = Timed(runs, [&] {
            engine.SetActive(false);
            engine.SetSource(Cube::CubeSource::FromRecordset(*rs));
            Quarn_DuzAde::RPendingCashFlow::DefineCube(engine, false);
            engine.SetActive(true);
            (void)engine.Grid().RowCount();
        });
        Print("cube build (load rows, encode, first grid)", build,
              std::to_string(engine.Grid().RowCount()) + " rows in the first grid");

        const auto whole = Timed(runs, [&] {
            auto rows = Quarn_DuzAde::RPendingCashFlow::Compute(book, params);
            auto fresh = rows.ToRecordset();
            Cube::Engine e;
            e.SetSource(Cube::CubeSource::FromRecordset(*fresh));
            Quarn_DuzAde::RPendingCashFlow::DefineCube(e, false);
            e.SetActive(true);
            (void)e.Grid().RowCount();
        });
        Print("from the button to the first grid (read + build)", whole);

        Data::ResultSet reference;
        const auto hand = Timed(runs, [&] {
            reference = book->Db().QueryPostgres(HandWritten(params.dateBeg.ToIso(), book->AccountCurrency()));
        });
        double referenceNet = 0;
        for (const auto& row : reference.rows)
            referenceNet += row.at(2).IsNull() ? 0 : row.at(2).ToDouble();
        const auto net = Quarn_DuzAde::PendingFlowRows(terms, Quarn_DuzAde::RPendingCashFlow::Texts()).GrandTotals();
        char figures[160];
        std::snprintf(figures, sizeof figures, "; net %.2f, the cube's %.2f", referenceNet,
                      (net.in + net.out).ToDouble());
        Print("reference: one hand-written SQL statement", hand,
              std::to_string(reference.rows.size()) + " direction x month rows" + figures);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "PendingCashFlowBench: %s\n", e.what());
        return 1;
    }
    return 0;
}
