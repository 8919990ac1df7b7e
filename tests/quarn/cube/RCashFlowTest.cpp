#include "quarn/cube/RCashFlow.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/fCubeCashFlow.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::CashFlowParams;
using Quarn_DuzAde::CashFlowRows;
using Quarn_DuzAde::fCubeCashFlow;
using Quarn_DuzAde::RCashFlow;

namespace {

constexpr double kTolerance = 0.005;

class CashFlowCubeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("cashflow_tester");
        params = RCashFlow::DefaultParams(*book);
        params.begDate = Date(2026, 3, 5); // a Thursday: the window opens on 4 March
        params.endDate = Date(2026, 6, 30);
        params.planRest = params.sfRest = params.factRest = true;
    }

    // Every flow of the cube worked out in plain PostgreSQL from the documents, terms,
    // postings and plans: each amount in the accounting currency by the latest rate up to its
    // rate day, counted when its payment day (the next Wednesday or Saturday) is in the window.
    std::map<std::string, double> ExpectedTotals() const
    {
        const std::string acc = book->AccountCurrency();
        const std::string ws = "DATE '2026-03-04'";
        const std::string fin = "DATE '2026-06-30'";
        const std::string sql = R"sql(
        WITH budget AS (SELECT Code FROM GLAccountParent WHERE AccSetCode = ')sql" + params.accSetBudget +
                                R"sql(' AND Parent = ')sql" + params.accBudget + R"sql('),
        paid AS (SELECT CorDocID, sum(SummaCur) AS Paid FROM THPaySpec GROUP BY CorDocID),
        flows (Part, Day, Cur, RateDay, BegDebt, Debt, Plan, BPlan, Pay) AS (
            SELECT 'BegDebt', )sql" + ws + R"sql(, s.CurrencyCode, s.DocumentDate,
                   CASE WHEN s.DocTypeCode IN ('PRSF', 'TPPR') THEN 1 ELSE -1 END * s.DebtSumma, 0, 0, 0, 0
            FROM THDocPayTermState s
            WHERE s.DocTypeCode IN ('PRSF', 'PISF', 'TPPR', 'TPPI') AND s.IsPosted = 1 AND s.DebtSumma <> 0
              AND s.NeedPayDate < )sql" + ws + R"sql(
            UNION ALL
            SELECT 'bpost', g.DatePost, ')sql" + acc + R"sql(', g.DatePost, 0, 0, 0,
                   CASE WHEN g.DebetAccCode IN (SELECT Code FROM budget) THEN g.SumAcc ELSE -g.SumAcc END, 0
            FROM GLAccountPost g
            WHERE g.AccSetCode = ')sql" + params.accSetBudget + R"sql(' AND g.IsPosted = 1
              AND g.DatePost BETWEEN )sql" + ws + " AND " + fin + R"sql(
              AND (g.DebetAccCode IN (SELECT Code FROM budget) OR g.CreditAccCode IN (SELECT Code FROM budget))
            UNION ALL
            SELECT 'BDoc', d.DocumentDate, d.CurrencyCode, d.DocumentDate, 0,
                   CASE WHEN inv THEN sgn * u ELSE 0 END, CASE WHEN inv THEN 0 ELSE sgn * u END, 0, 0
            FROM THDocument d
            LEFT JOIN paid p ON p.CorDocID = d.IDC
            CROSS JOIN LATERAL (SELECT d.Summa - COALESCE(p.Paid, 0) AS u,
                                       d.DocTypeCode IN ('PRSF', 'PISF', 'TPPR', 'TPPI') AS inv,
                                       CASE WHEN d.DocTypeCode IN ('PRSF', 'TPPR', 'PRS') THEN 1 ELSE -1 END AS sgn) x
            WHERE d.DocTypeCode IN ('PRSF', 'PISF', 'TPPR', 'TPPI', 'PRS', 'PIS') AND (NOT x.inv OR d.IsPosted = 1)
              AND NOT EXISTS (SELECT 1 FROM THDocumentPayTerm t WHERE t.DocID = d.IDC)
              AND d.DocumentDate BETWEEN )sql" + ws + " AND " + fin + R"sql( AND x.u <> 0
            UNION ALL
            SELECT 'BDocTerm', d.DocumentDate + t.PayTerm, d.CurrencyCode, d.DocumentDate, 0,
                   CASE WHEN inv THEN sgn * t.Summa ELSE 0 END, CASE WHEN inv THEN 0 ELSE sgn * t.Summa END, 0, 0
            FROM THDocument d
            JOIN THDocumentPayTerm t ON t.DocID = d.IDC
            CROSS JOIN LATERAL (SELECT d.DocTypeCode IN ('PRSF', 'PISF', 'TPPR', 'TPPI') AS inv,
                                       CASE WHEN d.DocTypeCode IN ('PRSF', 'TPPR', 'PRS') THEN 1 ELSE -1 END AS sgn) x
            WHERE d.DocTypeCode IN ('PRSF', 'PISF', 'TPPR', 'TPPI', 'PRS', 'PIS') AND (NOT x.inv OR d.IsPosted = 1)
              AND d.DocumentDate + t.PayTerm BETWEEN )sql" + ws + " AND " + fin + R"sql(
            UNION ALL
            SELECT 'cpay', c.NeedPayDate, d.CurrencyCode, d.DocumentDate, 0, 0, -s.Summa, 0, 0
            FROM THGoodSpecCPAY c
            JOIN THDocument d ON d.IDC = c.DocID AND d.DocTypeCode = 'CPAY'
            JOIN THGoodSpec s ON s.DocID = c.DocID AND s.PosNumb = c.PosNumb
            WHERE c.NeedPayDate BETWEEN )sql" + ws + " AND " + fin + R"sql(
            UNION ALL
            SELECT 'pdoc', d.DocumentDate, d.CurrencyCode, d.DocumentDate, 0, 0, 0, 0,
                   CASE WHEN d.DocTypeCode IN ('KOP', 'KVT', 'MPP', 'MPPT') THEN d.Summa ELSE -d.Summa END
            FROM THDocument d
            WHERE d.DocTypeCode IN ('KOP', 'KVT', 'MPP', 'MPPT', 'KOI', 'MP', 'MPT') AND d.IsPosted = 1
              AND d.DocumentDate BETWEEN )sql" + ws + " AND " + fin + R"sql(
        ),
        converted AS (
            SELECT f.Part, v.*
            FROM flows f
            LEFT JOIN LATERAL (
                SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
                WHERE r.CurrencyCode = f.Cur AND r.RateTypeCode = cu.DefaultRateType AND r.DateApply <= f.RateDay
                ORDER BY r.DateApply DESC LIMIT 1) cr ON TRUE
            CROSS JOIN LATERAL (SELECT
                CASE WHEN f.Cur = ')sql" + acc + R"sql(' THEN f.BegDebt ELSE round(f.BegDebt * cr.Rate, 2) END AS BegDebt,
                CASE WHEN f.Cur = ')sql" + acc + R"sql(' THEN f.Debt ELSE round(f.Debt * cr.Rate, 2) END AS Debt,
                CASE WHEN f.Cur = ')sql" + acc + R"sql(' THEN f.Plan ELSE round(f.Plan * cr.Rate, 2) END AS Plan,
                CASE WHEN f.Cur = ')sql" + acc + R"sql(' THEN f.BPlan ELSE round(f.BPlan * cr.Rate, 2) END AS BPlan,
                CASE WHEN f.Cur = ')sql" + acc + R"sql(' THEN f.Pay ELSE round(f.Pay * cr.Rate, 2) END AS Pay) v
            WHERE f.Day + CASE extract(isodow FROM f.Day)::int WHEN 1 THEN 2 WHEN 2 THEN 1 WHEN 3 THEN 0
                                WHEN 4 THEN 2 WHEN 5 THEN 1 WHEN 6 THEN 0 ELSE 3 END <= )sql" + fin + R"sql(
        )
        SELECT 'total', sum(BegDebt)::float8, sum(Debt)::float8, sum(Plan)::float8, sum(BPlan)::float8,
               sum(Pay)::float8, count(*)
        FROM converted
        UNION ALL
        SELECT Part, sum(BegDebt)::float8, sum(Debt)::float8, sum(Plan)::float8, sum(BPlan)::float8,
               sum(Pay)::float8, count(*)
        FROM converted GROUP BY Part)sql";
        std::map<std::string, double> totals;
        for (const auto& row : book->Db().QueryPostgres(sql).rows) {
            const std::string part = row.at(0).ToText();
            const char* names[] = {"BegDebtSumma", "DebtSumma", "PlanSumma", "BPlanSumma", "PaySumma"};
            for (std::size_t i = 0; i < 5; ++i)
                totals[part + "." + names[i]] = row.at(i + 1).IsNull() ? 0 : row.at(i + 1).ToDouble();
            totals[part + ".rows"] = static_cast<double>(row.at(6).ToInteger());
        }
        return totals;
    }

    // The cash account's rest before the window from the postings themselves.
    double OpeningCashRest() const
    {
        return book->Db()
            .QueryPostgres("SELECT COALESCE(sum(CASE WHEN d.Code IS NOT NULL THEN g.SumAcc ELSE 0 END) - "
                           "sum(CASE WHEN c.Code IS NOT NULL THEN g.SumAcc ELSE 0 END), 0)::float8 "
                           "FROM GLAccountPost g "
                           "LEFT JOIN GLAccountParent d ON d.AccSetCode = g.AccSetCode AND d.Code = g.DebetAccCode "
                           "  AND d.Parent = '" + params.acc + "' "
                           "LEFT JOIN GLAccountParent c ON c.AccSetCode = g.AccSetCode AND c.Code = g.CreditAccCode "
                           "  AND c.Parent = '" + params.acc + "' "
                           "WHERE g.AccSetCode = '1' AND g.IsPosted = 1 AND g.DatePost < DATE '2026-03-04'")
            .rows.at(0)
            .at(0)
            .ToDouble();
    }

    std::shared_ptr<Book> book;
    CashFlowParams params;
};

