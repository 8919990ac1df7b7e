// Speed of the cube engine over a million generated sales lines: six dimensions (a date
// rolled up to years and months among them) and three facts.
#include "host/cube/Engine.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace Talvex;
using namespace Talvex::Cube;

namespace {

constexpr std::size_t kRows = 1'000'000;

const CubeSource& MillionRows()
{
    static const CubeSource source = [] {
        std::uint32_t seed = 2024;
        auto next = [&seed](std::uint32_t bound) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % bound;
        };
        const std::vector<std::string> regions = {"North", "South", "East", "West", "Centre", "Islands"};
        const std::vector<std::string> priceTypes = {"RETAIL", "WHOLESALE", "DEALER", "STAFF"};
        std::vector<std::string> region, priceType;
        std::vector<std::int64_t> manager, good, client;
        std::vector<Date> date;
        std::vector<double> amount, summa, cost;
        const Date first(2022, 1, 1);
        for (std::size_t i = 0; i < kRows; ++i) {
            region.push_back(regions[next(6)]);
            priceType.push_back(priceTypes[next(4)]);
            manager.push_back(next(40));
            good.push_back(next(2000));
            client.push_back(next(5000));
            date.push_back(first.AddDays(static_cast<std::int32_t>(next(3 * 365))));
            amount.push_back(next(50) + 1);
            summa.push_back(next(100000) / 100.0);
            cost.push_back(next(90000) / 100.0);
        }
        CubeSource s;
        s.AddColumn("Region", std::move(region));
        s.AddColumn("PriceType", std::move(priceType));
        s.AddColumn("Manager", std::move(manager));
        s.AddColumn("Good", std::move(good));
        s.AddColumn("Client", std::move(client));
        s.AddColumn("DocumentDate", std::move(date));
        s.AddColumn("GoodAmount", std::move(amount));
        s.AddColumn("Summa", std::move(summa));
        s.AddColumn("Cost", std::move(cost));
        return s;
    }();
    return source;
}

void Define(Engine& engine)
{
    engine.SetSource(MillionRows());
    for (const char* dim : {"Region", "PriceType", "Manager", "Good", "Client", "DocumentDate"})
        engine.Dims().Add(dim);
    engine.Dims().AddCalculated("Year", "DocumentDate", PeriodLevel::Year);
    engine.Dims().AddCalculated("Month", "DocumentDate", PeriodLevel::Month);
    for (const char* fact : {"GoodAmount", "Summa", "Cost"}) {
        engine.BaseFacts().Add(fact);
        engine.Facts().Add(fact);
    }
    engine.Facts().AddCalculated("Profit", "Profit", "Summa - Cost");
    engine.Facts().AddCalculated("Percent", "Percent", "max( Profit, 0 )*100/Summa");
    engine.Dims().Item("Region").MoveTo(Axis::Rows, 0);
    engine.Dims().Item("Manager").MoveTo(Axis::Rows, 1);
    engine.Dims().Item("Year").MoveTo(Axis::Columns, 0);
    engine.Dims().Item("Month").MoveTo(Axis::Columns, 1);
}

// Reading the source once: dictionary codes for every dimension, amounts, the first grid.
void BM_Build(benchmark::State& state)
{
    MillionRows();
    for (auto _ : state) {
        state.PauseTiming(); // copying the generated columns into the engine is not the engine's work
        Engine engine;
        Define(engine);
        engine.PreGrouping = state.range(0) != 0;
        state.ResumeTiming();
        engine.SetActive(true);
        benchmark::DoNotOptimize(engine.Grid().RowCount());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRows));
}
// Pre-grouping is measured too, though these rows hardly repeat (2,000 goods by 5,000
// clients): it pays only when many rows share every member.
BENCHMARK(BM_Build)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Moving dimensions between the axes and the filter area, folded from the row codes.
void BM_ReLayout(benchmark::State& state)
{
    Engine engine;
    Define(engine);
    engine.SetActive(true);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        engine.Dims().Item("Region").MoveTo(flip ? Axis::Columns : Axis::Rows, 0);
        engine.Dims().Item("PriceType").MoveTo(flip ? Axis::Rows : Axis::Filter, 0);
        engine.Dims().Item("Month").MoveTo(flip ? Axis::Rows : Axis::Columns, 1);
        benchmark::DoNotOptimize(engine.Grid().ColCount());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRows));
}
BENCHMARK(BM_ReLayout)->Unit(benchmark::kMillisecond);

// The source rows behind one leaf cell, as a drill-down reads them.
void BM_CellDrillDown(benchmark::State& state)
{
    Engine engine;
    Define(engine);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    const auto cell = grid.Cell(0, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.SourceRows(cell).size());
}
BENCHMARK(BM_CellDrillDown)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
