// The consignment rest by vendor and good at the end of June 2026 for the local vendors
// (market group VND): the consignment rows read and summed as the report does, beside one
// hand-written statement over the base tables giving the same figures, read fully in the same
// program on the same company.
//
// Run against the scale-1 company (talvex_bench on the server of $TALVEX_HOME, or
// $TALVEX_BENCH_DB):
//
//     build/bench/RestByVendorBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A rest whose rows or total differ
// from the reference's fails with the figures of both.
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "quarn/sales/CConsign.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

constexpr const char* kIndependentRest = R"sql(
WITH row AS (
    SELECT p.PartyCode AS Vendor, s.GoodCode, s.IDC, d.DocumentDate, s.Summa, s.AmountAccount,
           (SELECT max(t.PayTerm) FROM THDocumentPayTerm t WHERE t.DocID = d.IDC) AS PayTerm
    FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
    JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
    JOIN REFClient v ON v.Code = p.PartyCode AND v.MarketGrCode = 'VND'
    WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate <= $1::date),
linked AS (
    SELECT c.CorSpecID AS IDC,
           sum(r.Summa) FILTER (WHERE c.LinkKindCode = 'GR') AS RetSum,
           sum(r.AmountAccount) FILTER (WHERE c.LinkKindCode = 'GR') AS RetAmount,
           sum(r.Summa) FILTER (WHERE c.LinkKindCode = 'DC' AND rd.DocTypeCode = 'PISD') AS DscSum,
           sum(CASE WHEN pisd.IsByAmount = 0 OR r.Amount > 0 THEN 0 ELSE r.AmountAccount END)
               FILTER (WHERE c.LinkKindCode = 'DC' AND rd.DocTypeCode = 'PISD') AS DscAmount,
           sum(r.Summa) FILTER (WHERE c.LinkKindCode = 'DC' AND rd.DocTypeCode = 'BCN') AS Dsc2Sum,
           sum(CASE WHEN bcn.IsByAmount = 0 OR r.Amount > 0 THEN 0 ELSE r.AmountAccount END)
               FILTER (WHERE c.LinkKindCode = 'DC' AND rd.DocTypeCode = 'BCN') AS Dsc2Amount
    FROM THGoodContent c JOIN THGoodSpec r ON r.IDC = c.SpecID
    JOIN THDocument rd ON rd.IDC = r.DocID AND rd.IsPosted = 1
    LEFT JOIN THDocumentPISD pisd ON pisd.DocID = rd.IDC
    LEFT JOIN THDocumentBCN bcn ON bcn.DocID = rd.IDC
    WHERE (c.LinkKindCode = 'GR' AND rd.DocTypeCode = 'PGA') OR (c.LinkKindCode = 'DC' AND rd.DocTypeCode IN ('PISD', 'BCN'))
    GROUP BY c.CorSpecID),
fixed AS (
    SELECT f.IncomeSpecID AS IDC, sum(f.Amount) AS Amount FROM THGoodSpecFixLog f
    JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID AND od.DocTypeCode <> 'PGA'
    GROUP BY f.IncomeSpecID),
net AS (
    SELECT row.Vendor, row.GoodCode, row.DocumentDate, row.PayTerm,
           row.Summa - COALESCE(l.RetSum, 0) - COALESCE(l.DscSum, 0) + COALESCE(l.Dsc2Sum, 0) AS NetSum,
           row.AmountAccount - COALESCE(l.RetAmount, 0) - COALESCE(l.DscAmount, 0) + COALESCE(l.Dsc2Amount, 0) AS NetAmount,
           COALESCE(fixed.Amount, 0) AS Fixed
    FROM row LEFT JOIN linked l ON l.IDC = row.IDC LEFT JOIN fixed ON fixed.IDC = row.IDC),
fig AS (
    SELECT Vendor, GoodCode,
           CASE WHEN GoodCode = 'C1' THEN 0 ELSE NetAmount END - Fixed AS RestAmount,
           -- The sum of the rest taken before dividing: exact wherever the quotient ends.
           CASE WHEN NetAmount = 0 THEN 0
                ELSE NetSum * (CASE WHEN GoodCode = 'C1' THEN 0 ELSE NetAmount END - Fixed) / NetAmount END AS RestSum,
           PayTerm IS NOT NULL AND DocumentDate + PayTerm <= $1::date AS Due
    FROM net)
SELECT Vendor, GoodCode, round(sum(RestSum), 2), sum(RestAmount),
       sum(CASE WHEN Due THEN RestAmount ELSE 0 END)
FROM fig GROUP BY Vendor, GoodCode
HAVING round(sum(RestSum), 2) <> 0 OR sum(RestAmount) <> 0
ORDER BY Vendor, GoodCode)sql";

const Date kRepDate(2026, 6, 30);

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
    return Talvex::Erp::OpenBook(connect, "rest_by_vendor_bench");
}

struct Sums {
    std::int64_t rows = 0;
    Currency rest;
    bool operator==(const Sums&) const = default;
};

Sums ReadReference(Talvex::Book& book)
{
    Sums sums;
    for (const auto& r : book.Db().QueryPostgres(kIndependentRest, {Value(kRepDate)}).rows) {
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

void RestByVendor(benchmark::State& state)
{
    auto book = BenchBook();
    const Sums reference = ReadReference(*book);
    Sums result;
    for (auto _ : state)
        result = ReadRest(book);
    if (!(result == reference))
        state.SkipWithError(("rest " + std::to_string(result.rows) + " rows, " + result.rest.ToString() +
                             "; reference " + std::to_string(reference.rows) + " rows, " + reference.rest.ToString())
                                .c_str());
    state.counters["rows"] = static_cast<double>(result.rows);
}

void RestByVendorReference(benchmark::State& state)
{
    auto book = BenchBook();
    Sums result;
    for (auto _ : state)
        result = ReadReference(*book);
    state.counters["rows"] = static_cast<double>(result.rows);
}

} // namespace

BENCHMARK(RestByVendor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(RestByVendorReference)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
