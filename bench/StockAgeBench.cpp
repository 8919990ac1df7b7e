// Stock age by goods group on 2026-12-31, its steps apart, and beside them one hand-written
// statement giving the same sums per group and age band.
//
//     export TALVEX_BENCH_DB="host=<socket> user=postgres dbname=talvex_bench"   # scale 1
//     build/bench/StockAgeBench --benchmark_repetitions=5
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench on the local server of $TALVEX_HOME.
// Take the minimum and the median over the repetitions. The whole analysis fails when its
// groups or its total differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "quarn/sales/CStockAnalyse.hpp"
#include "quarn/sales/StockAge.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

using Quarn_DuzAde::CStockAnalyse;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const Date kReportDate(2026, 12, 31);

// Every lot's rest on the date from the goods rows and the fixation log, valued at the lot's
// unit cost, summed per group two levels up the goods tree and per age band.
constexpr const char* kReference = R"sql(
WITH fixed AS (
    SELECT f.IncomeSpecID, SUM(f.Amount) AS Amount
    FROM THGoodSpecFixLog f JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID
    WHERE od.DocumentDate <= $1 GROUP BY f.IncomeSpecID
), valued AS (
    SELECT gs.GoodCode, GREATEST($1::date - d.DocumentDate, 0) AS Age,
           ROUND(COALESCE(gs.CostSumm / NULLIF(gs.AmountAccount, 0), 0)
                 * (gs.AmountAccount - COALESCE(fx.Amount, 0)), 4) AS Cost
    FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID
    JOIN REFGood g ON g.Code = gs.GoodCode AND g.Category = 0
    LEFT JOIN fixed fx ON fx.IncomeSpecID = gs.IDC
    WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF') AND d.DocumentDate <= $1
      AND gs.AmountAccount - COALESCE(fx.Amount, 0) <> 0
)
SELECT COALESCE(g2.Code, g1.Code, g0.Code) || ':' || COALESCE(g2.Name, g1.Name, g0.Name),
       SUM(CASE WHEN Age < 90 THEN Cost ELSE 0 END), SUM(CASE WHEN Age >= 90 AND Age < 180 THEN Cost ELSE 0 END),
       SUM(CASE WHEN Age >= 180 AND Age < 360 THEN Cost ELSE 0 END), SUM(CASE WHEN Age >= 360 THEN Cost ELSE 0 END)
FROM valued v
LEFT JOIN REFGood g0 ON g0.Code = v.GoodCode LEFT JOIN REFGood g1 ON g1.Code = g0.Parent
LEFT JOIN REFGood g2 ON g2.Code = g1.Parent
GROUP BY 1 ORDER BY 1
)sql";

std::string BenchConnectString()
{
    if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return env;
    Talvex::Data::LocalServer server;
    server.EnsureRunning();
    return server.ConnectString("talvex_bench");
}

std::shared_ptr<Talvex::Book> BenchBook()
{
    static const std::string connect = BenchConnectString();
    return Talvex::Erp::OpenBook(connect, "stock_age_bench");
}

struct Figures {
    std::size_t groups = 0;
    Currency total;
};

Figures ReadReference(Talvex::Book& book)
{
    const auto result = book.Db().QueryPostgres(kReference, {Value(kReportDate)});
    Figures figures;
    figures.groups = result.rows.size();
    for (const auto& row : result.rows)
        for (std::size_t band = 1; band <= 4; ++band)
            figures.total += row[band].ToCurrency();
    return figures;
}

void StockAgeWhole(benchmark::State& state)
{
    auto book = BenchBook();
    Figures got;
    for (auto _ : state) {
        // What RestGoodByPeriod does: fetch, compute, the list.
        const auto rows = Quarn_DuzAde::StockAgeByGroup(CStockAnalyse::FetchLots(*book, kReportDate), kReportDate);
        auto list = CStockAnalyse::ResultList(book, rows);
        benchmark::DoNotOptimize(list);
        got = {};
        got.groups = rows.size();
        for (const auto& row : rows)
            got.total += row.Total();
    }
    const Figures reference = ReadReference(*book);
    if (got.groups != reference.groups || got.total != reference.total) {
        state.SkipWithError(("the analysis (" + std::to_string(got.groups) + " groups, " + got.total.ToString() +
                             ") differs from the reference (" + std::to_string(reference.groups) + " groups, " +
                             reference.total.ToString() + ")")
                                .c_str());
        return;
    }
    state.counters["groups"] = static_cast<double>(got.groups);
}

void StockAgeFetch(benchmark::State& state)
{
    auto book = BenchBook();
    std::size_t lots = 0;
    for (auto _ : state)
        lots = CStockAnalyse::FetchLots(*book, kReportDate).size();
    state.counters["lots"] = static_cast<double>(lots);
}

void StockAgeCompute(benchmark::State& state)
{
    auto book = BenchBook();
    const auto lots = CStockAnalyse::FetchLots(*book, kReportDate);
    std::size_t groups = 0;
    for (auto _ : state)
        groups = Quarn_DuzAde::StockAgeByGroup(lots, kReportDate).size();
    state.counters["groups"] = static_cast<double>(groups);
}

void StockAgeReferenceSql(benchmark::State& state)
{
    auto book = BenchBook();
    Figures reference;
    for (auto _ : state)
        reference = ReadReference(*book);
    state.counters["groups"] = static_cast<double>(reference.groups);
}

} // namespace

BENCHMARK(StockAgeWhole)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(StockAgeFetch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(StockAgeCompute)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(StockAgeReferenceSql)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
