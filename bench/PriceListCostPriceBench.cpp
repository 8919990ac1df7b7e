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
#include "host/data/LocalServer.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/PriceCalcTool.hpp"
#include "quarn/cost/CPriceListCostPrice.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
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

std::string BenchConnectString()
{
    if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return env;
    Talvex::Data::LocalServer server;
    server.EnsureRunning();
    return server.ConnectString("talvex_bench");
}

std::shared_ptr<Talvex::Book> BenchBook()
{
    static const std::string connect = BenchConnectString();
    return Talvex::Erp::OpenBook(connect, "price_list_cost_price_bench");
}

std::int64_t ReferenceRows(Talvex::Data::Connection& db, std::int64_t& keys)
{
    const auto row = db.QueryPostgres(kReference, {Value(kFirstDay), Value(kLastDay)}).rows.at(0);
    keys = row[1].ToInteger();
    return row[0].ToInteger();
}

void PriceListCostList(benchmark::State& state)
{
    auto book = BenchBook();
    std::int64_t keys = 0;
    const std::int64_t reference = ReferenceRows(book->Db(), keys);
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto list = CPriceListCostPrice::CreateCostList(book, kFirstDay, kLastDay, 1.2, "DID");
        list->Refresh();
        rows = static_cast<std::int64_t>(list->Recordset()->RecordCount());
    }
    if (rows != reference) {
        state.SkipWithError(
            ("the cost list has " + std::to_string(rows) + " rows, the reference " + std::to_string(reference))
                .c_str());
        return;
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["keys"] = static_cast<double>(keys);
}

void PriceListWholeCalculation(benchmark::State& state)
{
    auto book = BenchBook();
    std::int64_t keys = 0;
    ReferenceRows(book->Db(), keys);
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
    auto book = BenchBook();
    std::int64_t keys = 0;
    std::int64_t rows = 0;
    for (auto _ : state)
        rows = ReferenceRows(book->Db(), keys);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["keys"] = static_cast<double>(keys);
}

} // namespace

BENCHMARK(PriceListCostList)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(PriceListWholeCalculation)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(PriceListReferenceSql)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
