// The consignment rest by vendor and good at the end of June 2026 for the local vendors
// (market group VND): the consignment rows read and summed as the report does, beside one
// hand-written statement over the base tables giving the same figures, read fully in the same
// program on the same company.
//
// Run against the scale-1 company ($TALVEX_BENCH_DB, or talvex_bench on the local server of
// $TALVEX_HOME):
//
//     build/bench/RestByVendorBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A rest whose rows or total differ
// from the reference's fails with the figures of both.
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "quarn/sales/CConsign.hpp"
#include "quarn/sales/ConsignReference.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const Date kRepDate(2026, 6, 30);

struct Sums {
    std::int64_t rows = 0;
    Currency rest;
    bool operator==(const Sums&) const = default;
    std::string Text() const { return std::to_string(rows) + " rows, " + rest.ToString(); }
};

Sums ReadReference(Talvex::Book& book)
{
    Sums sums;
    for (const auto& r : book.Db().QueryPostgres(Talvex::Testing::kConsignRestByVendor, {Value(kRepDate)}).rows) {
        ++sums.rows;
        sums.rest += r.at(2).ToCurrency();
    }
    return sums;
}

Sums ReadRest(const std::shared_ptr<Talvex::Book>& book)
{
    Quarn_DuzAde::CConsign consign;
    consign.Init(book);
    auto rs = consign.RestByVendor(kRepDate, "VND");
    Sums sums;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        ++sums.rows;
        sums.rest += rs->Fields().Item("Rest").Value().ToCurrency();
    }
    return sums;
}

[[maybe_unused]] const bool registered = Bench::RegisterChecked<Sums>(
    {"RestByVendor", "RestByVendorReference", "rest_by_vendor_bench", "the rest"}, ReadRest, ReadReference,
    [](benchmark::State& state, const Sums& sums) { state.counters["rows"] = static_cast<double>(sums.rows); });

} // namespace

BENCHMARK_MAIN();
