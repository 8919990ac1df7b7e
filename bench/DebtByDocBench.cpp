// Reads the open debt by need-to-pay date of the scale-1 demo company (the database the
// demo company benchmark leaves, or $TALVEX_BENCH_DB), both directions and receivables only.
#include "host/data/LocalServer.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/query/CDebtByDoc.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

std::string BenchConnectString()
{
    if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return env;
    // The tests' throwaway cluster, fast and unsafe on purpose: benchmarks rebuild what they need.
    Talvex::Data::LocalServer server(Talvex::Data::LocalServer::TestHome(), Talvex::Data::Durability::Throwaway);
    server.EnsureRunning();
    return server.ConnectString("talvex_bench");
}

void DebtByNeedPayDate(benchmark::State& state)
{
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
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
