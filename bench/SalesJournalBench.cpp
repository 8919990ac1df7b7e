// The sales journal of a whole year (2026) for its busiest department, its steps apart, and
// beside them one hand-written statement giving the same lines with the same store split.
//
//     export TALVEX_BENCH_DB="host=<socket> user=postgres dbname=talvex_bench"   # scale 1
//     build/bench/SalesJournalBench --benchmark_repetitions=5
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench on the local server of $TALVEX_HOME.
// Take the minimum and the median over the repetitions. The whole journal fails when its
// line count or its total of split sums differs from the reference's.
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "quarn/sales/CRepSalesJournal.hpp"
#include "quarn/sales/SalesJournal.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using Quarn_DuzAde::CRepSalesJournal;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

// Every line of the journal: the invoice lines with their net totals, then each goods row
// once per store order with its sum with VAT split by the order's share of the quantity.
constexpr const char* kReference = R"sql(
SELECT 0 AS InfoBySpec, d.IDC, d.DocumentDate, 0 AS PosNumb, 0 AS OrderIDC,
       (SELECT COALESCE(SUM(g.Summa - COALESCE(a.SummVAT, 0)), 0) FROM THGoodSpec g
        LEFT JOIN THGoodSpecPRSF a ON a.DocID = g.DocID AND a.PosNumb = g.PosNumb WHERE g.DocID = d.IDC) AS Summa
FROM THDocument d
WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.Department = ? AND d.DocumentDate BETWEEN ? AND ?
UNION ALL
SELECT 1, d.IDC, d.DocumentDate, g.PosNumb, COALESCE(o.IDC, 0),
       CASE WHEN NULLIF(o.Amount, 0) IS NULL OR g.Amount = 0 THEN g.Summa
            ELSE ROUND(g.Summa * o.Amount / g.Amount, 2) END
FROM THDocument d
JOIN THGoodSpec g ON g.DocID = d.IDC
LEFT JOIN STOrderSpec o ON o.srcDocSpecID = g.IDC
WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.Department = ? AND d.DocumentDate BETWEEN ? AND ?
ORDER BY 3, 2, 1, 4, 5
)sql";

struct Figures {
    std::size_t lines = 0;
    Currency goodsSumma; // the split sums with VAT of the goods lines
    Currency invoiceNet; // the invoice lines' totals without VAT
    bool operator==(const Figures&) const = default;
    std::string Text() const
    {
        return "(" + std::to_string(lines) + " lines, " + goodsSumma.ToString() + ", net " + invoiceNet.ToString() +
               ")";
    }
};

Figures ReadReference(Talvex::Book& book, const CRepSalesJournal::Params& p)
{
    const std::vector<Value> args = {Value(p.department), Value(p.begPeriod), Value(p.endPeriod),
                                     Value(p.department), Value(p.begPeriod), Value(p.endPeriod)};
    const auto result = book.Db().Query(kReference, args);
    Figures figures;
    figures.lines = result.rows.size();
    for (const auto& row : result.rows) {
        if (row[0].ToInteger() == 0)
            figures.invoiceNet += row[5].ToCurrency();
        else
            figures.goodsSumma += row[5].ToCurrency();
    }
    return figures;
}

void SalesJournalWhole(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_journal_bench");
    const auto params = Bench::YearOfBusiestDepartment<CRepSalesJournal::Params>(*book);
    const auto got = Bench::CheckedRun(
        state, "the journal",
        [&] {
            const auto lines = Quarn_DuzAde::SalesJournalLines(CRepSalesJournal::FetchInvoices(book, params),
                                                               CRepSalesJournal::FetchGoodsRows(book, params));
            auto list = CRepSalesJournal::ResultList(book, lines);
            benchmark::DoNotOptimize(list);
            Figures figures;
            figures.lines = lines.size();
            for (const auto& line : lines) {
                if (line.infoBySpec == 0)
                    figures.invoiceNet += line.algebraicSum;
                else
                    figures.goodsSumma += *line.summa;
            }
            return figures;
        },
        [&] { return ReadReference(*book, params); });
    if (got) state.counters["lines"] = static_cast<double>(got->lines);
}

void SalesJournalFetch(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_journal_bench");
    const auto params = Bench::YearOfBusiestDepartment<CRepSalesJournal::Params>(*book);
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = CRepSalesJournal::FetchInvoices(book, params).size() +
               CRepSalesJournal::FetchGoodsRows(book, params).size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void SalesJournalCompute(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_journal_bench");
    const auto params = Bench::YearOfBusiestDepartment<CRepSalesJournal::Params>(*book);
    const auto invoices = CRepSalesJournal::FetchInvoices(book, params);
    const auto goods = CRepSalesJournal::FetchGoodsRows(book, params);
    std::size_t lines = 0;
    for (auto _ : state)
        lines = Quarn_DuzAde::SalesJournalLines(invoices, goods).size();
    state.counters["lines"] = static_cast<double>(lines);
}

void SalesJournalReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("sales_journal_bench");
    const auto params = Bench::YearOfBusiestDepartment<CRepSalesJournal::Params>(*book);
    const Figures reference = Bench::ReferenceRun(state, [&] { return ReadReference(*book, params); });
    state.counters["lines"] = static_cast<double>(reference.lines);
}

} // namespace

BENCHMARK(SalesJournalWhole)->Apply(Bench::Once);
BENCHMARK(SalesJournalFetch)->Apply(Bench::Once);
BENCHMARK(SalesJournalCompute)->Apply(Bench::Once);
BENCHMARK(SalesJournalReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
