// What each local vendor (market group VND) is owed for its consignment goods at the end of
// June 2026: the consignment rows read, the vendors' ledger balances and payments read, and the
// figures worked out as the report does, beside one hand-written statement over the base
// tables giving the same figures, read fully in the same program on the same company.
//
// Run against the scale-1 company (talvex_bench on the server of $TALVEX_HOME, or
// $TALVEX_BENCH_DB):
//
//     build/bench/DebtByVendorBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A result whose vendors or totals
// differ from the reference's fails with the figures of both.
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
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

constexpr const char* kIndependentDebt = R"sql(
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
    SELECT row.Vendor, row.GoodCode, row.DocumentDate, row.PayTerm, row.AmountAccount AS Gross,
           row.Summa - COALESCE(l.RetSum, 0) - COALESCE(l.DscSum, 0) + COALESCE(l.Dsc2Sum, 0) AS NetSum,
           row.AmountAccount - COALESCE(l.RetAmount, 0) - COALESCE(l.DscAmount, 0) + COALESCE(l.Dsc2Amount, 0) AS NetAmount,
           COALESCE(fixed.Amount, 0) AS Fixed
    FROM row LEFT JOIN linked l ON l.IDC = row.IDC LEFT JOIN fixed ON fixed.IDC = row.IDC),
fig AS (
    SELECT Vendor,
           CASE WHEN NetAmount = 0 THEN 0
                ELSE NetSum * (CASE WHEN GoodCode = 'C1' THEN 0 ELSE NetAmount END - Fixed) / NetAmount END AS Rest,
           CASE WHEN NetAmount = 0 THEN 0
                ELSE NetSum * (CASE WHEN GoodCode = 'C1' THEN Gross ELSE Fixed END) / NetAmount END AS Sold,
           PayTerm IS NOT NULL AND DocumentDate + PayTerm <= $1::date AS Due,
           DocumentDate + COALESCE(PayTerm, 0) <= $1::date AS Reached
    FROM net),
vendor AS (
    SELECT Vendor, round(sum(Rest), 2) AS Rest, round(sum(CASE WHEN Due THEN Rest ELSE 0 END), 2) AS RestForPay,
           round(sum(CASE WHEN Reached THEN 0 ELSE Sold END), 2) AS Sale,
           round(sum(CASE WHEN Reached THEN Sold ELSE 0 END), 2) AS SaleForPay
    FROM fig GROUP BY Vendor),
account AS (
    SELECT Code FROM GLAccount WHERE AccSetCode = '1' AND (Code = '450' OR Parent = '450')),
side AS (
    SELECT an.AnalytObjectCode AS Vendor, an.IsDebet, p.SumAcc, p.DocId
    FROM GLAccountPost p JOIN GLAnalytPost an ON an.AccPostID = p.IDC AND an.AnalytTypeCode = 'CL'
    WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost <= $1::date
      AND (CASE WHEN an.IsDebet = 1 THEN p.DebetAccCode ELSE p.CreditAccCode END) IN (SELECT Code FROM account)),
ledger AS (
    SELECT Vendor, round(-sum(CASE WHEN IsDebet = 1 THEN SumAcc ELSE -SumAcc END), 2) AS Debt,
           round(sum(CASE WHEN IsDebet = 1 AND DocId IN (SELECT d.IDC FROM THDocument d JOIN THDocType t
                 ON t.Code = d.DocTypeCode AND t.Category = 2) THEN SumAcc ELSE 0 END), 2) AS Payed
    FROM side GROUP BY Vendor)
SELECT v.Vendor, COALESCE(l.Debt, 0), v.Rest, v.RestForPay, v.Sale, v.SaleForPay, COALESCE(l.Payed, 0),
       greatest(COALESCE(l.Payed, 0) - v.RestForPay - v.SaleForPay, 0),
       greatest(v.RestForPay + v.SaleForPay - COALESCE(l.Payed, 0), 0)
FROM vendor v LEFT JOIN ledger l ON l.Vendor = v.Vendor
ORDER BY v.Vendor)sql";

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
    return Talvex::Erp::OpenBook(connect, "debt_by_vendor_bench");
}

struct Sums {
    std::int64_t vendors = 0;
    Currency debt, rest, due, payed, needPay;
    bool operator==(const Sums&) const = default;
    std::string ToString() const
    {
        return std::to_string(vendors) + " vendors, debt " + debt.ToString() + ", rest " + rest.ToString() + ", due " +
               due.ToString() + ", paid " + payed.ToString() + ", to pay " + needPay.ToString();
    }
};

Sums ReadReference(Talvex::Book& book)
{
    Sums sums;
    for (const auto& r : book.Db().QueryPostgres(kIndependentDebt, {Value(kRepDate)}).rows) {
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

void DebtByVendor(benchmark::State& state)
{
    auto book = BenchBook();
    const Sums reference = ReadReference(*book);
    Sums result;
    for (auto _ : state)
        result = ReadDebt(book);
    if (!(result == reference))
        state.SkipWithError(("debt " + result.ToString() + "; reference " + reference.ToString()).c_str());
    state.counters["vendors"] = static_cast<double>(result.vendors);
}

void DebtByVendorReference(benchmark::State& state)
{
    auto book = BenchBook();
    Sums result;
    for (auto _ : state)
        result = ReadReference(*book);
    state.counters["vendors"] = static_cast<double>(result.vendors);
}

} // namespace

BENCHMARK(DebtByVendor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(DebtByVendorReference)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
