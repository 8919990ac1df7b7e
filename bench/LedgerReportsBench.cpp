// The general-ledger reports over the year 2026 (report date 2026-12-31) as they run behind
// their forms, each beside a hand-written statement over the postings giving the same figures.
//
// Against the shared scale-1 company (read only):
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/LedgerReportsBench --benchmark_repetitions=5
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench on the local server of $TALVEX_HOME.
// Each benchmark runs once per repetition; take the minimum and the median. A report whose
// ledger total differs from the reference's is skipped with an error, so a fast wrong answer
// never passes for a result.
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/ledger/CDebtGL.hpp"
#include "quarn/ledger/CRepGLExpanded.hpp"
#include "quarn/ledger/CReportProfit.hpp"
#include "quarn/ledger/frmFinState.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using Quarn_DuzAde::CDebtGL;
using Quarn_DuzAde::GLDebtMode;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const Date kYearStart(2026, 1, 1);
const Date kYearEnd(2026, 12, 31);

// Each client's balance on an account (and the accounts under it) on the date, from the
// postings and their client analytics; the total over the clients of the reference.
constexpr const char* kClientBalances = R"sql(
SELECT count(*), COALESCE(sum(b.Saldo), 0)
FROM (
    SELECT an.AnalytObjectCode, sum(CASE WHEN an.IsDebet = 1 THEN p.SumAcc ELSE -p.SumAcc END) AS Saldo
    FROM GLAccountPost p
    JOIN GLAnalytPost an ON an.AccPostID = p.IDC
    JOIN GLAccountParent t ON t.AccSetCode = p.AccSetCode AND t.Parent = $1
     AND t.Code = CASE WHEN an.IsDebet = 1 THEN p.DebetAccCode ELSE p.CreditAccCode END
    WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost <= $2
      AND EXISTS (SELECT 1 FROM REFClient c WHERE c.Code = an.AnalytObjectCode AND c.IsGroup = 0)
    GROUP BY an.AnalytObjectCode
) b
)sql";

struct Reference {
    std::int64_t clients = 0; // or accounts
    Currency total;
};

Reference ClientBalances(Talvex::Book& book, const std::string& account)
{
    auto result = book.Db().QueryPostgres(kClientBalances, {Value(account), Value(kYearEnd)});
    return {result.rows.at(0).at(0).ToInteger(), result.rows.at(0).at(1).ToCurrency()};
}

void ReconcileYear(benchmark::State& state, const std::string& account, GLDebtMode mode)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    const Reference reference = ClientBalances(*book, account);
    CDebtGL report;
    std::size_t rows = 0;
    Currency ledger;
    for (auto _ : state) {
        report.Fill(book, {kYearEnd, "1", account, mode});
        ledger = Currency();
        if (mode == GLDebtMode::Debt) {
            const auto result = report.Result().DebtRows();
            for (const auto& row : result)
                ledger += row.ledgerSaldo;
            rows = result.size();
        } else {
            const auto result = report.Result().CreditRows();
            Currency open;
            for (const auto& row : result)
                open += row.accNeedPaySum + row.difference;
            ledger = -open; // the differences and open sums add up to the turned balance
            rows = result.size();
        }
    }
    if (ledger != reference.total) {
        state.SkipWithError(
            ("the ledger total " + ledger.ToString() + " differs from the reference's " + reference.total.ToString())
                .c_str());
        return;
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["ref_clients"] = static_cast<double>(reference.clients);
}

void DebtGLYear(benchmark::State& state)
{
    ReconcileYear(state, "240", GLDebtMode::Debt);
}

void CredGLYear(benchmark::State& state)
{
    ReconcileYear(state, "450", GLDebtMode::Credit);
}

// The two reads of the receivables reconciliation apart: the ledger's client balances and the
// open documents.
void DebtGLLedgerRead(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    std::size_t rows = 0;
    for (auto _ : state) {
        auto list = CDebtGL::LedgerList(*book, {kYearEnd, "1", "240", GLDebtMode::Debt});
        list->Refresh();
        rows = list->Recordset()->RecordCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void DebtGLDocumentRead(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    std::size_t rows = 0;
    for (auto _ : state) {
        auto list = CDebtGL::DocumentList(book, {kYearEnd, "1", "240", GLDebtMode::Debt});
        list->Refresh();
        rows = list->Recordset()->RecordCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void DebtGLReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    Reference reference;
    for (auto _ : state)
        reference = ClientBalances(*book, "240");
    state.counters["ref_clients"] = static_cast<double>(reference.clients);
}

// The year's result of the income and expense accounts, from the postings: income less
// expenses, debit minus credit turned.
constexpr const char* kYearResult = R"sql(
SELECT count(DISTINCT s.AccCode), COALESCE(-sum(s.Sign * p.SumAcc), 0)
FROM GLAccountPost p
CROSS JOIN LATERAL (VALUES (p.DebetAccCode, 1), (p.CreditAccCode, -1)) s (AccCode, Sign)
WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost BETWEEN $1 AND $2 AND left(s.AccCode, 1) IN ('5', '6')
)sql";

Reference YearResult(Talvex::Book& book)
{
    auto result = book.Db().QueryPostgres(kYearResult, {Value(kYearStart), Value(kYearEnd)});
    return {result.rows.at(0).at(0).ToInteger(), result.rows.at(0).at(1).ToCurrency()};
}

void ProfitYear(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    const Reference reference = YearResult(*book);
    Quarn_DuzAde::ProfitTotals totals;
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto result = Quarn_DuzAde::CReportProfit().Fill(*book, kYearStart, kYearEnd, "1");
        totals = Quarn_DuzAde::ProfitTotalsOf(result);
        rows = result.size();
    }
    if (totals.profit != reference.total) {
        state.SkipWithError(
            ("the profit " + totals.profit.ToString() + " differs from the reference's " + reference.total.ToString())
                .c_str());
        return;
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["ref_accounts"] = static_cast<double>(reference.clients);
}

void ProfitReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    Reference reference;
    for (auto _ : state)
        reference = YearResult(*book);
    state.counters["ref_accounts"] = static_cast<double>(reference.clients);
}

// The year's turnover of every posting account with each correspondent account, both sides of
// every posting: the correspondent lines of the expanded statement of the whole chart.
constexpr const char* kCorrespondents = R"sql(
SELECT count(*), COALESCE(sum(x.DTurn), 0)
FROM (
    SELECT s.AccCode, s.CorCode, sum(CASE WHEN s.Sign = 1 THEN p.SumAcc ELSE 0 END) AS DTurn
    FROM GLAccountPost p
    CROSS JOIN LATERAL (VALUES (p.DebetAccCode, p.CreditAccCode, 1), (p.CreditAccCode, p.DebetAccCode, -1))
        s (AccCode, CorCode, Sign)
    WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost BETWEEN $1 AND $2
    GROUP BY s.AccCode, s.CorCode
) x
)sql";