// The user's answers on the cash-flow form: the period and the three rests on or off.
Testing::ScriptedUser& AnswerForm(Testing::ScriptedUser& user, const char* beg, const char* end, bool rests)
{
    const char* on = rests ? "1" : "0";
    return user.Set("fCubeCashFlow", "edBegDate", beg)
        .Set("fCubeCashFlow", "edEndDate", end)
        .Set("fCubeCashFlow", "chPlanRest", on)
        .Set("fCubeCashFlow", "chSFRest", on)
        .Set("fCubeCashFlow", "chFactRest", on)
        .Click("fCubeCashFlow", "btOK");
}

// The report run in the user's session as the client runs it, by `entry` (Main from the
// menu, Test for the fixed run), with only the Book given.
struct ClientRun {
    ClientRun(Testing::ScriptedUser& user, const std::shared_ptr<Book>& book,
              void (RCashFlow::*entry)(FieldList&) = &RCashFlow::Main)
        : app(user.Session()), scope(app)
    {
        FieldList in;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        ((*report).*entry)(in);
    }
    ClientApp app;
    ClientApp::Scope scope;
    std::shared_ptr<RCashFlow> report = std::make_shared<RCashFlow>();
};

} // namespace

// The company's defaults are the budget chart's cash-flow account, its flow-kind analytic and
// the bank and cash group of the books.
TEST_F(CashFlowCubeTest, DefaultsAreTheBudgetAccountItsAnalyticAndTheCashGroup)
{
    const auto defaults = RCashFlow::DefaultParams(*book);
    EXPECT_EQ(defaults.accSetBudget, "B");
    EXPECT_EQ(defaults.accBudget, "BSP");
    EXPECT_EQ(defaults.flowKindAnlt, "CF");
    EXPECT_EQ(defaults.acc, "27");
    EXPECT_EQ(fCubeCashFlow::Check(*book, defaults).message, "");
}

