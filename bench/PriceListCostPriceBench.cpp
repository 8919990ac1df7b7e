// The price-list cost price calculator over one year (2026) of purchases of the wholesale
// price list: its cost list (the heaviest step: one purchase row's unit cost per purchase of
// the list's goods) and the whole calculation writing the prices, beside one hand-written
// statement giving the same (day, goods, unit) keys.
//
// Runs against $TALVEX_BENCH_DB (else "talvex_bench" on the local server of $TALVEX_HOME). The
// whole calculation runs inside a transaction rolled back after each repetition, so the
// company keeps its prices; still, point it at a copy of the bench company:
//
//     createdb -h "$sock" -U postgres -T talvex_bench talvex_bench_prices
//     export TALVEX_BENCH_DB="host=$sock user=postgres dbname=talvex_bench_prices"
//     build/bench/PriceListCostPriceBench --benchmark_repetitions=5
#include "ScriptedSession.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/PriceCalcTool.hpp"
#include "quarn/cost/CPriceListCostPrice.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using Quarn_DuzAde::CPriceListCostPrice;
using Talvex::Date;
using Talvex::Value;

const Date kFirstDay(2026, 1, 1);
const Date kLastDay(2026, 12, 31);

// The purchase rows of the list's goods in the year with their key, as the cost list has them.
constexpr const char* kReference = R"sql(
SELECT count(*), count(DISTINCT (d.DocumentDate, upper(gs.GoodCode), upper(gs.UnitCode)))
FROM THDocument d
JOIN THGoodSpec gs ON gs.DocID = d.IDC
JOIN REFPriceListSpec l ON l.GoodCode = gs.GoodCode AND l.UnitCode = gs.UnitCode AND l.PriceListCode = 'DID'
WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN $1 AND $2
  AND gs.AmountAccount <> 0 AND gs.CostSumm <> 0
)sql";

// The cost list's purchase rows and their distinct keys.
struct Rows {
    std::int64_t rows = 0;
    std::int64_t keys = 0;
};

Rows ReadReference(Talvex::Book& book)
{
    const auto row = book.Db().QueryPostgres(kReference, {Value(kFirstDay), Value(kLastDay)}).rows.at(0);
    return {row[0].ToInteger(), row[1].ToInteger()};
}

// The rows alone are compared: the list holds one row per purchase row, its keys repeat.
struct RowCount {
    std::int64_t rows = 0;
    bool operator==(const RowCount&) const = default;
    std::string Text() const { return std::to_string(rows) + " rows"; }
};

void PriceListCostList(benchmark::State& state)
{
    auto book = Bench::OpenBook("price_list_cost_price_bench");
    const Rows reference = ReadReference(*book);
    const auto rows = Bench::CheckedRun(
        state, "the cost list",
        [&] {
            auto list = CPriceListCostPrice::CreateCostList(book, kFirstDay, kLastDay, 1.2, "DID");
            list->Refresh();
            return RowCount{static_cast<std::int64_t>(list->Recordset()->RecordCount())};
        },
        [&] { return RowCount{reference.rows}; });
    if (!rows) return;
    state.counters["rows"] = static_cast<double>(rows->rows);
    state.counters["keys"] = static_cast<double>(reference.keys);
}

void PriceListWholeCalculation(benchmark::State& state)
{
    auto book = Bench::OpenBook("price_list_cost_price_bench");
    const std::int64_t keys = ReadReference(*book).keys;
    Talvex::FieldList params;
    params.Add("Book", Talvex::FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book)));
    params.Add("BegDate", Talvex::FieldType::kDate, Value(kFirstDay));
    params.Add("EndDate", Talvex::FieldType::kDate, Value(kLastDay));
    params.Add("Koeff", Talvex::FieldType::kNumber, Value(Talvex::Decimal::Parse("1.2")));
    params.Add("PriceListCode", Talvex::FieldType::kCode, Value("DID"));
    params.Add("PriceTypeCode", Talvex::FieldType::kCode, Value("SAV"));
    params.Add("CurrencyCode", Talvex::FieldType::kCode, Value("EUR"));
    CPriceListCostPrice calc;
    for (auto _ : state) {
        Bench::ScriptedSession user("message Gerai\n");
        Talvex::Data::Transaction undone(book->Db());
        Talvex::RunPriceCalc(calc, params);
        if (const std::string errors = user.ErrorsText(); !errors.empty()) {
            state.SkipWithError(("the calculation failed: " + errors).c_str());
            return;
        }
    }
    state.counters["added"] = static_cast<double>(calc.PricesAdded());
    state.counters["changed"] = static_cast<double>(calc.PricesChanged());
    state.counters["keys"] = static_cast<double>(keys);
}

void PriceListReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("price_list_cost_price_bench");
    const Rows reference = Bench::ReferenceRun(state, [&] { return ReadReference(*book); });
    state.counters["rows"] = static_cast<double>(reference.rows);
    state.counters["keys"] = static_cast<double>(reference.keys);
}

} // namespace

BENCHMARK(PriceListCostList)->Apply(Bench::Once);
BENCHMARK(PriceListWholeCalculation)->Apply(Bench::Once);
BENCHMARK(PriceListReferenceSql)->Apply(Bench::Once);

BENCHMARK_MAIN();
