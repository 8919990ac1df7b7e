// The credit-limit list of a year (2026) as the operation reads it: every client's open
// receivable debt of the period in the account currency beside its limit fields (fetch and
// the pure step), and beside it one hand-written statement over the base tables giving the
// same clients and total. Then the over-limit list on the last day.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/SetLimitByDebtBench --benchmark_repetitions=5
//
// Each benchmark runs once per repetition; take the minimum and the median. The list fails
// when its clients differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/settlement/CClientsOverLimit.hpp"
#include "quarn/settlement/CSetLimitByDebt.hpp"
#include "quarn/settlement/LimitByDebt.hpp"
#include "quarn/settlement/SetLimitByDebtReference.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using Talvex::Date;
using Talvex::Value;

const Date kFirstDay(2026, 1, 1);
const Date kLastDay(2026, 12, 31);

Bench::Codes ReferenceClients(Talvex::Book& book)
{
    return Bench::FirstColumnCodes(book, Talvex::Testing::kReceivablesOfPeriodByClient, kFirstDay, kLastDay);
}

void LimitListOfAYear(benchmark::State& state)
{
    auto book = Bench::OpenBook("limit_bench");
    const auto rows = Bench::CheckedRun(
        state, "the list's clients",
        [&] {
            auto list = Quarn_DuzAde::CSetLimitByDebt::CreateLimitList(book, kFirstDay, kLastDay);
            list->Refresh();
            return Quarn_DuzAde::LimitRows(Quarn_DuzAde::CSetLimitByDebt::ReadClients(*list));
        },
        [&] { return ReferenceClients(*book); }, Bench::CodesOf<std::vector<Quarn_DuzAde::LimitRow>>);
    if (rows) state.counters["clients"] = static_cast<double>(rows->size());
}

void LimitListReference(benchmark::State& state)
{
    auto book = Bench::OpenBook("limit_bench");
    const auto clients = Bench::ReferenceRun(state, [&] { return ReferenceClients(*book); });
    state.counters["clients"] = static_cast<double>(clients.codes.size());
}

void ClientsOverLimitOnTheLastDay(benchmark::State& state)
{
    auto book = Bench::OpenBook("limit_bench");
    std::size_t over = 0;
    for (auto _ : state) {
        auto list = Quarn_DuzAde::CClientsOverLimit::CreateBalanceList(book, kLastDay);
        list->Refresh();
        over = Quarn_DuzAde::ClientsOverLimit(Quarn_DuzAde::CClientsOverLimit::ReadBalances(*list)).size();
    }
    state.counters["over_limit"] = static_cast<double>(over);
}

} // namespace

BENCHMARK(LimitListOfAYear)->Apply(Bench::Once);
BENCHMARK(LimitListReference)->Apply(Bench::Once);
BENCHMARK(ClientsOverLimitOnTheLastDay)->Apply(Bench::Once);
BENCHMARK_MAIN();