// Every part of the data has rows in the demo company, and each flow's total, part by part,
// equals the independent computation; the opening cash rest is the account's ledger rest.
TEST_F(CashFlowCubeTest, EveryPartHasRowsAndTheTotalsMatchAnIndependentComputation)
{
    const CashFlowRows rows = RCashFlow::Compute(book, params);
    const auto expected = ExpectedTotals();
    std::map<std::string, double> got;
    std::map<std::string, int> counts;
    for (const auto& row : rows.Rows()) {
        ++counts[row.part];
        for (const auto& key : {std::string("total."), row.part + "."}) {
            got[key + "BegDebtSumma"] += row.begDebtSumma.ToDouble();
            got[key + "DebtSumma"] += row.debtSumma.ToDouble();
            got[key + "PlanSumma"] += row.planSumma.ToDouble();
            got[key + "BPlanSumma"] += row.bPlanSumma.ToDouble();
            got[key + "PaySumma"] += row.paySumma.ToDouble();
        }
        EXPECT_LE(row.recDate, params.endDate);
        EXPECT_GE(row.recDate, Date(2026, 3, 4));
        const unsigned weekday = row.recDate.IsoWeekday();
        EXPECT_TRUE(weekday == 3 || weekday == 6) << row.part << " " << row.recDate.ToIso();
    }
    for (const char* part : {"BegDebt", "bpost", "BDoc", "BDocTerm", "cpay", "pdoc", "CashRest"}) {
        SCOPED_TRACE(part);
        EXPECT_GT(counts[part], 0);
        if (std::string(part) != "CashRest") {
            EXPECT_EQ(counts[part], static_cast<int>(expected.at(std::string(part) + ".rows")));
        }
    }
    for (const auto& [key, value] : expected) {
        if (key.ends_with(".rows")) continue;
        EXPECT_NEAR(got[key], value, kTolerance) << key;
    }
    EXPECT_NEAR(rows.GrandTotals().begPlanRest.ToDouble(), OpeningCashRest(), kTolerance);
    // The actual rest at the end is the opening cash and every payment of the window.
    EXPECT_NEAR(rows.GrandTotals().factRest.ToDouble(), OpeningCashRest() + expected.at("total.PaySumma"),
                kTolerance);
}