Reference Correspondents(Talvex::Book& book)
{
    auto result = book.Db().QueryPostgres(kCorrespondents, {Value(kYearStart), Value(kYearEnd)});
    return {result.rows.at(0).at(0).ToInteger(), result.rows.at(0).at(1).ToCurrency()};
}

void GLExpandedYear(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    const Reference reference = Correspondents(*book);
    std::vector<std::string> accounts;
    for (const auto& row :
         book->Db().QueryPostgres("SELECT Code FROM GLAccount WHERE AccSetCode = '1' AND IsGroup = 0").rows)
        accounts.push_back(row[0].ToText());
    std::int64_t lines = 0;
    Currency debit;
    for (auto _ : state) {
        const auto rows = Quarn_DuzAde::CRepGLExpanded().Fill(book, {kYearStart, kYearEnd, "1", accounts});
        if (!rows) {
            state.SkipWithError("the statement could not be read");
            return;
        }
        lines = 0;
        debit = Currency();
        for (const auto& row : *rows) {
            if (row.total) continue;
            ++lines;
            debit += row.sums.dTurn;
        }
    }
    if (lines != reference.clients || debit != reference.total) {
        state.SkipWithError(("the statement has " + std::to_string(lines) + " lines of " + debit.ToString() +
                             ", the reference " + std::to_string(reference.clients) + " of " +
                             reference.total.ToString())
                                .c_str());
        return;
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void GLExpandedReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    Reference reference;
    for (auto _ : state)
        reference = Correspondents(*book);
    state.counters["lines"] = static_cast<double>(reference.clients);
}

// The financial state's total at the year's end: the bank and cash balances from the
// postings, what clients owe less what the company owes from the open terms.
constexpr const char* kFinStateTotal = R"sql(
SELECT (SELECT COALESCE(sum(CASE WHEN DebetAccCode IN ('271', '272') THEN SumAcc ELSE 0 END
                           - CASE WHEN CreditAccCode IN ('271', '272') THEN SumAcc ELSE 0 END), 0)
        FROM GLAccountPost WHERE AccSetCode = '1' AND IsPosted = 1 AND DatePost <= $1)
     + (SELECT COALESCE(sum(CASE WHEN DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN') THEN DebtSumma
                                 ELSE -DebtSumma END), 0)
        FROM THDocPayTermState WHERE IsPosted = 1
          AND DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN', 'PISF', 'TPPI', 'GPG', 'TID', 'CPAY', 'PRSD', 'BCN'))
)sql";

void FinStateOnDate(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    const Currency reference =
        book->Db().QueryPostgres(kFinStateTotal, {Value(kYearEnd)}).rows.at(0).at(0).ToCurrency();
    // The defaults: bank and cash accounts, receivable and payable types.
    const auto settings = Quarn_DuzAde::frmFinState::LoadSettings(*book);
    Currency total;
    for (auto _ : state)
        total = Quarn_DuzAde::frmFinState::Compute(*book, settings, kYearEnd).Total();
    if (total != reference) {
        state.SkipWithError(
            ("the total " + total.ToString() + " differs from the reference's " + reference.ToString()).c_str());
    }
}

void FinStateReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("ledger_reports_bench");
    for (auto _ : state)
        benchmark::DoNotOptimize(book->Db().QueryPostgres(kFinStateTotal, {Value(kYearEnd)}).rows.size());
}

} // namespace

BENCHMARK(FinStateOnDate)->Apply(Bench::Once);
BENCHMARK(FinStateReferenceSql)->Apply(Bench::Once);
BENCHMARK(GLExpandedYear)->Apply(Bench::Once);
BENCHMARK(GLExpandedReferenceSql)->Apply(Bench::Once);
BENCHMARK(ProfitYear)->Apply(Bench::Once);
BENCHMARK(ProfitReferenceSql)->Apply(Bench::Once);
BENCHMARK(DebtGLYear)->Apply(Bench::Once);
BENCHMARK(CredGLYear)->Apply(Bench::Once);
BENCHMARK(DebtGLLedgerRead)->Apply(Bench::Once);
BENCHMARK(DebtGLDocumentRead)->Apply(Bench::Once);
BENCHMARK(DebtGLReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
