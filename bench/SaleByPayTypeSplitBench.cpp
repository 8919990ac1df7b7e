// The split of sales by payment type: every goods row of the posted sale invoices of 2026
// given its part of each invoice's cash, card, commission and barter payments. The rows
// and payments are read once (not timed); the benchmark times the split pass alone and
// reports rows per second, and checks that each invoice's parts add up to its rows.
//
//     export TALVEX_BENCH_DB="host=<socket> user=postgres dbname=talvex_bench"   # scale 1
//     build/bench/SaleByPayTypeSplitBench --benchmark_repetitions=5
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/sales/CRSaleByPayType.hpp"
#include "quarn/sales/SaleByPayTypeSplit.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

using Quarn_DuzAde::PayTypeInvoice;
using Quarn_DuzAde::PayTypeRow;
using Talvex::Currency;

constexpr const char* kRows = R"sql(
SELECT Spec.DocID, Spec.Summa, SpecPRSF.SummVAT
FROM THDocument Main
JOIN THGoodSpec Spec ON Spec.DocID = Main.IDC
JOIN THGoodSpecPRSF SpecPRSF ON SpecPRSF.DocID = Spec.DocID AND SpecPRSF.PosNumb = Spec.PosNumb
WHERE Main.DocTypeCode = 'PRSF' AND Main.IsPosted = 1 AND Main.DocumentDate BETWEEN '2026-01-01' AND '2026-12-31'
ORDER BY Spec.DocID, Spec.PosNumb
)sql";

constexpr const char* kInvoices = R"sql(
SELECT Main.IDC, Main.Summa,
       CASE WHEN DocPRSF.CashRegState = 2 THEN Main.Summa ELSE 0 END + COALESCE(PayDocs.Cash, 0),
       CASE WHEN DocPRSF.CashRegState = 3 THEN Main.Summa ELSE 0 END,
       COALESCE(PayDocs.Comission, 0), COALESCE(PayDocs.Barter, 0)
FROM THDocument Main
LEFT JOIN THDocumentPRSF DocPRSF ON DocPRSF.DocID = Main.IDC
LEFT JOIN (SELECT PaySpec.CorDocID AS IDC,
                  SUM(CASE WHEN PayDoc.DocTypeCode IN ('KVT', 'KOP') THEN PaySpec.SummaCur ELSE 0 END) AS Cash,
                  SUM(CASE WHEN PayDoc.DocTypeCode IN ('MPP', 'MPPT') THEN PaySpec.SummaCur ELSE 0 END) AS Comission,
                  SUM(CASE WHEN PayDoc.DocTypeCode IN ('BUSM', 'SUSM', 'USM') THEN PaySpec.SummaCur ELSE 0 END) AS Barter
           FROM THPaySpec PaySpec JOIN THDocument PayDoc ON PayDoc.IDC = PaySpec.DocID
           GROUP BY PaySpec.CorDocID) PayDocs ON PayDocs.IDC = Main.IDC
WHERE Main.DocTypeCode = 'PRSF' AND Main.IsPosted = 1 AND Main.DocumentDate BETWEEN '2026-01-01' AND '2026-12-31'
ORDER BY Main.IDC
)sql";

struct Source {
    std::vector<PayTypeInvoice> invoices;
    std::vector<PayTypeRow> rows;
};

const Source& ReadSource()
{
    static const Source source = [] {
        auto book = Bench::OpenBook("sale_by_pay_type_bench");
        Source s;
        for (const auto& r : book->Db().Query(kRows).rows) {
            PayTypeRow row;
            row.idc = r[0].ToInteger();
            row.specSumma = r[1].ToCurrency();
            row.summVat = r[2].ToCurrency();
            s.rows.push_back(row);
        }
        for (const auto& r : book->Db().Query(kInvoices).rows)
            s.invoices.push_back({r[0].ToInteger(),
                                  r[1].ToCurrency(),
                                  {r[2].ToCurrency(), r[3].ToCurrency(), r[4].ToCurrency(), r[5].ToCurrency()}});
        return s;
    }();
    return source;
}

void SaleByPayTypeSplitPass(benchmark::State& state)
{
    const Source& source = ReadSource();
    std::vector<PayTypeRow> rows;
    for (auto _ : state) {
        state.PauseTiming();
        rows = source.rows;
        state.ResumeTiming();
        Quarn_DuzAde::SplitPayments(source.invoices, rows);
        benchmark::DoNotOptimize(rows.data());
    }
    // Every row's parts add up to its sum.
    for (const auto& row : rows) {
        Currency parts = row.notPayed;
        for (const Currency& paid : row.paid)
            parts += paid;
        if (parts != row.specSumma) {
            state.SkipWithError(("invoice " + std::to_string(row.idc) + ": a row's parts do not add up").c_str());
            return;
        }
    }
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["invoices"] = static_cast<double>(source.invoices.size());
    state.counters["rows_per_second"] =
        benchmark::Counter(static_cast<double>(rows.size()), benchmark::Counter::kIsIterationInvariantRate);
}

// The whole report without its window: the rows, invoices and payments fetched, the split
// pass, and the cube's source built.
void SaleByPayTypeWholeReport(benchmark::State& state)
{
    auto book = Bench::OpenBook("sale_by_pay_type_bench");
    std::size_t records = 0;
    using Clock = std::chrono::steady_clock;
    double fetch = 0, split = 0, source = 0;
    auto ms = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    };
    for (auto _ : state) {
        Talvex::FieldList params;
        params.Add("Book", Talvex::FieldType::kObject, Talvex::Value(std::shared_ptr<Talvex::Object>(book)));
        params.Add("BegPeriod", Talvex::FieldType::kDate, Talvex::Value(Talvex::Date(2026, 1, 1)));
        params.Add("EndPeriod", Talvex::FieldType::kDate, Talvex::Value(Talvex::Date(2026, 12, 31)));
        params.Add("Department", Talvex::FieldType::kCode, Talvex::Value(std::string()));
        auto report = std::make_shared<Quarn_DuzAde::CRSaleByPayType>();
        const auto start = Clock::now();
        report->Prepare(params);
        const auto fetched = Clock::now();
        for (long step = 1; step <= report->CountStep(); ++step)
            report->Step(step);
        const auto splitDone = Clock::now();
        records = static_cast<std::size_t>(report->SourceRecordset()->RecordCount());
        const auto built = Clock::now();
        fetch += ms(start, fetched);
        split += ms(fetched, splitDone);
        source += ms(splitDone, built);
    }
    state.counters["rows"] = static_cast<double>(records);
    // Where the time went, in milliseconds per run: the reads, the split, the cube's source.
    state.counters["fetch_ms"] = benchmark::Counter(fetch, benchmark::Counter::kAvgIterations);
    state.counters["split_ms"] = benchmark::Counter(split, benchmark::Counter::kAvgIterations);
    state.counters["source_ms"] = benchmark::Counter(source, benchmark::Counter::kAvgIterations);
}

// The least the database can do: the rows and the invoices' paid sums in two statements.
void SaleByPayTypeReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("sale_by_pay_type_bench");
    const std::size_t rows = Bench::ReferenceRun(
        state, [&] { return book->Db().Query(kRows).rows.size() + book->Db().Query(kInvoices).rows.size(); });
    state.counters["rows"] = static_cast<double>(rows);
}

} // namespace

BENCHMARK(SaleByPayTypeWholeReport)->Apply(Bench::Once);
BENCHMARK(SaleByPayTypeReferenceSql)->Apply(Bench::Once);
BENCHMARK(SaleByPayTypeSplitPass)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
