// The exchange-difference list of a year (2026) as the form reads it: the open terms of the
// posted foreign-currency debt documents, valued at their dates' rates, summed per client on
// both sides (fetch and the pure step), and beside it one hand-written statement over the base
// tables giving the same clients. Then the heaviest read of a create run: every listed
// client's settlements of the year not yet booked.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/SetGExchangeBench --benchmark_repetitions=5
//
// Each benchmark runs once per repetition; take the minimum and the median. The list fails
// when its clients differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/erp/documents/CExchangeDoc.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/settlement/ExchangeClients.hpp"
#include "quarn/settlement/frmSetGExchange.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <set>
#include <string>

namespace {

using Talvex::Date;
using Talvex::Value;

const Date kFirstDay(2026, 1, 1);
const Date kLastDay(2026, 12, 31);

// The clients with open foreign-currency debts on both sides, straight from the documents,
// their payment links, parties and rates (each document valued as a whole).
constexpr const char* kReference = R"sql(
WITH o AS (
    SELECT d.IDC, d.DocTypeCode, t.IsIncome, d.CurrencyCode, d.DocumentDate, d.Summa - COALESCE(x.Paid, 0) AS Open
    FROM THDocument d
    JOIN THDocType t ON t.Code = d.DocTypeCode
    LEFT JOIN (SELECT p.CorDocID, SUM(p.SummaCur) AS Paid FROM THPaySpec p GROUP BY p.CorDocID) x ON x.CorDocID = d.IDC
    WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN $1::date AND $2::date AND d.CurrencyCode <> 'EUR'
      AND d.DocTypeCode IN ('PISF','TPPI','GPG','TID','PRSF','TPPR','PGA','PISD','PRSD','SCN','BCN')),
v AS (
    SELECT o.*, o.Open * (SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency c
                          ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                          WHERE r.CurrencyCode = o.CurrencyCode AND r.DateApply <= o.DocumentDate
                          ORDER BY r.DateApply DESC LIMIT 1) AS Acc,
           CASE WHEN o.DocTypeCode IN ('PRSD','BCN') THEN true WHEN o.DocTypeCode IN ('PISD','SCN') THEN false
                ELSE o.IsIncome = 1 END AS Incoming
    FROM o WHERE o.Open <> 0)
SELECT p.PartyCode
FROM v
JOIN THPartyAttribute p ON p.DocID = v.IDC AND p.RolePartyCode = CASE v.DocTypeCode
     WHEN 'PISF' THEN 'PAR' WHEN 'PGA' THEN 'PAR' WHEN 'PISD' THEN 'PAR' WHEN 'BCN' THEN 'PAR'
     WHEN 'TID' THEN 'GAV' WHEN 'TPPI' THEN 'VEZ' ELSE 'PIR' END
JOIN REFClient cl ON cl.Code = p.PartyCode
GROUP BY p.PartyCode
HAVING SUM(CASE WHEN v.Incoming = (v.Acc > 0) THEN abs(v.Acc) ELSE 0 END) > 0
   AND SUM(CASE WHEN v.Incoming <> (v.Acc > 0) THEN abs(v.Acc) ELSE 0 END) > 0
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
    return Talvex::Erp::OpenBook(connect, "exchange_bench");
}

std::set<std::string> ReferenceClients(Talvex::Data::Connection& db)
{
    std::set<std::string> clients;
    for (const auto& row : db.QueryPostgres(kReference, {Value(kFirstDay), Value(kLastDay)}).rows)
        clients.insert(row.at(0).ToText());
    return clients;
}

void ExchangeListOfAYear(benchmark::State& state)
{
    auto book = BenchBook();
    const auto reference = ReferenceClients(book->Db());
    std::vector<Quarn_DuzAde::ExchangeClientRow> rows;
    std::size_t terms = 0;
    for (auto _ : state) {
        auto list = Quarn_DuzAde::frmSetGExchange::CreateDebtList(book, kFirstDay, kLastDay);
        list->Refresh();
        const auto read = Quarn_DuzAde::frmSetGExchange::ReadDebtTerms(*list);
        terms = read.size();
        rows = Quarn_DuzAde::ExchangeClients(read, book->AccountCurrency());
    }
    std::set<std::string> listed;
    for (const auto& row : rows)
        listed.insert(row.code);
    if (listed != reference) {
        state.SkipWithError(("the list has " + std::to_string(listed.size()) + " clients, the reference " +
                             std::to_string(reference.size()))
                                .c_str());
        return;
    }
    state.counters["terms"] = static_cast<double>(terms);
    state.counters["clients"] = static_cast<double>(rows.size());
}

void ExchangeListReference(benchmark::State& state)
{
    auto book = BenchBook();
    std::size_t clients = 0;
    for (auto _ : state)
        clients = ReferenceClients(book->Db()).size();
    state.counters["clients"] = static_cast<double>(clients);
}

void SettlementsOfTheListedClients(benchmark::State& state)
{
    auto book = BenchBook();
    const auto clients = ReferenceClients(book->Db());
    Talvex::Erp::CExchangeDoc component(book);
    std::size_t settlements = 0;
    for (auto _ : state) {
        settlements = 0;
        for (const auto& client : clients)
            settlements += component.Settlements(client, kFirstDay, kLastDay).size();
    }
    state.counters["clients"] = static_cast<double>(clients.size());
    state.counters["settlements"] = static_cast<double>(settlements);
}

} // namespace

BENCHMARK(ExchangeListOfAYear)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ExchangeListReference)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(SettlementsOfTheListedClients)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