// The whole road: the form answered, the cube shown with its totals, a double-click on a
// cell lists rows that add up to it; a period without anything says so.
TEST_F(CashFlowCubeTest, RunShowsTheCubeItsTotalsAndTheRowsBehindACell)
{
    {
        Testing::ScriptedUser user;
        AnswerForm(user, "2026-03-05", "2026-06-30", true).Accept("CubeSrcList");
        ClientRun run(user, book);
        ASSERT_EQ(user.ErrorsText(), "");
        CCube* shownCube = CubeRunChecks::ShownCube(user);
        ASSERT_NE(shownCube, nullptr);
        CCube& cube = *shownCube;
        EXPECT_EQ(cube.Caption(), "Cash flow 2026-03-05 - 2026-06-30 CF B BSP");
        const auto& grid = cube.cube().Grid();
        auto total = grid.FindRow({});
        auto all = grid.FindColHeader({});
        ASSERT_TRUE(total && all);
        const auto totals = RCashFlow::Compute(book, run.report->Params()).GrandTotals();
        EXPECT_NEAR(grid.FactValue(*total, *all, "PaySumma").value_or(0), totals.paySumma.ToDouble(), kTolerance);
        EXPECT_NEAR(grid.FactValue(*total, *all, "FactRest").value_or(0), totals.factRest.ToDouble(), kTolerance);
        EXPECT_NEAR(grid.FactValue(*total, *all, "PlanRest").value_or(0), totals.planRest.ToDouble(), kTolerance);
        EXPECT_NEAR(grid.FactValue(*total, *all, "Deviation").value_or(0),
                    (totals.paySumma - totals.planSumma - totals.debtSumma).ToDouble(), kTolerance);

        // The first flow-kind group's payments: the drill-down lists rows that add up to them.
        double cellSum = 0;
        ASSERT_NO_FATAL_FAILURE(
            CubeRunChecks::ExpectDrillDownAddsUp(user, cube, *run.report->Wrapper(), "PaySumma", kTolerance, cellSum));
    }
    {
        Testing::ScriptedUser user;
        AnswerForm(user, "2024-01-01", "2024-01-31", false).Answer("OK");
        ClientRun run(user, book);
        EXPECT_TRUE(CubeRunChecks::ToldOnly(user, "There is no cash flow to show from 2024-01-01 to 2024-01-31."));
    }
}

