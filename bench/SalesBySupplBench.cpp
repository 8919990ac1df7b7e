// The pay-on-sale sales list read whole: every sale of a year out of the pay-on-sale purchases
// of the local supplier group (T-LT, every supplier under it in the client tree), as the
// report's list gives it, beside one hand-written statement over the base tables giving the
// same rows, read fully in the same program on the same company.
//
// Run against the scale-1 company ($TALVEX_BENCH_DB, or talvex_bench on the local server of
// $TALVEX_HOME):
//
//     build/bench/SalesBySupplBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A list whose row count or owed total
// differs from the reference's fails with the figures of both.
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "quarn/sales/CSalesBySupplImpl.hpp"
#include "quarn/sales/SalesBySupplReference.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using Talvex::Currency;
using Talvex::Date;

constexpr const char* kGroup = "T-LT";

struct ReadResult {
    std::int64_t rows = 0;
    Currency owed;
};

ReadResult ReadReference(Talvex::Book& book)
{
    auto rs = book.Db().QueryPostgres(
        Talvex::Testing::kPayOnSaleSalesOfSupplierGroup,
        {Talvex::Value(kGroup), Talvex::Value(Date(2026, 1, 1)), Talvex::Value(Date(2026, 12, 31))});
    ReadResult result;
    for (const auto& row : rs.rows)
        result.owed += row.at(4).ToCurrency();
    result.rows = static_cast<std::int64_t>(rs.rows.size());
    return result;
}

ReadResult ReadList(const std::shared_ptr<Talvex::Book>& book)
{
    Quarn_DuzAde::CSalesBySupplImpl impl;
    impl.Init(book);
    auto list = impl.SaleBySupplList(kGroup, true, Date(2026, 1, 1), Date(2026, 12, 31));
    list->Refresh();
    auto rs = list->Recordset();
    ReadResult result;
    const std::size_t summa = rs->Fields().Item("Summa").Index();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        result.owed += rs->Fields().Item(summa).Value().ToCurrency();
    result.rows = rs->RecordCount();
    return result;
}

void SalesBySupplList(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_by_suppl_bench");
    const ReadResult reference = ReadReference(*book);
    ReadResult result;
    for (auto _ : state)
        result = ReadList(book);
    if (result.rows != reference.rows || result.owed != reference.owed)
        state.SkipWithError(("list " + std::to_string(result.rows) + " rows, " + result.owed.ToString() +
                             " owed; reference " + std::to_string(reference.rows) + " rows, " +
                             reference.owed.ToString())
                                .c_str());
    state.counters["rows"] = static_cast<double>(result.rows);
}

void SalesBySupplReference(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_by_suppl_bench");
    ReadResult result;
    for (auto _ : state)
        result = ReadReference(*book);
    state.counters["rows"] = static_cast<double>(result.rows);
}

} // namespace

BENCHMARK(SalesBySupplList)->Apply(Bench::Once);
BENCHMARK(SalesBySupplReference)->Apply(Bench::Once);
BENCHMARK_MAIN();
