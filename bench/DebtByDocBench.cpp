// Reads the open debt by need-to-pay date of the scale-1 demo company (the database the
// demo company benchmark leaves, or $TALVEX_BENCH_DB), both directions and receivables only.
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/query/CDebtByDoc.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void DebtByNeedPayDate(benchmark::State& state)
{
    auto book = Bench::OpenBook();
    Quarn_DuzAde::CDebtByDoc debt;
    debt.Init(book);
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto list = debt.DebtByNeedPayDate(Talvex::Date(2025, 1, 1), state.range(0), "", true);
        rows = list->Recordset()->RecordCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

} // namespace

BENCHMARK(DebtByNeedPayDate)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
