// Sales and debt by clients of the busiest department over 2026, the whole report and its
// steps, and beside them one hand-written statement giving the same figures per client.
//
//     export TALVEX_BENCH_DB="host=<socket> user=postgres dbname=talvex_bench"   # scale 1
//     build/bench/DeptSaleByClientsBench --benchmark_repetitions=5
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench on the local server of $TALVEX_HOME.
// Take the minimum and the median over the repetitions. The report fails when its clients or
// its totals differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "quarn/sales/CRepDeptSaleByClients.hpp"
#include "quarn/sales/DeptSaleByClients.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using Quarn_DuzAde::CRepDeptSaleByClients;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

#define RATE                                                                                                           \
    "(CASE WHEN d.CurrencyCode = 'EUR' THEN 1 ELSE (SELECT r.Rate FROM REFCurrencyRateDay r JOIN REFCurrency c "       \
    "ON c.Code = r.CurrencyCode AND r.RateTypeCode = c.DefaultRateType WHERE r.CurrencyCode = d.CurrencyCode "         \
    "AND r.RateDate = d.DocumentDate) END)"

// Plain PostgreSQL. Per client: sales of the period, the debt of its invoices at the period end, overdue and
// still owed of the period's own invoices.
constexpr const char* kReference = R"sql(
WITH sales AS (
    SELECT COALESCE(p.PartyCode, '') AS Client, SUM(ROUND(d.Summa * )sql" RATE R"sql(, 2)) AS Sales
    FROM THDocument d LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PIR'
    WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.Department = $1 AND d.DocumentDate BETWEEN $2 AND $3
    GROUP BY 1),
debt AS (
    SELECT COALESCE(p.PartyCode, '') AS Client, SUM(ROUND(t.DebtSumma * )sql" RATE R"sql(, 2)) AS Debt,
           SUM(CASE WHEN COALESCE(t.NeedPayDate, t.DocumentDate) < $3
                    THEN ROUND(t.DebtSumma * )sql" RATE R"sql(, 2) ELSE 0 END) AS Overdue
    FROM THDocumentPayTermExt($3::date) t JOIN THDocument d ON d.IDC = t.IDC
    LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PIR'
    WHERE t.DocTypeCode = 'PRSF' AND t.IsPosted = 1 AND t.DebtSumma <> 0 AND d.Department = $1
      AND t.DocumentDate <= $3
    GROUP BY 1)
SELECT COALESCE(s.Client, b.Client), COALESCE(s.Sales, 0), COALESCE(b.Debt, 0), COALESCE(b.Overdue, 0)
FROM sales s FULL JOIN debt b ON b.Client = s.Client
)sql";

struct Figures {
    std::size_t clients = 0;
    Currency sales, debt, overdue;
    bool operator==(const Figures&) const = default;
    std::string Text() const
    {
        return "(" + std::to_string(clients) + " clients, " + sales.ToString() + ", " + debt.ToString() + ", " +
               overdue.ToString() + ")";
    }
};

Figures ReadReference(Talvex::Book& book, const CRepDeptSaleByClients::Params& p)
{
    const auto result =
        book.Db().QueryPostgres(kReference, {Value(p.department), Value(p.begPeriod), Value(p.endPeriod)});
    Figures figures;
    figures.clients = result.rows.size();
    for (const auto& row : result.rows) {
        figures.sales += row[1].ToCurrency();
        figures.debt += row[2].ToCurrency();
        figures.overdue += row[3].ToCurrency();
    }
    return figures;
}

void DeptSaleByClientsWhole(benchmark::State& state)
{
    auto book = Bench::OpenBook("dept_sale_bench");
    const auto p = Bench::YearOfBusiestDepartment<CRepDeptSaleByClients::Params>(*book);
    const auto got = Bench::CheckedRun(
        state, "the report",
        [&] {
            const auto lines = Quarn_DuzAde::DeptSaleByClientLines(CRepDeptSaleByClients::FetchInvoices(book, p),
                                                                   CRepDeptSaleByClients::FetchOpenTerms(book, p),
                                                                   p.begPeriod, p.endPeriod);
            auto list = CRepDeptSaleByClients::ResultList(book, lines);
            benchmark::DoNotOptimize(list);
            Figures figures;
            if (lines.empty()) return figures;
            figures.clients = lines.size() - 1;
            figures.sales = lines.back().sales;
            figures.debt = lines.back().openDebt;
            figures.overdue = lines.back().overdue;
            return figures;
        },
        [&] { return ReadReference(*book, p); });
    if (got) state.counters["clients"] = static_cast<double>(got->clients);
}

void DeptSaleByClientsReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("dept_sale_bench");
    const auto p = Bench::YearOfBusiestDepartment<CRepDeptSaleByClients::Params>(*book);
    const Figures reference = Bench::ReferenceRun(state, [&] { return ReadReference(*book, p); });
    state.counters["clients"] = static_cast<double>(reference.clients);
}

} // namespace

BENCHMARK(DeptSaleByClientsWhole)->Apply(Bench::Once);
BENCHMARK(DeptSaleByClientsReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
