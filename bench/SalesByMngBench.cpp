// Sales by department and manager for a whole year (2026): the fetch of the four kinds of
// document, the summary, and beside them one hand-written statement of the same per-line sums.
//
//     export TALVEX_BENCH_DB="host=<socket> user=postgres dbname=talvex_bench"   # scale 1
//     build/bench/SalesByMngBench --benchmark_repetitions=5
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench on the local server of $TALVEX_HOME.
// The whole report fails when its line count or grand total differs from the reference's.
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "quarn/sales/SalesByMng.hpp"
#include "quarn/sales/SalesByMngDlg.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

using Quarn_DuzAde::SalesByMngDlg;
using Talvex::Currency;
using Talvex::Date;

const Date kFirstDay(2026, 1, 1);
const Date kLastDay(2026, 12, 31);

// The lines' sums without VAT by the same rules, in one statement over the base tables.
constexpr const char* kReference = R"sql(
SELECT q.DepCode, q.PersonCode, SUM(CASE WHEN q.CurrencyCode = 'EUR' THEN q.Net ELSE ROUND(q.Net * q.Rate, 2) END)
FROM (
SELECT CASE WHEN Cl.IsSubsidiary = 1 THEN '' ELSE ISNULL(Dpt.Code, '') END AS DepCode,
       CASE WHEN Cl.IsSubsidiary = 1 THEN Cl.Code ELSE ISNULL(Prs.Code, '') END AS PersonCode,
       d.CurrencyCode, r.Rate,
       CASE WHEN d.DocTypeCode IN ('PRSF', 'SCN') THEN gs.Summa - COALESCE(s1.SummVAT, s2.SummVAT, 0)
            WHEN gc.IDC IS NULL THEN -(gs.Summa - COALESCE(s3.SummVAT, s4.SummVAT, 0))
            WHEN inv.AmountAccount = 0 OR gs.AmountAccount = 0 THEN 0
            ELSE -((gs.Summa - COALESCE(s3.SummVAT, s4.SummVAT, 0)) * gc.AmountAccount / gs.AmountAccount) END AS Net
FROM THDocument d
JOIN THGoodSpec gs ON gs.DocID = d.IDC
LEFT JOIN THGoodSpecPRSF s1 ON d.DocTypeCode = 'PRSF' AND s1.DocID = gs.DocID AND s1.PosNumb = gs.PosNumb
LEFT JOIN THGoodSpecSCN s2 ON d.DocTypeCode = 'SCN' AND s2.DocID = gs.DocID AND s2.PosNumb = gs.PosNumb
LEFT JOIN THGoodSpecGPG s3 ON d.DocTypeCode = 'GPG' AND s3.DocID = gs.DocID AND s3.PosNumb = gs.PosNumb
LEFT JOIN THGoodSpecPRSD s4 ON d.DocTypeCode = 'PRSD' AND s4.DocID = gs.DocID AND s4.PosNumb = gs.PosNumb
LEFT JOIN THGoodContent gc ON gc.SpecID = gs.IDC AND
     ((d.DocTypeCode = 'GPG' AND gc.LinkKindCode = 'GR') OR (d.DocTypeCode = 'PRSD' AND gc.LinkKindCode = 'DC'))
LEFT JOIN THGoodSpec inv ON inv.IDC = gc.CorSpecID
LEFT JOIN THDocument p ON p.IDC = d.ParentID
LEFT JOIN THDocument pp ON pp.IDC = p.ParentID
LEFT JOIN REFDepartment Dpt ON Dpt.Code = COALESCE(pp.Department, p.Department, d.Department)
LEFT JOIN REFPerson Prs ON Prs.UserID = COALESCE(pp.Author, p.Author, d.Author)
LEFT JOIN THPartyAttribute pa ON pa.DocID = d.IDC AND pa.RolePartyCode = 'PIR'
LEFT JOIN REFClient Cl ON Cl.Code = pa.PartyCode
LEFT JOIN REFCurrency c ON c.Code = d.CurrencyCode
LEFT JOIN REFCurrencyRate r ON r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = c.DefaultRateType
     AND r.DateApply = (SELECT MAX(r2.DateApply) FROM REFCurrencyRate r2 WHERE r2.CurrencyCode = d.CurrencyCode
                        AND r2.RateTypeCode = c.DefaultRateType AND r2.DateApply <= d.DocumentDate)
WHERE d.DocTypeCode IN ('PRSF', 'GPG', 'PRSD', 'SCN') AND d.IsPosted = 1
  AND d.DocumentDate BETWEEN '2026-01-01' AND '2026-12-31'
) q
GROUP BY q.DepCode, q.PersonCode
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
    return Talvex::Erp::OpenBook(connect, "sales_by_manager_bench");
}

void SalesByMngWhole(benchmark::State& state)
{
    auto book = BenchBook();
    std::vector<Quarn_DuzAde::SalesByMngLine> lines;
    for (auto _ : state)
        lines = Quarn_DuzAde::SalesByMngLines(SalesByMngDlg::FetchRows(book, kFirstDay, kLastDay));
    const auto reference = book->Db().Query(kReference);
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
    state.counters["lines"] = static_cast<double>(lines.size());
}

void SalesByMngCompute(benchmark::State& state)
{
    auto book = BenchBook();
    const auto rows = SalesByMngDlg::FetchRows(book, kFirstDay, kLastDay);
    std::size_t lines = 0;
    for (auto _ : state)
        lines = Quarn_DuzAde::SalesByMngLines(rows).size();
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["lines"] = static_cast<double>(lines);
}

void SalesByMngReferenceSql(benchmark::State& state)
{
    auto book = BenchBook();
    std::size_t lines = 0;
    for (auto _ : state)
        lines = book->Db().Query(kReference).rows.size();
    state.counters["lines"] = static_cast<double>(lines);
}

} // namespace

BENCHMARK(SalesByMngWhole)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(SalesByMngCompute)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(SalesByMngReferenceSql)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
