// Reading the payment-term sources whole, as a report that lists every document's terms does:
// THDocumentPayTermCur, and THDocumentPayTermExt as of a date in the middle of the company's
// second year and as of one early in its first, each beside the least the database can do
// without kept state: one hand-written statement over the base tables giving the same rows,
// read fully. The sources and the references run in the same program, on the same company.
//
// Run against the scale-1 company (talvex_bench on the server of $TALVEX_HOME, or
// $TALVEX_BENCH_DB), then the scale-10 one, as bench/DebtOfClientsBench.cpp describes:
//
//     build/bench/PayTermSourcesBench --benchmark_repetitions=5
//     export TALVEX_BENCH_DB="host=$TALVEX_HOME/socket user=postgres dbname=talvex_bench10"
//     build/bench/PayTermSourcesBench --benchmark_repetitions=3
//
// Take the minimum and the median over the repetitions. A source whose row count or whose
// open and paid totals differ from its reference's fails with the figures of both.
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

// The terms of every document worked out in one pass over the base tables: payments summed
// per document (only those dated up to $1 when it is given), stored terms cut back to the
// total and filled up with one more term, paid earliest first; the cash-plan lines apart.
constexpr const char* kReference = R"sql(
WITH paid AS (
    SELECT ps.CorDocID AS IDC, SUM(ps.SummaCur) AS Paid
    FROM THPaySpec ps JOIN THDocument pd ON pd.IDC = ps.DocID
    WHERE $1::DATE IS NULL OR pd.DocumentDate <= $1::DATE
    GROUP BY ps.CorDocID
), doc AS (
    SELECT d.IDC, d.DocTypeCode, d.Number, d.CurrencyCode, d.DocumentDate, d.Summa, d.IsPosted, d.ParentID,
           d.IsPayClosed, COALESCE(paid.Paid, 0) AS Paid, CASE WHEN d.Summa < 0 THEN -1 ELSE 1 END AS Sign
    FROM THDocument d LEFT JOIN paid ON paid.IDC = d.IDC
    WHERE d.DocTypeCode <> 'CPAY'
), stored AS (
    SELECT t.DocID, t.IDC AS TermId, t.PayTerm, t.Summa,
           SUM(t.Summa) OVER w - t.Summa AS Before, ROW_NUMBER() OVER w AS PosNumb,
           COUNT(*) OVER (PARTITION BY t.DocID) AS Terms,
           SUM(t.Summa) OVER (PARTITION BY t.DocID) AS TermsTotal,
           MAX(t.PayTerm) OVER (PARTITION BY t.DocID) AS LastPayTerm
    FROM THDocumentPayTerm t
    WINDOW w AS (PARTITION BY t.DocID ORDER BY t.PayTerm, t.IDC)
), term AS (
    SELECT s.DocID, s.TermId, s.PosNumb::INTEGER AS PosNumb, s.PayTerm,
           LEAST(s.Summa, GREATEST(doc.Summa - s.Before, 0)) AS Summa
    FROM stored s JOIN doc ON doc.IDC = s.DocID
    UNION ALL
    SELECT s.DocID, NULL, (s.Terms + 1)::INTEGER, s.LastPayTerm, doc.Summa - s.TermsTotal
    FROM stored s JOIN doc ON doc.IDC = s.DocID
    WHERE s.PosNumb = 1 AND doc.Summa > s.TermsTotal
    UNION ALL
    SELECT doc.IDC, NULL, 1, 0, doc.Summa
    FROM doc WHERE NOT EXISTS (SELECT 1 FROM THDocumentPayTerm t WHERE t.DocID = doc.IDC)
), debt AS (
    SELECT term.*,
           doc.Sign * GREATEST(0, LEAST(doc.Sign * term.Summa,
                                        doc.Sign * (SUM(term.Summa) OVER (PARTITION BY term.DocID
                                                                          ORDER BY term.PayTerm, term.PosNumb)
                                                    - doc.Paid))) AS Debt
    FROM term JOIN doc ON doc.IDC = term.DocID
)
SELECT d.IDC, d.DocTypeCode, d.Number, d.CurrencyCode, d.DocumentDate, d.Summa,
       t.Summa::NUMERIC(19,4), (t.Summa - t.Debt)::NUMERIC(19,4), t.Debt::NUMERIC(19,4), d.IsPosted,
       d.DocumentDate + t.PayTerm, d.ParentID,
       (CASE WHEN d.IsPayClosed = 1 OR d.Sign * (d.Summa - d.Paid) <= 0 THEN 1 ELSE 0 END)::SMALLINT,
       t.PosNumb, t.TermId, t.PayTerm
