// The whole client-debt report for one year (2026-01..2026-12, every department and manager)
// as a user runs it, its three steps apart, and beside them the least the database can do:
// one hand-written statement over the base tables giving the same per-client, per-month sums.
//
// Build the two companies on the local server of $TALVEX_HOME (scale 1, about 105,000
// documents, takes a few minutes; scale 10, about a million, a quarter of an hour or more),
// then run against each:
//
//     export TALVEX_HOME=$PWD/.talvex-home
//     build/talvex sql "SELECT 1"    # starts the local server (and sets up its demo company)
//     sock=$TALVEX_HOME/socket
//     createdb -h "$sock" -U postgres talvex_bench && createdb -h "$sock" -U postgres talvex_bench10
//     nice build/talvex init-db --scale 1 --db "host=$sock user=postgres dbname=talvex_bench"
//     nice build/talvex init-db --scale 10 --db "host=$sock user=postgres dbname=talvex_bench10"
//     build/bench/DebtOfClientsBench --benchmark_repetitions=5
//     export TALVEX_BENCH_DB="host=$sock user=postgres dbname=talvex_bench10"
//     build/bench/DebtOfClientsBench --benchmark_repetitions=3
//
// Without $TALVEX_BENCH_DB the bench reads talvex_bench. Each benchmark runs once per
// repetition (the steps after one whole run of their own that they start from); take the
// minimum and the median over the repetitions. The counters show that each step did the same
// work (terms read, client rows, grid rows, the reference's rows and clients), and the whole
// report fails when its grand total or its client count differs from the reference's.
#include "ScriptedSession.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/debt/DebtOfClientsFill.hpp"
#include "quarn/debt/frmDebtOfClients.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>

namespace {

using Quarn_DuzAde::DebtOfClientsFill;
using Quarn_DuzAde::DebtOfClientsRow;
using Quarn_DuzAde::frmDebtOfClients;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;

const Date kFirstDay(2026, 1, 1);
const Date kLastDay(2026, 12, 31);

constexpr const char* kYearAnswers = "frmDebtOfClients.edDateBeg = 2026-01-01\n"
                                     "frmDebtOfClients.edDateEnd = 2026-12-31\n"
                                     "frmDebtOfClients.cbDepartment = \n"
                                     "frmDebtOfClients.cbPerson = \n"
                                     "frmDebtOfClients.btFillList click\n";

// The open receivables per department, manager, client and month column (-1: before the
// period), straight from the documents, their stored terms, payments, parties and rates: the
// terms of a posted receivable from the Book's start date to the period's end, cut to the
// document's total (or one term for the whole of a document without stored terms, or one
// more for what the stored terms leave uncovered), paid earliest first; each term's open part
// in the accounting currency at the latest rate of the currency's default rate type on or
// before the document date, rounded to cents; each client's month rounded to cents. A client
// with two managers counts under both, as in the report.
constexpr const char* kReferenceSums = R"sql(
WITH book AS (
    SELECT (SELECT SettingValue FROM BookSetting WHERE SettingName = 'AccountCurrency') AS AccountCurrency,
           (SELECT NULLIF(SettingValue, '')::DATE FROM BookSetting WHERE SettingName = 'StartDate') AS StartDate
), doc AS (
    SELECT d.IDC, d.DocTypeCode, d.DocumentDate, d.Summa, CASE WHEN d.Summa < 0 THEN -1 ELSE 1 END AS Sign,
           d.CurrencyCode <> book.AccountCurrency AS Foreign,
           CASE WHEN d.CurrencyCode = book.AccountCurrency THEN NULL
                ELSE (SELECT r.Rate FROM REFCurrencyRate r
                      WHERE r.CurrencyCode = d.CurrencyCode
                        AND r.RateTypeCode = (SELECT c.DefaultRateType FROM REFCurrency c WHERE c.Code = d.CurrencyCode)
                        AND r.DateApply <= d.DocumentDate
                      ORDER BY r.DateApply DESC LIMIT 1) END AS Rate
    FROM THDocument d CROSS JOIN book
    WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN')
      AND (book.StartDate IS NULL OR d.DocumentDate >= book.StartDate) AND d.DocumentDate <= $2
), paid AS (
    SELECT ps.CorDocID AS IDC, SUM(ps.SummaCur) AS Paid
    FROM THPaySpec ps JOIN THDocument pd ON pd.IDC = ps.DocID
    WHERE ps.CorDocID IN (SELECT IDC FROM doc)
    GROUP BY ps.CorDocID
), stored AS (
    SELECT t.DocID AS IDC, t.PayTerm, t.Summa,
           SUM(t.Summa) OVER w - t.Summa AS Before, ROW_NUMBER() OVER w AS PosNumb,
           COUNT(*) OVER (PARTITION BY t.DocID) AS Terms,
           SUM(t.Summa) OVER (PARTITION BY t.DocID) AS TermsTotal,
           MAX(t.PayTerm) OVER (PARTITION BY t.DocID) AS LastPayTerm
    FROM THDocumentPayTerm t
    WHERE t.DocID IN (SELECT IDC FROM doc)
    WINDOW w AS (PARTITION BY t.DocID ORDER BY t.PayTerm, t.IDC)
), term AS (
    SELECT s.IDC, s.PayTerm, s.PosNumb, LEAST(s.Summa, GREATEST(doc.Summa - s.Before, 0)) AS Summa
    FROM stored s JOIN doc ON doc.IDC = s.IDC
    UNION ALL
    SELECT s.IDC, s.LastPayTerm, s.Terms + 1, doc.Summa - s.TermsTotal
    FROM stored s JOIN doc ON doc.IDC = s.IDC
    WHERE s.PosNumb = 1 AND doc.Summa > s.TermsTotal
    UNION ALL
    SELECT doc.IDC, 0, 1, doc.Summa
    FROM doc WHERE NOT EXISTS (SELECT 1 FROM THDocumentPayTerm t WHERE t.DocID = doc.IDC)
), open AS (
    SELECT doc.IDC, doc.DocTypeCode, doc.DocumentDate, doc.Foreign, doc.Rate,
           doc.Sign * GREATEST(0, LEAST(doc.Sign * term.Summa,
                                        doc.Sign * (SUM(term.Summa) OVER (PARTITION BY term.IDC
                                                                          ORDER BY term.PayTerm, term.PosNumb)
                                                    - COALESCE(paid.Paid, 0)))) AS Debt
    FROM term JOIN doc ON doc.IDC = term.IDC LEFT JOIN paid ON paid.IDC = term.IDC
), amount AS (
    SELECT Party.PartyCode AS Client,
           CASE WHEN o.DocumentDate < $1 THEN -1
                ELSE (EXTRACT(YEAR FROM o.DocumentDate)::INT - EXTRACT(YEAR FROM $1::DATE)::INT) * 12
                     + EXTRACT(MONTH FROM o.DocumentDate)::INT - EXTRACT(MONTH FROM $1::DATE)::INT END AS Bucket,
           CASE WHEN NOT o.Foreign THEN o.Debt ELSE ROUND(o.Debt * o.Rate, 2) END AS Amount
    FROM open o
    JOIN THPartyAttribute Party ON Party.DocId = o.IDC
     AND Party.RolePartyCode = CASE WHEN o.DocTypeCode IN ('PGA', 'PISD') THEN 'PAR' ELSE 'PIR' END
)
SELECT COALESCE(Dep.Code, '') AS DepCode, COALESCE(Mgr.Code, '') AS PerCode, Cln.Code AS ClnCode,
       a.Bucket, ROUND(SUM(a.Amount), 2) AS Amount
FROM amount a
JOIN REFClient Cln ON Cln.Code = a.Client
LEFT JOIN REFClientPerson ClnMgr ON ClnMgr.ClientCode = Cln.Code AND ClnMgr.PersonRoleCode = 'MATS'
LEFT JOIN REFPerson Mgr ON Mgr.Code = ClnMgr.PersonCode
LEFT JOIN REFStaffMember Staff ON Staff.EmployeeCode = ClnMgr.PersonCode AND Staff.IsPrimary = 1
LEFT JOIN REFDepartment Dep ON Dep.Code = Staff.DepCode
GROUP BY 1, 2, 3, 4
)sql";

