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
#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "quarn/debt/CPaymentDocByPRSF.hpp"
#include "quarn/debt/CReportDebtPayAnalysis.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>

namespace {

using namespace Quarn_DuzAde;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

std::string BenchConnectString()
{
    if (const char* env = std::getenv("TALVEX_BENCH_DB"); env && *env) return env;
    Talvex::Data::LocalServer server(Talvex::Data::LocalServer::TestHome(), Talvex::Data::Durability::Throwaway);
    server.EnsureRunning();
    return server.ConnectString("talvex_bench");
}

// Per currency, what fell due and what was paid of it over all terms (see PayReportsTest for
// the rule it follows).
constexpr const char* kAnalysisReference = R"sql(
WITH src (Type, Role, Derived) AS (VALUES ('PRSF', 'PIR', false), ('TPPR', 'PIR', false), ('PGA', 'PAR', true)),
docs AS (
    SELECT d.IDC, d.Summa, d.ParentID, d.DocumentDate, d.CurrencyCode, s.Derived
    FROM THDocument d JOIN src s ON s.Type = d.DocTypeCode
    JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = s.Role
                           AND (p.PartyType = 1 OR d.DocTypeCode = 'PRSF')
    WHERE d.IsPosted = 1 AND d.DocumentDate <= $2
      AND (NOT s.Derived OR EXISTS (SELECT 1 FROM THDocument pd WHERE pd.IDC = d.ParentID AND pd.IsPosted = 1
                                    AND (pd.IsDirectPay <> 0 OR d.Summa <= pd.Summa)))
), stored AS (
    SELECT t.DocID, sum(t.Summa) AS Summa FROM THDocumentPayTerm t GROUP BY t.DocID
), terms AS (
    SELECT docs.IDC, t.Summa FROM docs JOIN THDocumentPayTerm t ON t.DocID = docs.IDC AND NOT docs.Derived
    UNION ALL
    SELECT docs.IDC, docs.Summa - COALESCE(st.Summa, 0)
    FROM docs LEFT JOIN stored st ON st.DocID = docs.IDC AND NOT docs.Derived
    WHERE st.DocID IS NULL OR st.Summa < docs.Summa
), due AS (
    SELECT terms.IDC, sum(terms.Summa) AS Due FROM terms WHERE terms.Summa > 0 GROUP BY terms.IDC
), paid AS (
    SELECT ps.CorDocID, sum(ps.SummaCur) AS Paid
    FROM THPaySpec ps JOIN THDocument pay ON pay.IDC = ps.DocID
    WHERE pay.DocumentDate <= $1 AND pay.IsPosted = 1 AND ps.SummaCur > 0
    GROUP BY ps.CorDocID
), perdoc AS (
    SELECT docs.CurrencyCode, COALESCE(due.Due, 0) AS Due,
           CASE WHEN docs.DocumentDate > $1 THEN 0 ELSE COALESCE(paid.Paid, 0) END AS Paid
    FROM docs LEFT JOIN due ON due.IDC = docs.IDC
    LEFT JOIN paid ON paid.CorDocID = CASE WHEN docs.Derived THEN docs.ParentID ELSE docs.IDC END
)
SELECT CurrencyCode, sum(Due), sum(LEAST(Due, Paid)) FROM perdoc GROUP BY CurrencyCode HAVING sum(Due) > 0
)sql";

constexpr const char* kPrsfReference = R"sql(
SELECT d.CurrencyCode, sum(d.Summa),
       sum(COALESCE((SELECT sum(ps.SummaCur) FROM THPaySpec ps JOIN THDocument pay ON pay.IDC = ps.DocID
                     WHERE ps.CorDocID = d.IDC AND pay.IsPosted = 1 AND pay.DocumentDate <= $3), 0))
FROM THDocument d
WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN $1 AND $2
GROUP BY d.CurrencyCode
)sql";

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
    for (const auto& row : book.Db().QueryPostgres(kAnalysisReference, {Value(q.repDate), Value(q.dateEnd)}).rows)
        totals[row.at(0).ToText()] = {row.at(1).ToCurrency(), row.at(2).ToCurrency()};
    return totals;
}

Totals PrsfReference(Talvex::Book& book)
{
    Totals totals;
    const auto q = PrsfQuery();
    for (const auto& row :
         book.Db().QueryPostgres(kPrsfReference, {Value(q.dateBeg), Value(q.dateEnd), Value(q.repDate)}).rows)
        totals[row.at(0).ToText()] = {row.at(1).ToCurrency(), row.at(2).ToCurrency()};
    return totals;
}

void Check(benchmark::State& state, const Totals& got, const Totals& expected)
{
    if (got != expected) state.SkipWithError("the report's totals differ from the reference's");
}

void DebtPayAnalysis(benchmark::State& state)
{
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
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
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalysisReference(*book));
}

void PaymentDocByPRSF(benchmark::State& state)
{
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
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
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
    for (auto _ : state)
        benchmark::DoNotOptimize(PrsfReference(*book));
}

} // namespace

BENCHMARK(DebtPayAnalysis)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(DebtPayAnalysisReference)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PaymentDocByPRSF)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PaymentDocByPRSFReference)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
