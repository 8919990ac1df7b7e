// The compute step of client debt: the one-pass fill over open terms shaped as the demo
// company's (about 105 thousand open terms at scale 1, 1.1 million at scale 10; a few
// thousand clients under a hundred managers in a dozen departments), beside the least any
// fill can do in the same run: one hash-map sum per client and month, no subtotals.
#include "quarn/debt/DebtOfClientsFill.hpp"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using Quarn_DuzAde::DebtOfClientsSourceRow;
using Talvex::Currency;
using Talvex::Date;

// Terms as the list brings them: ordered by department, manager and client.
const std::vector<DebtOfClientsSourceRow>& Terms(std::size_t count)
{
    static std::unordered_map<std::size_t, std::vector<DebtOfClientsSourceRow>> cache;
    auto& rows = cache[count];
    if (!rows.empty()) return rows;
    std::mt19937_64 random(20240101);
    const std::size_t clients = std::max<std::size_t>(count / 40, 1);
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t client = i * clients / count;
        const std::size_t person = client % 97;
        const std::size_t department = person % 12;
        DebtOfClientsSourceRow row;
        row.depCode = "D" + std::to_string(department);
        row.perCode = "P" + std::to_string(person);
        row.clnCode = "K" + std::to_string(client);
        row.department = row.depCode + ": Department " + std::to_string(department);
        row.person = row.perCode + ": Manager " + std::to_string(person);
        row.client = row.clnCode + ": Client " + std::to_string(client);
        row.documentDate = Date(2024, 1, 1).AddDays(static_cast<std::int32_t>(random() % 1096));
        row.accNeedPaySum = Currency::FromUnits(static_cast<std::int64_t>(random() % 50'000'000));
        rows.push_back(std::move(row));
    }
    return rows;
}

void DebtOfClientsFillYear(benchmark::State& state)
{
    const auto& rows = Terms(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        Quarn_DuzAde::DebtOfClientsFill fill(Date(2026, 1, 1), Date(2026, 12, 31));
        for (const auto& row : rows)
            fill.Add(row);
        auto result = fill.Finish();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["terms"] = static_cast<double>(rows.size());
}

void ReferenceSumByClientAndMonth(benchmark::State& state)
{
    const auto& rows = Terms(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::unordered_map<std::string, std::vector<Currency>> sums;
        for (const auto& row : rows) {
            auto& months = sums[row.clnCode];
            months.resize(13);
            const int month = row.documentDate.Year() < 2026 ? 0 : static_cast<int>(row.documentDate.Month());
            months[static_cast<std::size_t>(month)] += row.accNeedPaySum;
        }
        benchmark::DoNotOptimize(sums.size());
    }
    state.counters["terms"] = static_cast<double>(rows.size());
}

} // namespace

BENCHMARK(DebtOfClientsFillYear)->Arg(105'000)->Arg(1'100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReferenceSumByClientAndMonth)->Arg(105'000)->Arg(1'100'000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