// What the reference statement gives, read whole.
struct ReferenceResult {
    std::size_t rows = 0;
    std::size_t clients = 0; // department, manager and client
    Currency total;
};

ReferenceResult ReadReference(Talvex::Data::Connection& db)
{
    auto rs = db.QueryPostgres(kReferenceSums, {Value(kFirstDay), Value(kLastDay)});
    ReferenceResult result;
    std::set<std::tuple<std::string, std::string, std::string>> clients;
    for (const auto& row : rs.rows) {
        clients.emplace(row.at(0).ToText(), row.at(1).ToText(), row.at(2).ToText());
        if (!row.at(4).IsNull()) result.total += row.at(4).ToCurrency();
    }
    result.rows = rs.rows.size();
    result.clients = clients.size();
    return result;
}

// One run of the form on a scripted user filling the year; the form stays alive (hidden)
// after the run, so that its source and grid can be read and its steps run again.
struct YearRun {
    explicit YearRun(const std::shared_ptr<Talvex::Book>& book) : user(kYearAnswers)
    {
        param.Add("Book", Talvex::FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book)));
        form.Init(dialog, param);
        dialog.Init(form, nullptr, Value());
        dialog.RunForm(false, false);
    }
    Talvex::Ui::LocalList& Grid() { return form.ListCtl("grdList"); }

    Bench::ScriptedSession user;
    Talvex::FieldList param;
    frmDebtOfClients form;
    Talvex::Ui::BaseDialog dialog;
};

std::size_t ClientRows(const std::vector<DebtOfClientsRow>& rows)
{
    std::size_t clients = 0;
    for (const auto& row : rows)
        clients += row.rowType == DebtOfClientsRow::Type::Client;
    return clients;
}

std::optional<Currency> GrandTotal(const std::vector<DebtOfClientsRow>& rows)
{
    for (const auto& row : rows)
        if (row.rowType == DebtOfClientsRow::Type::GrandTotal) return row.totalSumm;
    return std::nullopt;
}

