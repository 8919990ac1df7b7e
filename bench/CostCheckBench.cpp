// The cost check of one year (2026) as a user runs it: the four lists read and the
// manufacturing totals recalculated from each order's fact cost (what "Pritaikyti" does);
// beside it the least the database can do: one hand-written statement over the base tables
// giving the same row counts and the same recalculated order totals.
//
// Runs against $TALVEX_BENCH_DB (else "talvex_bench" on the local server of $TALVEX_HOME), a
// company built at scale 1 by this version of the generator (its sale rows carry changed costs):
//
//     createdb -h "$sock" -U postgres talvex_bench_cost
//     nice build/talvex init-db --scale 1 --db "host=$sock user=postgres dbname=talvex_bench_cost"
//     export TALVEX_BENCH_DB="host=$sock user=postgres dbname=talvex_bench_cost"
//     build/bench/CostCheckBench --benchmark_repetitions=5
//
// The writing passes run in a transaction rolled back: nothing stays written. Each benchmark runs once per repetition;
// take the minimum and the median. The check fails when its counts or its recalculated total differ from the
// reference's.
#include "ScriptedSession.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/cost/CostCheck.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

namespace {

using Quarn_DuzAde::CostCheck;
using Talvex::Currency;
using Talvex::Value;

constexpr const char* kYearAnswers = "CostCheck.edDateBeg = 2026-01-01\n"
                                     "CostCheck.edDateEnd = 2026-12-31\n"
                                     "CostCheck.btFillList click\n";

// The same selections straight from the tables: documents of the year on or after the access
// date, posted; the changed orders' fact cost from their posted issues, work and work
// materials.
constexpr const char* kReference = R"sql(
WITH book AS (
    SELECT GREATEST((SELECT NULLIF(SettingValue, '')::DATE FROM BookSetting WHERE SettingName = 'AccessTHDate'),
                    (SELECT NULLIF(SettingValue, '')::DATE FROM BookSetting WHERE SettingName = 'StartDate')) AS Access
), changed AS (
    SELECT count(*) AS n FROM THDocument d CROSS JOIN book
    JOIN THGoodSpec g ON g.DocID = d.IDC
     AND (g.IsCostChanged = 1 OR (g.PosNumb = (SELECT min(f.PosNumb) FROM THGoodSpec f WHERE f.DocID = d.IDC)
          AND NOT EXISTS (SELECT 1 FROM THGoodSpec m WHERE m.DocID = d.IDC AND m.IsCostChanged = 1)))
    WHERE d.IsPosted = 1 AND d.IsCostChanged = 1 AND d.DocumentDate BETWEEN $1 AND $2 AND d.DocumentDate >= book.Access
), material AS (
    SELECT m.IDC, m.DocTypeCode, m.ParentID FROM THDocument m CROSS JOIN book
    WHERE m.DocTypeCode IN ('MOS', 'MMW', 'MNM') AND m.IsPosted = 1 AND m.IsCostChanged = 1
      AND m.DocumentDate BETWEEN $1 AND $2 AND m.DocumentDate >= book.Access
      AND EXISTS (SELECT 1 FROM THGoodSpec g WHERE g.DocID = m.IDC AND g.IsCostChanged = 1)
), orders AS (
    SELECT DISTINCT o.IDC FROM THDocument o CROSS JOIN book
    WHERE o.DocTypeCode = 'MO' AND o.DocumentDate >= book.Access
      AND o.IDC IN (SELECT CASE WHEN m.DocTypeCode = 'MNM' THEN w.ParentID ELSE m.ParentID END
                    FROM material m LEFT JOIN THDocument w ON w.IDC = m.ParentID)
), fact AS (
    SELECT o.IDC, round(COALESCE(sum(g.CostSumm), 0), 2) AS Fact
    FROM orders o
    LEFT JOIN THDocument d ON d.IsPosted = 1 AND ((d.DocTypeCode IN ('MOS', 'MMW') AND d.ParentID = o.IDC)
        OR (d.DocTypeCode = 'MNM' AND d.ParentID IN (SELECT w.IDC FROM THDocument w
                                                      WHERE w.DocTypeCode = 'MMW' AND w.ParentID = o.IDC)))
    LEFT JOIN THGoodSpec g ON g.DocID = d.IDC
    GROUP BY o.IDC
), norms AS (
    SELECT count(*) AS n FROM THDocument d CROSS JOIN book
    WHERE d.DocTypeCode = 'NUR' AND d.IsPosted = 1 AND d.CommingInForceDate <= $2 AND d.TermsOfValidityDate >= $1
      AND d.DocumentDate >= book.Access
), returns AS (
    SELECT count(*) AS n FROM THDocument d CROSS JOIN book
    JOIN THGoodSpec s ON s.DocID = d.IDC
    JOIN THGoodContent c ON c.SpecID = s.IDC AND c.LinkKindCode = 'GR'
    JOIN THGoodSpec p ON p.IDC = c.CorSpecID
    WHERE d.DocTypeCode = 'GPG' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN $1 AND $2 AND d.DocumentDate >= book.Access
      AND round(CASE WHEN s.UnitCode = p.UnitCode THEN COALESCE(p.CostSumm / NULLIF(p.Amount, 0), 0) * s.Amount
                     ELSE COALESCE(p.CostSumm / NULLIF(p.AmountAccount, 0), 0) * s.AmountAccount END, 2) <> s.CostSumm
)
SELECT (SELECT n FROM changed), (SELECT count(*) FROM fact), (SELECT COALESCE(sum(Fact), 0) FROM fact),
       (SELECT n FROM norms), (SELECT n FROM returns)
)sql";