// Each bad choice is refused at its control with its message, and the form stays open for
// the next try.
TEST_F(CashFlowCubeTest, FormRefusesBadChoicesAtTheirControls)
{
    Testing::ScriptedUser user;
    const char* f = "fCubeCashFlow";
    user.Set(f, "edBegDate", "2026-06-30").Set(f, "edEndDate", "2026-03-01").Click(f, "btOK");
    user.Set(f, "edEndDate", "2026-06-30").Set(f, "cbAccSet", "").Click(f, "btOK");
    user.Set(f, "cbAccSet", "B").Click(f, "btOK");
    user.Set(f, "cbGenAcc", "BRZ").Click(f, "btOK");
    user.Set(f, "cbGenAcc", "BSP").Set(f, "cbAnType", "CF").Set(f, "cbAcc", "").Set(f, "chFactRest", "1");
    user.Click(f, "btOK");
    user.Set(f, "cbAcc", "240").Click(f, "btOK");
    user.Click(f, "btCancel");
    ClientApp app(user.Session());
    ClientApp::Scope scope(app);
    fCubeCashFlow form;
    FieldList given;
    CashFlowParams chosen;
    EXPECT_FALSE(form.Run(book, given, chosen));
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(user.MessageTexts(), (std::vector<std::string>{
                                       "fCubeCashFlow.edEndDate: The dates of the period are wrong.",
                                       "fCubeCashFlow.cbAccSet: Choose an account set.",
                                       "fCubeCashFlow.cbGenAcc: Choose a budget account.",
                                       "fCubeCashFlow.cbAnType: Choose an analytic type.",
                                       "fCubeCashFlow.cbAcc: Choose a cash account.",
                                       "fCubeCashFlow.cbAcc: The account 240 has no analytic of type CF.",
                                   }));
}

// Codes that came from elsewhere than the lists (saved settings, a tile) are checked against
// the charts: a set of the books is no budget set, a code holding a quote, a semicolon and
// comment markers is only a code the chart does not have; without rests no cash account is
// needed.
TEST_F(CashFlowCubeTest, CheckRefusesCodesTheChartsDoNotHave)
{
    auto refusedAt = [&](CashFlowParams p) { return fCubeCashFlow::Check(*book, p).control; };
    CashFlowParams p = params;
    p.accSetBudget = "1";
    EXPECT_EQ(refusedAt(p), "cbAccSet");
    p = params;
    p.accBudget = "B'; --/*";
    EXPECT_EQ(refusedAt(p), "cbGenAcc");
    p = params;
    p.flowKindAnlt = "DP";
    EXPECT_EQ(refusedAt(p), "cbAnType");
    p = params;
    p.acc = "9'9";
    EXPECT_EQ(refusedAt(p), "cbAcc");
    p = params;
    p.acc.clear();
    p.planRest = p.sfRest = p.factRest = false;
    EXPECT_EQ(refusedAt(p), "");
    EXPECT_EQ(refusedAt(params), "");
}

// The fixed test run asks nothing: its account set "SRS" and analytic type "27" of November
// 2005 are no part of the demo company, so the cube says there is nothing to show.
TEST_F(CashFlowCubeTest, TestRunAsksNothingAndShowsItsFixedPeriod)
{
    Testing::ScriptedUser user;
    user.Answer("OK");
    ClientRun run(user, book, &RCashFlow::Test);
    EXPECT_EQ(user.Session().FindWindow("fCubeCashFlow"), nullptr);
    EXPECT_EQ(run.report->Params().accSetBudget, "SRS");
    EXPECT_EQ(run.report->Params().flowKindAnlt, "27");
    EXPECT_TRUE(CubeRunChecks::ToldOnly(user, "There is no cash flow to show from 2005-11-01 to 2005-11-30."));
}
