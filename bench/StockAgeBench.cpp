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
#include "host/objects/Book.hpp"
#include "quarn/sales/CStockAnalyse.hpp"
#include "quarn/sales/StockAge.hpp"
#include "quarn/sales/StockAgeReference.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using Quarn_DuzAde::CStockAnalyse;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const Date kReportDate(2026, 12, 31);

struct Figures {
    std::size_t groups = 0;
    Currency total;
    bool operator==(const Figures&) const = default;
    std::string Text() const { return "(" + std::to_string(groups) + " groups, " + total.ToString() + ")"; }
};

Figures ReadReference(Talvex::Book& book)
{
    const auto result = book.Db().QueryPostgres(Talvex::Testing::kStockAgeByGroup, {Value(kReportDate)});
    Figures figures;
    figures.groups = result.rows.size();
    for (const auto& row : result.rows)
        for (std::size_t band = 1; band <= 4; ++band)
            figures.total += row[band].ToCurrency();
    return figures;
}

void StockAgeWhole(benchmark::State& state)
{
    auto book = Bench::OpenBook("stock_age_bench");
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
    if (!Bench::SameAsReference(state, "the analysis", got, reference)) return;
    Bench::CountPeakMemory(state);
    state.counters["groups"] = static_cast<double>(got.groups);
}

void StockAgeFetch(benchmark::State& state)
{
    auto book = Bench::OpenBook("stock_age_bench");
    std::size_t lots = 0;
    for (auto _ : state)
        lots = CStockAnalyse::FetchLots(*book, kReportDate).size();
    state.counters["lots"] = static_cast<double>(lots);
}

void StockAgeCompute(benchmark::State& state)
{
    auto book = Bench::OpenBook("stock_age_bench");
    const auto lots = CStockAnalyse::FetchLots(*book, kReportDate);
    std::size_t groups = 0;
    for (auto _ : state)
        groups = Quarn_DuzAde::StockAgeByGroup(lots, kReportDate).size();
    state.counters["groups"] = static_cast<double>(groups);
}

void StockAgeReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("stock_age_bench");
    Figures reference;
    for (auto _ : state)
        reference = ReadReference(*book);
    state.counters["groups"] = static_cast<double>(reference.groups);
}

} // namespace

BENCHMARK(StockAgeWhole)->Apply(Bench::Once);
BENCHMARK(StockAgeFetch)->Apply(Bench::Once);
BENCHMARK(StockAgeCompute)->Apply(Bench::Once);
BENCHMARK(StockAgeReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