struct Figures {
    std::int64_t changedRows = 0;
    std::int64_t orders = 0;
    Currency orderTotal;
    std::int64_t norms = 0;
    std::int64_t returns = 0;
    bool operator==(const Figures&) const = default;
    std::string Text() const
    {
        return "(orders " + std::to_string(orders) + ", total " + orderTotal.ToString() + ", changed rows " +
               std::to_string(changedRows) + ", norms " + std::to_string(norms) + ", returns " +
               std::to_string(returns) + ")";
    }
};

Figures ReadReference(Talvex::Data::Connection& db)
{
    const auto row =
        db.QueryPostgres(kReference, {Value(Talvex::Date(2026, 1, 1)), Value(Talvex::Date(2026, 12, 31))}).rows.at(0);
    return {row[0].ToInteger(), row[1].ToInteger(), row[2].ToCurrency(), row[3].ToInteger(), row[4].ToInteger()};
}

// One run of the form on a scripted user giving `answers`; it stays open for its lists.
struct FormRun {
    FormRun(const std::shared_ptr<Talvex::Book>& book, const char* answers) : user(answers)
    {
        param.Add("Book", Talvex::FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(book)));
        form.Init(dialog, param);
        dialog.Init(form, nullptr, Value());
        dialog.RunForm(false, false);
    }
    Figures Listed() const
    {
        Figures f;
        f.changedRows = static_cast<std::int64_t>(form.ChDoc().RowCount());
        std::map<std::int64_t, Currency> orders;
        const auto& mf = form.MFDoc();
        for (std::size_t r = 0; r < mf.RowCount(); ++r)
            if (mf.Get(r, "DocTypeCode").ToText() == "MO")
                orders[mf.Get(r, "IDC").ToInteger()] = mf.Get(r, "DocNewFSum").ToCurrency();
        f.orders = static_cast<std::int64_t>(orders.size());
        for (const auto& [order, total] : orders)
            f.orderTotal += total;
        f.norms = static_cast<std::int64_t>(form.WRDoc().RowCount());
        f.returns = static_cast<std::int64_t>(form.RetDoc().RowCount());
        return f;
    }

    Bench::ScriptedSession user;
    Talvex::FieldList param;
    CostCheck form;
    Talvex::Ui::BaseDialog dialog;
};

void SetCounters(benchmark::State& state, const Figures& f)
{
    state.counters["changed_rows"] = static_cast<double>(f.changedRows);
    state.counters["orders"] = static_cast<double>(f.orders);
    state.counters["norms"] = static_cast<double>(f.norms);
    state.counters["returns"] = static_cast<double>(f.returns);
    state.counters["order_total"] = static_cast<double>(f.orderTotal.Units()) / 10000.0;
}

// As the user does it: the form opens, the user sets the year and clicks "Pritaikyti".
void CostCheckYear(benchmark::State& state)
{
    auto book = Bench::OpenBook("cost_check_bench");
    Figures listed;
    for (auto _ : state) {
        FormRun run(book, kYearAnswers);
        if (const std::string errors = run.user.ErrorsText(); !errors.empty()) {
            state.SkipWithError(("the check failed: " + errors).c_str());
            return;
        }
        listed = run.Listed();
    }
    if (!Bench::SameAsReference(state, "the check", listed, ReadReference(book->Db()))) return;
    Bench::CountPeakMemory(state);
    SetCounters(state, listed);
}

// The writing passes over one quarter (July to September 2026) as the user runs them after the check:
// manufacturing sums, return rows' cost, finishing; inside a transaction rolled back after
// each repetition, so that the company stays as it was and every repetition writes the same.
void CostCheckWriteQuarter(benchmark::State& state)
{
    auto book = Bench::OpenBook("cost_check_bench");
    std::size_t changed = 0, returns = 0;
    for (auto _ : state) {
        Talvex::Data::Transaction undone(book->Db());
        FormRun run(book, "CostCheck.edDateBeg = 2026-07-01\n"
                          "CostCheck.edDateEnd = 2026-09-30\n"
                          "CostCheck.btFillList click\n"
                          "CostCheck.btSaveMFDocSum click\n"
                          "CostCheck.btRecalcCostSum click\n"
                          "message Gerai\n"
                          "CostCheck.btReCheckSourceDoc click\n"
                          "message Gerai\n");
        if (const std::string errors = run.user.ErrorsText(); !errors.empty()) {
            state.SkipWithError(("the passes failed: " + errors).c_str());
            return;
        }
        changed = run.form.ChDoc().RowCount();
        returns = run.form.RetDoc().RowCount();
    }
    state.counters["changed_rows"] = static_cast<double>(changed);
    state.counters["returns"] = static_cast<double>(returns);
}

// The engine's lower bound: the same figures in one statement.
void CostCheckReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("cost_check_bench");
    SetCounters(state, Bench::ReferenceRun(state, [&] { return ReadReference(book->Db()); }));
}

} // namespace

BENCHMARK(CostCheckYear)->Apply(Bench::Once);
BENCHMARK(CostCheckWriteQuarter)->Apply(Bench::Once);
BENCHMARK(CostCheckReferenceSql)->Apply(Bench::Once);

BENCHMARK_MAIN();
