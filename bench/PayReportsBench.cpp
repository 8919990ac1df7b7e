// The payment reports at scale 1: the debt payment analysis over the whole history of the
// receivables (every term of every document, paid first in first out as of 2026-06-30) and
// the payment documents of a year's sale invoices, each beside a reference computed in the
// same run: one hand-written statement giving the same totals straight from the tables.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/PayReportsBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A report fails when its totals
// differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "quarn/debt/CPaymentDocByPRSF.hpp"
#include "quarn/debt/CReportDebtPayAnalysis.hpp"
#include "quarn/debt/PayReportsReference.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace {

using namespace Quarn_DuzAde;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const Date kRepDate(2026, 6, 30);

DebtPayAnalysisQuery AnalysisQuery()
{
    DebtPayAnalysisQuery query;
    query.dateBeg = Date(2000, 1, 1);
    query.dateEnd = Date(2030, 12, 31);
    query.repDate = kRepDate;
    return query;
}

PaymentDocByPRSFQuery PrsfQuery()
{
    return {Date(2025, 1, 1), Date(2025, 12, 31), kRepDate, ""};
}

using Totals = std::map<std::string, std::pair<Currency, Currency>>;

Totals AnalysisReference(Talvex::Book& book)
{
    Totals totals;
    const auto q = AnalysisQuery();
    for (const auto& row :
         book.Db()
             .QueryPostgres(Talvex::Testing::kDebtPayAnalysisByCurrency, {Value(q.repDate), Value(q.dateEnd)})
             .rows)
        totals[row.at(0).ToText()] = {row.at(2).ToCurrency(), row.at(3).ToCurrency()};
    return totals;
}

Totals PrsfReference(Talvex::Book& book)
{
    Totals totals;
    const auto q = PrsfQuery();
    for (const auto& row : book.Db()
                               .QueryPostgres(Talvex::Testing::kPaymentsOfSaleInvoicesByCurrency,
                                              {Value(q.dateBeg), Value(q.dateEnd), Value(q.repDate)})
                               .rows)
        totals[row.at(0).ToText()] = {row.at(2).ToCurrency(), row.at(3).ToCurrency()};
    return totals;
}

void Check(benchmark::State& state, const Totals& got, const Totals& expected)
{
    if (got != expected) state.SkipWithError("the report's totals differ from the reference's");
}

void DebtPayAnalysis(benchmark::State& state)
{
    auto book = Bench::OpenBook();
    const Totals expected = AnalysisReference(*book);
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto result = CReportDebtPayAnalysis::Analyse(book, AnalysisQuery());
        rows = result.size();
        state.PauseTiming();
        Totals got;
        for (const auto& r : result)
            if (r.kind == DebtPayAnalysisKind::GrandTotal) got[r.currencyCode] = {r.due, r.paid};
        Check(state, got, expected);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void DebtPayAnalysisReference(benchmark::State& state)
{
    auto book = Bench::OpenBook();
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalysisReference(*book));
}

void PaymentDocByPRSF(benchmark::State& state)
{
    auto book = Bench::OpenBook();
    const Totals expected = PrsfReference(*book);
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto result = CPaymentDocByPRSF::Compute(book, PrsfQuery());
        rows = result.size();
        state.PauseTiming();
        Totals got;
        for (const auto& r : result)
            if (r.kind == PaymentDocByPRSFKind::Total) got[r.invoice.currencyCode] = {r.invoice.summa, r.linked};
        Check(state, got, expected);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void PaymentDocByPRSFReference(benchmark::State& state)
{
    auto book = Bench::OpenBook();
    for (auto _ : state)
        benchmark::DoNotOptimize(PrsfReference(*book));
}

} // namespace

BENCHMARK(DebtPayAnalysis)->Apply(Bench::Once);
BENCHMARK(DebtPayAnalysisReference)->Apply(Bench::Once);
BENCHMARK(PaymentDocByPRSF)->Apply(Bench::Once);
BENCHMARK(PaymentDocByPRSFReference)->Apply(Bench::Once);
BENCHMARK_MAIN();
