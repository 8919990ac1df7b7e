// The pay-on-sale sales list read whole: every sale of a year out of the pay-on-sale purchases
// of the local supplier group (T-LT, every supplier under it in the client tree), as the
// report's list gives it, beside one hand-written statement over the base tables giving the
// same rows, read fully in the same program on the same company.
//
// Run against the scale-1 company (talvex_bench on the server of $TALVEX_HOME, or
// $TALVEX_BENCH_DB):
//
//     build/bench/SalesBySupplBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. A list whose row count or owed total
// differs from the reference's fails with the figures of both.
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "quarn/sales/CSalesBySupplImpl.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using Talvex::Currency;
using Talvex::Date;

constexpr const char* kGroup = "T-LT";

constexpr const char* kReference = R"sql(
WITH RECURSIVE tree AS (
    SELECT Code FROM REFClient WHERE Code = $1
    UNION ALL SELECT c.Code FROM REFClient c JOIN tree t ON c.Parent = t.Code)
SELECT i.GoodCode, g.Name, f.Amount,
       round(COALESCE(i.Summa / NULLIF(i.AmountAccount, 0), 0), 2),
       round(COALESCE(i.Summa / NULLIF(i.AmountAccount, 0) * f.Amount, 0), 2),
       b.CurrencyCode, s.DocumentDate, s.Number, b.DocumentDate, b.Number,
       s.DocumentDate + COALESCE(mg.PayTerm, 0)
FROM THDocument s
JOIN THGoodSpec o ON o.DocID = s.IDC
JOIN THGoodSpecFixLog f ON f.OutcomeSpecID = o.IDC
JOIN THGoodSpec i ON i.IDC = f.IncomeSpecID
JOIN THDocument b ON b.IDC = i.DocID AND b.DocTypeCode = 'PISF'
JOIN THDocumentPISF ba ON ba.DocID = b.IDC AND ba.IsPayOnSell = 1
JOIN THPartyAttribute v ON v.DocID = b.IDC AND v.RolePartyCode = 'PAR'
JOIN REFClient c ON c.Code = v.PartyCode
LEFT JOIN REFClientMarketGr mg ON mg.Code = c.MarketGrCode
LEFT JOIN REFGood g ON g.Code = i.GoodCode
WHERE s.DocTypeCode = 'PRSF' AND s.IsPosted = 1 AND s.DocumentDate BETWEEN $2::date AND $3::date
  AND v.PartyCode IN (SELECT Code FROM tree)
ORDER BY s.DocumentDate, s.Number, b.DocumentDate, b.Number, i.GoodCode, f.IDC
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
    return Talvex::Erp::OpenBook(connect, "sales_by_suppl_bench");
}

struct ReadResult {
    std::int64_t rows = 0;
    Currency owed;
};

ReadResult ReadReference(Talvex::Book& book)
{
    auto rs = book.Db().QueryPostgres(kReference, {Talvex::Value(kGroup), Talvex::Value(Date(2026, 1, 1)),
                                                   Talvex::Value(Date(2026, 12, 31))});
    ReadResult result;
    for (const auto& row : rs.rows) result.owed += row.at(4).ToCurrency();
    result.rows = static_cast<std::int64_t>(rs.rows.size());
    return result;
}

ReadResult ReadList(const std::shared_ptr<Talvex::Book>& book)
{
    Quarn_DuzAde::CSalesBySupplImpl impl;
    impl.Init(book);
    auto list = impl.SaleBySupplList(kGroup, true, Date(2026, 1, 1), Date(2026, 12, 31));
    list->Refresh();
    auto rs = list->Recordset();
    ReadResult result;
    const std::size_t summa = rs->Fields().Item("Summa").Index();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) result.owed += rs->Fields().Item(summa).Value().ToCurrency();
    result.rows = rs->RecordCount();
    return result;
}

void SalesBySupplList(benchmark::State& state)
{
    auto book = BenchBook();
    const ReadResult reference = ReadReference(*book);
    ReadResult result;
    for (auto _ : state) result = ReadList(book);
    if (result.rows != reference.rows || result.owed != reference.owed)
        state.SkipWithError(("list " + std::to_string(result.rows) + " rows, " + result.owed.ToString() +
                             " owed; reference " + std::to_string(reference.rows) + " rows, " +
                             reference.owed.ToString())
                                .c_str());
    state.counters["rows"] = static_cast<double>(result.rows);
}

void SalesBySupplReference(benchmark::State& state)
{
    auto book = BenchBook();
    ReadResult result;
    for (auto _ : state) result = ReadReference(*book);
    state.counters["rows"] = static_cast<double>(result.rows);
}

} // namespace

BENCHMARK(SalesBySupplList)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(SalesBySupplReference)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