// A run that reported an error or filled nothing ends the benchmark: its time would be
// nobody's.
bool RunFailed(benchmark::State& state, YearRun& run)
{
    if (const std::string errors = run.user.ErrorsText(); !errors.empty()) {
        state.SkipWithError(("the report failed: " + errors).c_str());
        return true;
    }
    if (!run.form.Source() || run.form.Rows().empty()) {
        state.SkipWithError("the report filled no rows");
        return true;
    }
    return false;
}

void SetTermCounters(benchmark::State& state, std::size_t terms, std::size_t clients)
{
    state.counters["terms"] = static_cast<double>(terms);
    state.counters["clients"] = static_cast<double>(clients);
}

// As the user does it: the form opens (lookups, saved parameters), the user sets the year
// and clicks Fill; the list is fetched, filled in the progress run and shown with footers.
void DebtOfClientsWholeReport(benchmark::State& state)
{
    auto book = Bench::OpenBook("debt_of_clients_bench");
    const ReferenceResult reference = ReadReference(book->Db());
    std::size_t terms = 0;
    std::size_t gridRows = 0;
    std::vector<DebtOfClientsRow> rows;
    for (auto _ : state) {
        YearRun run(book);
        if (RunFailed(state, run)) return;
        terms = run.form.Source()->RecordCount();
        gridRows = run.Grid().RowCount();
        rows = run.form.Rows();
    }
    const std::optional<Currency> total = GrandTotal(rows);
    if (!total || *total != reference.total) {
        state.SkipWithError(("the grand total " + (total ? total->ToString() : std::string("(none)")) +
                             " differs from the reference's " + reference.total.ToString())
                                .c_str());
        return;
    }
    if (ClientRows(rows) != reference.clients) {
        state.SkipWithError(("the report has " + std::to_string(ClientRows(rows)) + " client rows, the reference " +
                             std::to_string(reference.clients))
                                .c_str());
        return;
    }
    SetTermCounters(state, terms, ClientRows(rows));
    state.counters["grid_rows"] = static_cast<double>(gridRows);
    state.counters["ref_clients"] = static_cast<double>(reference.clients);
    state.counters["grand_total"] = static_cast<double>(total->Units()) / 10000.0;
}

// Fetch: the list's statement built, run and read into the recordset, and the rows put in
// the report's order.
void DebtOfClientsFetch(benchmark::State& state)
{
    auto book = Bench::OpenBook("debt_of_clients_bench");
    YearRun run(book);
    if (RunFailed(state, run)) return;
    std::size_t terms = 0;
    for (auto _ : state) {
        auto list = run.form.BuildSourceList();
        list->Refresh();
        run.form.OrderSource(*list->Recordset());
        terms = list->Recordset()->RecordCount();
    }
    SetTermCounters(state, terms, ClientRows(run.form.Rows()));
}

// Compute: every term read typed from the recordset into the one-pass fill, and its rows.
void DebtOfClientsCompute(benchmark::State& state)
{
    auto book = Bench::OpenBook("debt_of_clients_bench");
    YearRun run(book);
    if (RunFailed(state, run)) return;
    auto source = run.form.Source();
    std::size_t clients = 0;
    for (auto _ : state) {
        const auto fields = frmDebtOfClients::FieldsOf(*source);
        DebtOfClientsFill fill(kFirstDay, kLastDay);
        for (std::size_t stored : source->ViewRows())
            fill.Add(frmDebtOfClients::ReadSourceRow(*source, fields, stored));
        const auto rows = fill.Finish();
        clients = ClientRows(rows);
        benchmark::DoNotOptimize(rows.data());
    }
    SetTermCounters(state, source->ViewRows().size(), clients);
}

// Show: the fill's rows bound to the grid (the progress run's last step) and the grid
// refreshed with its styles and footers.
void DebtOfClientsBindGrid(benchmark::State& state)
{
    auto book = Bench::OpenBook("debt_of_clients_bench");
    YearRun run(book);
    if (RunFailed(state, run)) return;
    for (auto _ : state) {
        run.form.Step(run.form.CountStep());
        run.Grid().Refresh();
    }
    SetTermCounters(state, run.form.Source()->RecordCount(), ClientRows(run.form.Rows()));
    state.counters["grid_rows"] = static_cast<double>(run.Grid().RowCount());
}

// The engine's lower bound: the same sums in one statement, every row read.
void DebtOfClientsReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("debt_of_clients_bench");
    ReferenceResult reference;
    for (auto _ : state)
        reference = ReadReference(book->Db());
    state.counters["ref_rows"] = static_cast<double>(reference.rows);
    state.counters["ref_clients"] = static_cast<double>(reference.clients);
}

} // namespace

BENCHMARK(DebtOfClientsWholeReport)->Apply(Bench::Once);
BENCHMARK(DebtOfClientsFetch)->Apply(Bench::Once);
BENCHMARK(DebtOfClientsCompute)->Apply(Bench::Once);
BENCHMARK(DebtOfClientsBindGrid)->Apply(Bench::Once);
BENCHMARK(DebtOfClientsReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
