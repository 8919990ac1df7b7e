// Sales by department and manager for a whole year (2026): the fetch of the four kinds of
// document, the summary, and beside them one hand-written statement of the same per-line sums.
//
//     export TALVEX_BENCH_DB="host=<socket> user=postgres dbname=talvex_bench"   # scale 1
//     build/bench/SalesByMngBench --benchmark_repetitions=5
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench on the local server of $TALVEX_HOME.
// The whole report fails when its line count or grand total differs from the reference's.
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "quarn/sales/SalesByMng.hpp"
#include "quarn/sales/SalesByMngDlg.hpp"
#include "quarn/sales/SalesByMngReference.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using Quarn_DuzAde::SalesByMngDlg;
using Talvex::Currency;
using Talvex::Date;

const Date kFirstDay(2026, 1, 1);
const Date kLastDay(2026, 12, 31);

Talvex::Data::ResultSet ReadReference(Talvex::Book& book)
{
    return book.Db().Query(Talvex::Testing::kSalesByManager, {Talvex::Value(kFirstDay), Talvex::Value(kLastDay)});
}

void SalesByMngWhole(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_by_manager_bench");
    std::vector<Quarn_DuzAde::SalesByMngLine> lines;
    for (auto _ : state)
        lines = Quarn_DuzAde::SalesByMngLines(SalesByMngDlg::FetchRows(book, kFirstDay, kLastDay));
    const auto reference = ReadReference(*book);
    Currency total, expected;
    for (const auto& line : lines)
        total += line.summa;
    for (const auto& row : reference.rows)
        expected += row[2].ToCurrency();
    if (lines.size() != reference.rows.size() || total != expected) {
        state.SkipWithError(("the report (" + std::to_string(lines.size()) + " lines, " + total.ToString() +
                             ") differs from the reference (" + std::to_string(reference.rows.size()) + " lines, " +
                             expected.ToString() + ")")
                                .c_str());
        return;
    }
    Bench::CountPeakMemory(state);
    state.counters["lines"] = static_cast<double>(lines.size());
}

void SalesByMngCompute(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_by_manager_bench");
    const auto rows = SalesByMngDlg::FetchRows(book, kFirstDay, kLastDay);
    std::size_t lines = 0;
    for (auto _ : state)
        lines = Quarn_DuzAde::SalesByMngLines(rows).size();
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["lines"] = static_cast<double>(lines);
}

void SalesByMngReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_by_manager_bench");
    std::size_t lines = 0;
    for (auto _ : state)
        lines = ReadReference(*book).rows.size();
    state.counters["lines"] = static_cast<double>(lines);
}

} // namespace

BENCHMARK(SalesByMngWhole)->Apply(Bench::Once);
BENCHMARK(SalesByMngCompute)->Apply(Bench::Once);
BENCHMARK(SalesByMngReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
