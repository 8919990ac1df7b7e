// The cash-flow cube at the bench scale: from the button to the first grid as a user runs it
// (parameter form answered, the six parts and the cash rests read, the running rests worked
// out, the cube activated and folded), and beside it one hand-written statement giving the
// same flows straight from the terms, documents, postings and plans with the day's rates.
//
//     export TALVEX_BENCH_DB="host=/work/bench-home/socket user=postgres dbname=talvex_bench"
//     build/bench/CashFlowBench --benchmark_repetitions=5
//
// Take the minimum and the median over the repetitions. The run fails when the cube's
// payments differ from the reference's.
#include "ScriptedSession.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RCashFlow.hpp"
#include "support/BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using Quarn_DuzAde::RCashFlow;
using Talvex::Currency;
using Talvex::Value;

constexpr const char* kAnswers = "fCubeCashFlow.edBegDate = 2026-01-01\n"
                                 "fCubeCashFlow.edEndDate = 2026-06-30\n"
                                 "fCubeCashFlow.cbAccSet = B\n"
                                 "fCubeCashFlow.cbGenAcc = BSP\n"
                                 "fCubeCashFlow.cbAnType = CF\n"
                                 "fCubeCashFlow.cbAcc = 27\n"
                                 "fCubeCashFlow.chPlanRest = 1\n"
                                 "fCubeCashFlow.chSFRest = 1\n"
                                 "fCubeCashFlow.chFactRest = 1\n"
                                 "fCubeCashFlow.btOK click\n";

// The window opens on Wednesday 31 December 2025 (the payment day before 1 January); a row
// counts when its payment day is not after 30 June 2026.
constexpr const char* kReferenceSql = R"sql(
WITH acc AS (SELECT SettingValue AS Cur FROM BookSetting WHERE SettingName = 'AccountCurrency'),
budget AS (SELECT Code FROM GLAccountParent WHERE AccSetCode = 'B' AND Parent = 'BSP'),
paid AS (SELECT CorDocID, sum(SummaCur) AS Paid FROM THPaySpec GROUP BY CorDocID),
flows (Day, Cur, RateDay, Amount, Pay) AS (
    SELECT DATE '2025-12-31', s.CurrencyCode, s.DocumentDate,
           CASE WHEN s.DocTypeCode IN ('PRSF', 'TPPR') THEN 1 ELSE -1 END * s.DebtSumma, 0
    FROM THDocPayTermState s
    WHERE s.DocTypeCode IN ('PRSF', 'PISF', 'TPPR', 'TPPI') AND s.IsPosted = 1 AND s.DebtSumma <> 0
      AND s.NeedPayDate < DATE '2025-12-31'
    UNION ALL
    SELECT g.DatePost, (SELECT Cur FROM acc), g.DatePost,
           CASE WHEN g.DebetAccCode IN (SELECT Code FROM budget) THEN g.SumAcc ELSE -g.SumAcc END, 0
    FROM GLAccountPost g
    WHERE g.AccSetCode = 'B' AND g.IsPosted = 1 AND g.DatePost BETWEEN DATE '2025-12-31' AND DATE '2026-06-30'
      AND (g.DebetAccCode IN (SELECT Code FROM budget) OR g.CreditAccCode IN (SELECT Code FROM budget))
    UNION ALL
    SELECT d.DocumentDate, d.CurrencyCode, d.DocumentDate,
           CASE WHEN d.DocTypeCode IN ('PRSF', 'TPPR', 'PRS') THEN 1 ELSE -1 END * (d.Summa - COALESCE(p.Paid, 0)), 0
    FROM THDocument d LEFT JOIN paid p ON p.CorDocID = d.IDC
    WHERE d.DocTypeCode IN ('PRSF', 'PISF', 'TPPR', 'TPPI', 'PRS', 'PIS')
      AND (d.DocTypeCode IN ('PRS', 'PIS') OR d.IsPosted = 1)
      AND NOT EXISTS (SELECT 1 FROM THDocumentPayTerm t WHERE t.DocID = d.IDC)
      AND d.DocumentDate BETWEEN DATE '2025-12-31' AND DATE '2026-06-30'
    UNION ALL
    SELECT d.DocumentDate + t.PayTerm, d.CurrencyCode, d.DocumentDate,
           CASE WHEN d.DocTypeCode IN ('PRSF', 'TPPR', 'PRS') THEN 1 ELSE -1 END * t.Summa, 0
    FROM THDocument d JOIN THDocumentPayTerm t ON t.DocID = d.IDC
    WHERE d.DocTypeCode IN ('PRSF', 'PISF', 'TPPR', 'TPPI', 'PRS', 'PIS')
      AND (d.DocTypeCode IN ('PRS', 'PIS') OR d.IsPosted = 1)
      AND d.DocumentDate + t.PayTerm BETWEEN DATE '2025-12-31' AND DATE '2026-06-30'
    UNION ALL
    SELECT c.NeedPayDate, d.CurrencyCode, d.DocumentDate, -s.Summa, 0
    FROM THGoodSpecCPAY c
    JOIN THDocument d ON d.IDC = c.DocID AND d.DocTypeCode = 'CPAY'
    JOIN THGoodSpec s ON s.DocID = c.DocID AND s.PosNumb = c.PosNumb
    WHERE c.NeedPayDate BETWEEN DATE '2025-12-31' AND DATE '2026-06-30'
    UNION ALL
    SELECT d.DocumentDate, d.CurrencyCode, d.DocumentDate, 0,
           CASE WHEN d.DocTypeCode IN ('KOP', 'KVT', 'MPP', 'MPPT') THEN d.Summa ELSE -d.Summa END
    FROM THDocument d
    WHERE d.DocTypeCode IN ('KOP', 'KVT', 'MPP', 'MPPT', 'KOI', 'MP', 'MPT') AND d.IsPosted = 1
      AND d.DocumentDate BETWEEN DATE '2025-12-31' AND DATE '2026-06-30'
)
SELECT sum(CASE WHEN f.Cur = (SELECT Cur FROM acc) THEN f.Amount ELSE round(f.Amount * r.Rate, 2) END)::text,
       sum(CASE WHEN f.Cur = (SELECT Cur FROM acc) THEN f.Pay ELSE round(f.Pay * r.Rate, 2) END)::text, count(*)
