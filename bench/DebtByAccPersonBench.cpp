// The debt by signing person at the bench scale: the list the report returns, built and read
// whole as the host reads it to print, and beside it one hand-written statement over the
// terms, the invoices and their signers giving the same open total and rows.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/DebtByAccPersonBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. The run fails when its rows or open
// total differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/debt/CDebtByAccPerson.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const Date kRepDate(2026, 3, 31);

// Every open sale-invoice term due by the report date, as it stood on that date.
constexpr const char* kReferenceSql = R"sql(
SELECT COALESCE(SUM(t.DebtSumma), 0)::text, count(*)
FROM THDocumentPayTermExt($1::date) t
WHERE t.DocTypeCode = 'PRSF' AND t.IsPosted = 1 AND t.NeedPayDate <= $1::date AND t.DebtSumma <> 0
)sql";

void DebtByAccPersonList(benchmark::State& state)
{
    auto book = Bench::OpenBook("debt_acc_person_bench");
    Currency total;
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto list = Quarn_DuzAde::CDebtByAccPerson::BuildList(book, kRepDate, "", {{30, false, 1}, {60, false, 2}});
        list->Refresh();
        auto rs = list->Recordset();
        total = Currency();
        rows = rs->RecordCount();
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            total += rs->Fields().Item("NeedPaySum").Value().ToCurrency();
    }
    const auto reference = book->Db().QueryPostgres(kReferenceSql, {Value(kRepDate)});
    if (total != Currency::Parse(reference.rows.at(0).at(0).ToText()) || rows != reference.rows.at(0).at(1).ToInteger())
        state.SkipWithError("the list differs from the reference");
    state.counters["rows"] = static_cast<double>(rows);
}

void DebtByAccPersonReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("debt_acc_person_bench");
    for (auto _ : state)
        benchmark::DoNotOptimize(book->Db().QueryPostgres(kReferenceSql, {Value(kRepDate)}));
}

} // namespace

BENCHMARK(DebtByAccPersonList)->Apply(Bench::Once);
BENCHMARK(DebtByAccPersonReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
