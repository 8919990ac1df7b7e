// What each local vendor (market group VND) is owed for its consignment goods at the end of
// June 2026: the consignment rows read, the vendors' ledger balances and payments read, and the
// figures worked out as the report does, beside one hand-written statement over the base
// tables giving the same figures, read fully in the same program on the same company.
//
// Run against the scale-1 company ($TALVEX_BENCH_DB, or talvex_bench on the local server of
// $TALVEX_HOME):
//
//     build/bench/DebtByVendorBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A result whose vendors or totals
// differ from the reference's fails with the figures of both.
#include "host/data/Connection.hpp"
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
    std::int64_t vendors = 0;
    Currency debt, rest, due, payed, needPay;
    bool operator==(const Sums&) const = default;
    std::string Text() const
    {
        return std::to_string(vendors) + " vendors, debt " + debt.ToString() + ", rest " + rest.ToString() + ", due " +
               due.ToString() + ", paid " + payed.ToString() + ", to pay " + needPay.ToString();
    }
};

Sums ReadReference(Talvex::Book& book)
{
    Sums sums;
    for (const auto& r : book.Db().QueryPostgres(Talvex::Testing::kConsignDebtByVendor, {Value(kRepDate)}).rows) {
        ++sums.vendors;
        sums.debt += r.at(1).ToCurrency();
        sums.rest += r.at(2).ToCurrency();
        sums.due += r.at(3).ToCurrency() + r.at(5).ToCurrency();
        sums.payed += r.at(6).ToCurrency();
        sums.needPay += r.at(8).ToCurrency();
    }
    return sums;
}

Sums ReadDebt(const std::shared_ptr<Talvex::Book>& book)
{
    Quarn_DuzAde::CConsign consign;
    consign.Init(book);
    Sums sums;
    for (const auto& d : consign.DebtByVendorRows(kRepDate, "VND", {}, {})) {
        ++sums.vendors;
        sums.debt += d.debtSum;
        sums.rest += d.rest;
        sums.due += d.restForPay + d.saleForPay;
        sums.payed += d.payed;
        sums.needPay += d.needPay;
    }
    return sums;
}

[[maybe_unused]] const bool registered = Bench::RegisterChecked<Sums>(
    {"DebtByVendor", "DebtByVendorReference", "debt_by_vendor_bench", "the debt"}, ReadDebt, ReadReference,
    [](benchmark::State& state, const Sums& sums) { state.counters["vendors"] = static_cast<double>(sums.vendors); });

} // namespace

BENCHMARK_MAIN();
