// The credit-limit list of a year (2026) as the operation reads it: every client's open
// receivable debt of the period in the account currency beside its limit fields (fetch and
// the pure step), and beside it one hand-written statement over the base tables giving the
// same clients and total. Then the over-limit list on the last day.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/SetLimitByDebtBench --benchmark_repetitions=5
//
// Each benchmark runs once per repetition; take the minimum and the median. The list fails
// when its clients differ from the reference's.
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/settlement/CClientsOverLimit.hpp"
#include "quarn/settlement/CSetLimitByDebt.hpp"
#include "quarn/settlement/LimitByDebt.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <set>
#include <string>

namespace {

using Talvex::Date;
using Talvex::Value;

const Date kFirstDay(2026, 1, 1);
const Date kLastDay(2026, 12, 31);

constexpr const char* kReference = R"sql(
WITH o AS (
    SELECT d.IDC, d.DocTypeCode, d.CurrencyCode, d.DocumentDate,
           CASE WHEN d.Summa < 0 THEN LEAST(0, d.Summa - COALESCE(x.Paid, 0))
                ELSE GREATEST(0, d.Summa - COALESCE(x.Paid, 0)) END AS Open
    FROM THDocument d
    LEFT JOIN (SELECT p.CorDocID, SUM(p.SummaCur) AS Paid FROM THPaySpec p GROUP BY p.CorDocID) x ON x.CorDocID = d.IDC
    WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN $1::date AND $2::date
      AND d.DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN'))
SELECT c.Code, SUM(CASE WHEN o.CurrencyCode = 'EUR' THEN o.Open
                        ELSE ROUND(o.Open * (SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency rc
                                             ON rc.Code = r.CurrencyCode AND rc.DefaultRateType = r.RateTypeCode
                                             WHERE r.CurrencyCode = o.CurrencyCode AND r.DateApply <= o.DocumentDate
                                             ORDER BY r.DateApply DESC LIMIT 1), 2) END),
       MAX(c.DefaultLimit), MAX(c.IsLimitSetManually)
FROM o
JOIN THPartyAttribute p ON p.DocID = o.IDC
     AND p.RolePartyCode = CASE WHEN o.DocTypeCode IN ('PGA', 'PISD') THEN 'PAR' ELSE 'PIR' END
JOIN REFClient c ON c.Code = p.PartyCode
GROUP BY c.Code
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
    return Talvex::Erp::OpenBook(connect, "limit_bench");
}

std::set<std::string> ReferenceClients(Talvex::Data::Connection& db)
{
    std::set<std::string> clients;
    for (const auto& row : db.QueryPostgres(kReference, {Value(kFirstDay), Value(kLastDay)}).rows)
        clients.insert(row.at(0).ToText());
    return clients;
}

void LimitListOfAYear(benchmark::State& state)
{
    auto book = BenchBook();
    const auto reference = ReferenceClients(book->Db());
    std::vector<Quarn_DuzAde::LimitRow> rows;
    for (auto _ : state) {
        auto list = Quarn_DuzAde::CSetLimitByDebt::CreateLimitList(book, kFirstDay, kLastDay);
        list->Refresh();
        rows = Quarn_DuzAde::LimitRows(Quarn_DuzAde::CSetLimitByDebt::ReadClients(*list));
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
    state.counters["clients"] = static_cast<double>(rows.size());
}

void LimitListReference(benchmark::State& state)
{
    auto book = BenchBook();
    std::size_t clients = 0;
    for (auto _ : state)
        clients = ReferenceClients(book->Db()).size();
    state.counters["clients"] = static_cast<double>(clients);
}

void ClientsOverLimitOnTheLastDay(benchmark::State& state)
{
    auto book = BenchBook();
    std::size_t over = 0;
    for (auto _ : state) {
        auto list = Quarn_DuzAde::CClientsOverLimit::CreateBalanceList(book, kLastDay);
        list->Refresh();
        over = Quarn_DuzAde::ClientsOverLimit(Quarn_DuzAde::CClientsOverLimit::ReadBalances(*list)).size();
    }
    state.counters["over_limit"] = static_cast<double>(over);
}

} // namespace

BENCHMARK(LimitListOfAYear)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(LimitListReference)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ClientsOverLimitOnTheLastDay)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