FROM debt t JOIN doc d ON d.IDC = t.DocID
UNION ALL
SELECT d.IDC, d.DocTypeCode, d.Number, d.CurrencyCode, d.DocumentDate, d.Summa, gs.Summa,
       (CASE WHEN settled.IDC IS NULL THEN 0 ELSE gs.Summa END)::NUMERIC(19,4),
       (CASE WHEN settled.IDC IS NULL THEN gs.Summa ELSE 0 END)::NUMERIC(19,4),
       d.IsPosted, COALESCE(c.NeedPayDate, d.DocumentDate), d.ParentID, d.IsClosed,
       gs.PosNumb, NULL, COALESCE(c.NeedPayDate, d.DocumentDate) - d.DocumentDate
FROM THDocument d
JOIN THGoodSpec gs ON gs.DocID = d.IDC
LEFT JOIN THGoodSpecCPAY c ON c.DocID = gs.DocID AND c.PosNumb = gs.PosNumb
LEFT JOIN THDocument settled ON settled.IDC = c.PayDocId AND ($1::DATE IS NULL OR settled.DocumentDate <= $1::DATE)
WHERE d.DocTypeCode = 'CPAY'
)sql";

// What a read gave: its rows and the sums of its amount columns, every row and value read.
struct ReadResult {
    std::size_t rows = 0;
    Currency open;
    Currency paid;
};

ReadResult ReadWhole(Talvex::Data::Connection& db, const std::string& sql, const std::vector<Value>& params)
{
    auto rs = db.QueryPostgres(sql, params);
    ReadResult result;
    for (const auto& row : rs.rows) {
        result.paid += row.at(7).ToCurrency();
        result.open += row.at(8).ToCurrency();
    }
    result.rows = rs.rows.size();
    return result;
}

// A source read as the host's lists read it: through the front end, each row handed on as the
// server sends it.
ReadResult ReadSource(Talvex::Data::Connection& db, const std::string& tsql, const std::vector<Value>& params)
{
    ReadResult result;
    db.QueryEach(
        tsql, params, [](const std::vector<Talvex::Data::Column>&) {},
        [&result](std::vector<Value>&& row) {
            result.paid += row.at(7).ToCurrency();
            result.open += row.at(8).ToCurrency();
            ++result.rows;
        });
    return result;
}

// The reference takes the date always (null: every payment counts); the view takes none.
std::vector<Value> ReferenceParams(const std::optional<Date>& payToDate)
{
    std::vector<Value> params;
    params.push_back(payToDate ? Value(*payToDate) : Value(Talvex::Null{}));
    return params;
}

std::vector<Value> SourceParams(const std::optional<Date>& payToDate)
{
    std::vector<Value> params;
    if (payToDate) params.push_back(Value(*payToDate));
    return params;
}

std::string SourceSql(const std::optional<Date>& payToDate)
{
    return payToDate ? "SELECT * FROM THDocumentPayTermExt(?)" : "SELECT * FROM THDocumentPayTermCur";
}

void SetCounters(benchmark::State& state, const ReadResult& result)
{
    state.counters["rows"] = static_cast<double>(result.rows);
    state.counters["open"] = static_cast<double>(result.open.Units()) / 10000.0;
}

std::optional<Date> PayToDateOf(const benchmark::State& state)
{
    switch (state.range(0)) {
    case 1: return Date(2026, 6, 30);
    case 2: return Date(2025, 3, 31);
    default: return std::nullopt;
    }
}

// Arg 0: THDocumentPayTermCur; 1: THDocumentPayTermExt('2026-06-30'); 2: ...Ext('2025-03-31').
void PayTermSourceWhole(benchmark::State& state)
{
    auto book = Bench::OpenBook("pay_term_sources_bench");
    const auto payToDate = PayToDateOf(state);
    const ReadResult reference = ReadWhole(book->Db(), kReference, ReferenceParams(payToDate));
    ReadResult result;
    for (auto _ : state)
        result = ReadSource(book->Db(), SourceSql(payToDate), SourceParams(payToDate));
    if (result.rows != reference.rows || result.open != reference.open || result.paid != reference.paid) {
        state.SkipWithError(("the source gave " + std::to_string(result.rows) + " rows, open " +
                             result.open.ToString() + ", paid " + result.paid.ToString() + "; the reference " +
                             std::to_string(reference.rows) + " rows, open " + reference.open.ToString() + ", paid " +
                             reference.paid.ToString())
                                .c_str());
        return;
    }
    SetCounters(state, result);
}

void PayTermReferenceWhole(benchmark::State& state)
{
    auto book = Bench::OpenBook("pay_term_sources_bench");
    const auto payToDate = PayToDateOf(state);
    ReadResult result;
    for (auto _ : state)
        result = ReadWhole(book->Db(), kReference, ReferenceParams(payToDate));
    SetCounters(state, result);
}

} // namespace

BENCHMARK(PayTermSourceWhole)->Arg(0)->Arg(1)->Arg(2)->Apply(Bench::Once);
BENCHMARK(PayTermReferenceWhole)->Arg(0)->Arg(1)->Arg(2)->Apply(Bench::Once);
BENCHMARK_MAIN();
