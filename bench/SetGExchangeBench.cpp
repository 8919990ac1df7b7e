// The exchange-difference list of a year (2026) as the form reads it: the open terms of the
// posted foreign-currency debt documents, valued at their dates' rates, summed per client on
// both sides (fetch and the pure step), and beside it one hand-written statement over the base
// tables giving the same clients. Then the heaviest read of a create run: every listed
// client's settlements of the year not yet booked.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/SetGExchangeBench --benchmark_repetitions=5
//
// Each benchmark runs once per repetition; take the minimum and the median. The list fails
// when its clients differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/erp/documents/CExchangeDoc.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/settlement/ExchangeClients.hpp"
#include "quarn/settlement/SetGExchangeReference.hpp"
#include "quarn/settlement/frmSetGExchange.hpp"
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
    return Bench::FirstColumnCodes(book, Talvex::Testing::kForeignDebtOnBothSidesByClient, kFirstDay, kLastDay);
}

void ExchangeListOfAYear(benchmark::State& state)
{
    auto book = Bench::OpenBook("exchange_bench");
    std::size_t terms = 0;
    const auto rows = Bench::CheckedRun(
        state, "the list's clients",
        [&] {
            auto list = Quarn_DuzAde::frmSetGExchange::CreateDebtList(book, kFirstDay, kLastDay);
            list->Refresh();
            const auto read = Quarn_DuzAde::frmSetGExchange::ReadDebtTerms(*list);
            terms = read.size();
            return Quarn_DuzAde::ExchangeClients(read, book->AccountCurrency());
        },
        [&] { return ReferenceClients(*book); }, Bench::CodesOf<std::vector<Quarn_DuzAde::ExchangeClientRow>>);
    if (!rows) return;
    state.counters["terms"] = static_cast<double>(terms);
    state.counters["clients"] = static_cast<double>(rows->size());
}

void ExchangeListReference(benchmark::State& state)
{
    auto book = Bench::OpenBook("exchange_bench");
    const auto clients = Bench::ReferenceRun(state, [&] { return ReferenceClients(*book); });
    state.counters["clients"] = static_cast<double>(clients.codes.size());
}

void SettlementsOfTheListedClients(benchmark::State& state)
{
    auto book = Bench::OpenBook("exchange_bench");
    const auto clients = ReferenceClients(*book).codes;
    Talvex::Erp::CExchangeDoc component(book);
    std::size_t settlements = 0;
    for (auto _ : state) {
        settlements = 0;
        for (const auto& client : clients)
            settlements += component.Settlements(client, kFirstDay, kLastDay).size();
    }
    state.counters["clients"] = static_cast<double>(clients.size());
    state.counters["settlements"] = static_cast<double>(settlements);
}

} // namespace

BENCHMARK(ExchangeListOfAYear)->Apply(Bench::Once);
BENCHMARK(ExchangeListReference)->Apply(Bench::Once);
BENCHMARK(SettlementsOfTheListedClients)->Apply(Bench::Once);
BENCHMARK_MAIN();
