// Generates the scale-1 demo company (about 100,000 documents and 1,000,000 goods lines)
// into the bench database ($TALVEX_BENCH_DB, else talvex_bench on the local server of
// $TALVEX_HOME, created when missing), replacing what it held, and reports the time it took
// and the size of the database.
#include "host/data/Connection.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

void GenerateDemoCompanyScale1(benchmark::State& state)
{
    auto db = Talvex::Data::Connection::Open(Bench::ConnectString(Bench::Missing::Create));
    for (auto _ : state) {
        state.PauseTiming();
        Talvex::Erp::DropErpSchema(db);
        state.ResumeTiming();
        // Each step with the seconds since the start, to see where the time goes.
        const auto start = std::chrono::steady_clock::now();
        auto progress = [&](std::string_view step) {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            std::fprintf(stderr, "%8.1f s  %.*s\n", elapsed.count(), static_cast<int>(step.size()), step.data());
        };
        Talvex::Erp::InstallErpDatabase(db, Talvex::Erp::DemoOptions{static_cast<int>(state.range(0)), 20240101},
                                        progress);
    }
    auto value = [&](const char* sql) { return db.QueryPostgres(sql).rows.at(0).at(0).ToDouble(); };
    state.counters["documents"] = value("SELECT count(*) FROM THDocument");
    state.counters["goods_lines"] = value("SELECT count(*) FROM THGoodSpec");
    state.counters["payment_links"] = value("SELECT count(*) FROM THPaySpec");
    state.counters["database_MB"] = value("SELECT pg_database_size(current_database()) / 1048576.0");
}

} // namespace

BENCHMARK(GenerateDemoCompanyScale1)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_MAIN();
