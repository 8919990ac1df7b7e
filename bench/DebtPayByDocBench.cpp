// Debt payment by document for a year: the receivables as they stood on 2025-12-31 (the
// demo company's first year), every client, its steps apart, and beside them a reference
// computed in the same run: one hand-written statement giving each document's open part
// straight from the documents, terms, parties and payments.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/DebtPayByDocBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. The whole report fails when its open
// total or its document count differs from the reference's.
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/debt/CDebtPayByDoc.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <set>
#include <string>

namespace {

using Quarn_DuzAde::CDebtPayByDoc;
using Quarn_DuzAde::DebtPayByDocQuery;
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

// Each receivable's open part on the day (see DebtPayByDocTest for the rule it follows).
constexpr const char* kReference = R"sql(
WITH src (Type, Role, Derived) AS (VALUES ('PRSF', 'PIR', false), ('TPPR', 'PIR', false), ('PGA', 'PAR', true)),
docs AS (
    SELECT d.IDC, d.Summa, d.ParentID, s.Derived
    FROM THDocument d JOIN src s ON s.Type = d.DocTypeCode
    JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = s.Role
                           AND (p.PartyType = 1 OR d.DocTypeCode = 'PRSF')
    WHERE d.IsPosted = 1 AND d.DocumentDate <= $1
      AND (NOT s.Derived OR EXISTS (SELECT 1 FROM THDocument pd WHERE pd.IDC = d.ParentID AND pd.IsPosted = 1
                                    AND (pd.IsDirectPay <> 0 OR d.Summa <= pd.Summa)))
), owed AS (
    SELECT docs.IDC,
           GREATEST(docs.Summa, COALESCE((SELECT sum(t.Summa) FROM THDocumentPayTerm t
                                          WHERE t.DocID = docs.IDC AND NOT docs.Derived), 0)) AS Need,
           COALESCE((SELECT sum(ps.SummaCur) FROM THPaySpec ps JOIN THDocument pay ON pay.IDC = ps.DocID
                     WHERE ps.CorDocID = CASE WHEN docs.Derived THEN docs.ParentID ELSE docs.IDC END
                       AND pay.DocumentDate <= $1 AND ps.SummaCur > 0), 0) AS Paid
    FROM docs
)
SELECT IDC, Need - Paid AS Debt FROM owed WHERE Need > 0 AND Need - Paid > 0
)sql";

const Date kRepDate(2025, 12, 31);

DebtPayByDocQuery YearQuery()
{
    DebtPayByDocQuery query;
    query.repDate = kRepDate;
    query.direction = 2;
    return query;
}

struct Figures {
    Currency total;
    std::size_t documents = 0;
};

Figures Reference(Talvex::Book& book)
{
    Figures f;
    auto result = book.Db().QueryPostgres(kReference, {Value(kRepDate)});
    for (const auto& row : result.rows)
        f.total += row.at(1).ToCurrency();
    f.documents = result.rows.size();
    return f;
}

void WholeReport(benchmark::State& state)
{
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
    const Figures expected = Reference(*book);
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto rs = CDebtPayByDoc::FullForm(book, YearQuery());
        rows = rs->RecordCount();
        state.PauseTiming();
        Figures got;
        std::set<std::int64_t> documents;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            got.total += rs->Fields().Item("Debt").Value().ToCurrency();
            documents.insert(rs->Fields().Item("IDC").Value().ToInteger());
        }
        if (got.total != expected.total || documents.size() != expected.documents)
            state.SkipWithError(("open total " + got.total.ToString() + " over " + std::to_string(documents.size()) +
                                 " documents, reference " + expected.total.ToString() + " over " +
                                 std::to_string(expected.documents))
                                    .c_str());
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void FetchNeedPay(benchmark::State& state)
{
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto list = CDebtPayByDoc::NeedPayList(book, YearQuery());
        list->Refresh();
        rows = list->Recordset()->RecordCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void FetchPayments(benchmark::State& state)
{
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto list = CDebtPayByDoc::PaymentList(book, YearQuery());
        list->Refresh();
        rows = list->Recordset()->RecordCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void ReferenceStatement(benchmark::State& state)
{
    auto book = Talvex::Erp::OpenBook(BenchConnectString(), "bench");
    std::size_t documents = 0;
    for (auto _ : state)
        documents = Reference(*book).documents;
    state.counters["documents"] = static_cast<double>(documents);
}

} // namespace

BENCHMARK(WholeReport)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(FetchNeedPay)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(FetchPayments)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ReferenceStatement)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