FROM flows f
LEFT JOIN REFCurrency c ON c.Code = f.Cur
LEFT JOIN REFCurrencyRateDay r ON r.CurrencyCode = f.Cur AND r.RateTypeCode = c.DefaultRateType AND r.RateDate = f.RateDay
WHERE f.Day + CASE extract(isodow FROM f.Day)::int WHEN 1 THEN 2 WHEN 2 THEN 1 WHEN 3 THEN 0
                   WHEN 4 THEN 2 WHEN 5 THEN 1 WHEN 6 THEN 0 ELSE 3 END <= DATE '2026-06-30'
)sql";

Currency ReferencePayments(Talvex::Book& book)
{
    const auto rs = book.Db().QueryPostgres(kReferenceSql);
    return Currency::Parse(rs.rows.at(0).at(1).ToText());
}

Currency CubeTotal(Talvex::CCube& cube, const char* fact)
{
    const auto& grid = cube.cube().Grid();
    const auto value = grid.FactValue(*grid.FindRow({}), *grid.FindColHeader({}), fact).value_or(0);
    return Currency::Parse(std::to_string(value)).RoundHalfAwayFromZero(2);
}

void CashFlowButtonToFirstGrid(benchmark::State& state)
{
    Currency payments;
    std::size_t cells = 0;
    for (auto _ : state) {
        Bench::ScriptedSession session{kAnswers};
        auto report = std::make_shared<RCashFlow>();
        Talvex::FieldList params;
        params.Add("Book", Talvex::FieldType::kObject,
                   Value(std::shared_ptr<Talvex::Object>(Bench::OpenBook("cash_flow_bench"))));
        if (!report->Prepare(params)) {
            state.SkipWithError("no Book");
            return;
        }
        Talvex::CCube& cube = Talvex::OpenCubeForm(report);
        if (!session.ErrorsText().empty() || !cube.cube().Active()) {
            state.SkipWithError(("the cube did not open: " + session.ErrorsText()).c_str());
            return;
        }
        cells = cube.cube().Grid().RowCount();
        payments = CubeTotal(cube, "PaySumma");
    }
    const Currency reference = ReferencePayments(*Bench::OpenBook("cash_flow_bench"));
    if ((payments - reference).RoundHalfAwayFromZero(1) != Currency())
        state.SkipWithError(("payments " + payments.ToString() + " differ from " + reference.ToString()).c_str());
    state.counters["gridRows"] = static_cast<double>(cells);
    state.counters["payments"] = payments.ToDouble();
}

// The lower bound: the flows in one statement.
void CashFlowReferenceSql(benchmark::State& state)
{
    auto book = Bench::OpenBook("cash_flow_bench");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReferencePayments(*book));
}

} // namespace

BENCHMARK(CashFlowButtonToFirstGrid)->Apply(Bench::Once);
BENCHMARK(CashFlowReferenceSql)->Apply(Bench::Once);
BENCHMARK_MAIN();
