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
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/debt/CDebtPayByDoc.hpp"
#include "quarn/debt/DebtPayByDocReference.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <set>
#include <string>

namespace {

using Quarn_DuzAde::CDebtPayByDoc;
using Quarn_DuzAde::DebtPayByDocQuery;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const Date kRepDate(2025, 12, 31);
constexpr long kReceivables = 2;

DebtPayByDocQuery YearQuery()
{
    DebtPayByDocQuery query;
    query.repDate = kRepDate;
    query.direction = kReceivables;
    return query;
}

struct Figures {
    Currency total;
    std::size_t documents = 0;
    bool operator==(const Figures&) const = default;
    std::string Text() const { return total.ToString() + " over " + std::to_string(documents) + " documents"; }
};

Figures Reference(Talvex::Book& book)
{
    Figures f;
    auto result = book.Db().QueryPostgres(Talvex::Testing::kOpenDebtByDocument,
                                          {Value(kRepDate), Value(std::int64_t{kReceivables})});
    for (const auto& row : result.rows)
        f.total += row.at(1).ToCurrency();
    f.documents = result.rows.size();
    return f;
}

void WholeReport(benchmark::State& state)
{
    auto book = Bench::OpenBook();
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
        got.documents = documents.size();
        Bench::SameAsReference(state, "the open total", got, expected);
        state.ResumeTiming();
    }
    Bench::CountPeakMemory(state);
    state.counters["rows"] = static_cast<double>(rows);
}

void FetchNeedPay(benchmark::State& state)
{
    auto book = Bench::OpenBook();
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
    auto book = Bench::OpenBook();
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
    auto book = Bench::OpenBook();
    std::size_t documents = 0;
    for (auto _ : state)
        documents = Reference(*book).documents;
    state.counters["documents"] = static_cast<double>(documents);
}

} // namespace

BENCHMARK(WholeReport)->Apply(Bench::Once);
BENCHMARK(FetchNeedPay)->Apply(Bench::Once);
BENCHMARK(FetchPayments)->Apply(Bench::Once);
BENCHMARK(ReferenceStatement)->Apply(Bench::Once);
BENCHMARK_MAIN();
