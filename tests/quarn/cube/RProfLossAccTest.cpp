#include "quarn/cube/RProfLossAcc.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/frmRProfLossAcc.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::ProfLossShape;
using Quarn_DuzAde::RProfLossAcc;

namespace {

constexpr double kTolerance = 0.005;

struct Figures {
    double turn = 0;
    double rest = 0;
};

class ProfLossCubeTest : public CubeRunChecks::ReportFixture<RProfLossAcc> {
protected:
    ProfLossCubeTest() : ReportFixture(Date(2025, 4, 1), Date(2026, 3, 31)) {}

    void SetUp() override
    {
        ReportFixture::SetUp();
        accSet = book->Setting("AccSetCode").ToText();
        params.Add("AccSetCode", FieldType::kCode, Value(accSet));
    }

    // Every side of a posting to an income or expense account, worked out in plain
    // PostgreSQL straight from the postings: credit adds to the result, debit takes away;
    // the turnover counts from the period's first day, the balance everything up to its end.
    std::string ExpectedSidesSql() const
    {
        return R"sql(
        SELECT s.acc, left(s.acc, 1) AS class, s.an, p.DatePost AS datepost,
               -s.sign * p.SumAcc AS amount,
               CASE WHEN p.DatePost >= DATE '2025-04-01'
                    THEN -s.sign * p.SumAcc ELSE 0 END AS turn
        FROM GLAccountPost p
        CROSS JOIN LATERAL (VALUES (p.DebetAccCode, 1, 1), (p.CreditAccCode, -1, 0)) AS s0 (acc, sign, isdebet)
        CROSS JOIN LATERAL (SELECT s0.acc, s0.sign,
               (SELECT min(a.AnalytTypeCode || ': ' || a.AnalytObjectCode) FROM GLAnalytPost a
                  JOIN GLAccountAnalytType t ON t.AnalytTypeCode = a.AnalytTypeCode
                 WHERE a.AccPostID = p.IDC AND a.IsDebet = s0.isdebet AND t.AccSetCode = p.AccSetCode
                   AND t.AccCode = s0.acc AND t.PosNumb = 1) AS an) s
        WHERE p.IsPosted = 1 AND p.AccSetCode = ')sql" +
               accSet + R"sql(' AND p.DatePost <= DATE '2026-03-31' AND left(s.acc, 1) IN ('5', '6'))sql";
    }

    std::map<std::string, Figures> ExpectedBy(const std::string& key)
    {
        auto rs = book->Db().QueryPostgres("SELECT COALESCE((" + key +
                                           ")::text, ''), SUM(turn)::float8, SUM(amount)::float8 FROM (" +
                                           ExpectedSidesSql() + ") e GROUP BY 1");
        std::map<std::string, Figures> figures;
        for (const auto& row : rs.rows)
            figures[row.at(0).ToText()] = {row.at(1).ToDouble(), row.at(2).ToDouble()};
        return figures;
    }

    ProfLossShape LoadCube(Cube::Engine& engine)
    {
        EXPECT_TRUE(report.Prepare(params));
        const ProfLossShape shape = report.ReadShape();
        auto list = report.CreatePostingList(shape, false);
        list->Refresh();
        engine.AttachRecordset(*list->Recordset());
        RProfLossAcc::DefineCube(engine, shape);
        engine.SetActive(true);
        return shape;
    }

    static void ExpectFigures(const Cube::CubeGrid& grid, std::size_t row, std::size_t col, const Figures& expected)
    {
        EXPECT_NEAR(grid.FactValue(row, col, "Turn").value_or(0), expected.turn, kTolerance);
        EXPECT_NEAR(grid.FactValue(row, col, "Rest").value_or(0), expected.rest, kTolerance);
    }

    std::string accSet;
};

using CubeRunChecks::RowCode;

} // namespace

// Over hand-made rows: the cube adds turnover and balance along the account's groups and the
// months, and a chart without groups puts the accounts themselves down the rows.
TEST(ProfLossCubeDefinition, TotalsAddUpAlongGroupsAndMonths)
{
    Cube::CubeSource source;
    source.AddColumn("Department", std::vector<std::string>{"A", "A", "B", "B"});
    source.AddColumn("P1", std::vector<std::string>{"5: Income", "5: Income", "6: Costs", "6: Costs"});
    source.AddColumn("AccountCode",
                     std::vector<std::string>{"500: Sales", "505: Services", "600: Cost of goods", "600: Cost of goods"});
    source.AddColumn("S1", std::vector<std::string>{"DP: A", "DP: B", "DP: A", "DP: A"});
    source.AddColumn("DocumentDate",
                     std::vector<Date>{Date(2025, 1, 1), Date(2025, 2, 1), Date(2025, 1, 1), Date(2026, 1, 1)});
    // The first income row carries 30 of balance from before the period: 130 rest, 100 turn.
    source.AddColumn("Rest", std::vector<double>{130, 40, 70, 5});
    source.AddColumn("Turn", std::vector<double>{100, 40, 70, 5});
    Cube::Engine engine;
    engine.SetSource(source);
    RProfLossAcc::DefineCube(engine, ProfLossShape{1, 1, {}});
    engine.SetActive(true);

    const auto& grid = engine.Grid();
    auto total = grid.FindRow({});
    auto income = grid.FindRow({Value("5: Income")});
    auto costs = grid.FindRow({Value("6: Costs")});
    auto all = grid.FindColHeader({});
    auto y2025 = grid.FindColHeader({Value(std::int64_t{2025})});
    auto y2026 = grid.FindColHeader({Value(std::int64_t{2026})});
    ASSERT_TRUE(total && income && costs && all && y2025 && y2026);
    auto at = [&grid](std::size_t r, std::size_t c, const char* fact) {
        return grid.FactValue(r, c, fact).value_or(0);
    };
    EXPECT_DOUBLE_EQ(at(*income, *all, "Turn"), 140);
    EXPECT_DOUBLE_EQ(at(*income, *all, "Rest"), 170);
    EXPECT_DOUBLE_EQ(at(*costs, *y2025, "Turn"), 70);
    EXPECT_DOUBLE_EQ(at(*costs, *y2026, "Rest"), 5);
    EXPECT_DOUBLE_EQ(at(*total, *all, "Turn"), 215);
    EXPECT_DOUBLE_EQ(at(*total, *all, "Rest"), 245);
    EXPECT_EQ(engine.Dims().Item("S1").Caption, "Analytic [1]");
    EXPECT_EQ(engine.Dims().Item("P1").Caption, "Account group [1]");

    Cube::Engine flat;
    flat.SetSource(source);
    RProfLossAcc::DefineCube(flat, ProfLossShape{0, 0, {}});
    flat.SetActive(true);
    EXPECT_TRUE(flat.Grid().FindRow({Value("600: Cost of goods")}));
    EXPECT_FALSE(flat.Dims().Exists("P1"));
}

// The cube against the postings themselves: the whole, each class, each account and each
// analytic object; and the balance of every account equals the ledger's own statement.
TEST_F(ProfLossCubeTest, CubeFiguresMatchThePostingsByClassAccountAndAnalytic)
{
    Cube::Engine engine;
    const ProfLossShape shape = LoadCube(engine);
    ASSERT_GE(shape.parentLevels, 1);
    ASSERT_GE(shape.analyticLevels, 1);
    const auto& grid = engine.Grid();
    auto total = grid.FindRow({});
    auto allYears = grid.FindColHeader({});
    ASSERT_TRUE(total && allYears);
    auto whole = ExpectedBy("''");
    ASSERT_NE(whole[""].turn, 0);
    ExpectFigures(grid, *total, *allYears, whole[""]);

    auto byClass = ExpectedBy("class");
    ASSERT_EQ(byClass.size(), 2u);
    std::size_t compared = 0;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        if (grid.RowHeader(row).Codes.empty()) continue;
        const std::string code = RowCode(grid, row);
        SCOPED_TRACE(code);
        ASSERT_TRUE(byClass.count(code));
        ExpectFigures(grid, row, *allYears, byClass[code]);
        ++compared;
    }
    EXPECT_EQ(compared, byClass.size());

    engine.Dims().Item("P1").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("AccountCode").MoveTo(Cube::Axis::Rows, 0);
    const auto& byAccountGrid = engine.Grid();
    auto byAccount = ExpectedBy("acc");
    // The ledger's statement gives the same balance and turnover, credit minus debit.
    auto statement = book->Db().QueryPostgres(
        "SELECT Code, (CTurn - DTurn)::float8, (-OutcomeSaldo)::float8 "
        "FROM GLAccountStatementD('2025-04-01', '2026-03-31', '" +
        accSet + "') WHERE IsGroup = 0 AND left(Code, 1) IN ('5', '6') AND (DTurn <> 0 OR OutcomeSaldo <> 0)");
    ASSERT_EQ(statement.rows.size(), byAccount.size());
    for (const auto& row : statement.rows) {
        const std::string code = row.at(0).ToText();
        SCOPED_TRACE(code);
        EXPECT_NEAR(byAccount[code].turn, row.at(1).ToDouble(), kTolerance);
        EXPECT_NEAR(byAccount[code].rest, row.at(2).ToDouble(), kTolerance);
    }
    compared = 0;
    auto columnTotal = byAccountGrid.FindColHeader({});
    for (std::size_t row = 0; row < byAccountGrid.RowCount(); ++row) {
        if (byAccountGrid.RowHeader(row).Codes.empty()) continue;
        const std::string code = RowCode(byAccountGrid, row);
        SCOPED_TRACE(code);
        ASSERT_TRUE(byAccount.count(code));
        ExpectFigures(byAccountGrid, row, *columnTotal, byAccount[code]);
        ++compared;
    }
    EXPECT_EQ(compared, byAccount.size());

    engine.Dims().Item("AccountCode").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("S1").MoveTo(Cube::Axis::Rows, 0);
    const auto& byAnalyticGrid = engine.Grid();
    auto byAnalytic = ExpectedBy("COALESCE(an, '(not given)')");
    ASSERT_GT(byAnalytic.size(), 1u);
    for (const auto& [member, figures] : byAnalytic) {
        SCOPED_TRACE(member);
        auto row = byAnalyticGrid.FindRow({Value(member)});
        ASSERT_TRUE(row);
        ExpectFigures(byAnalyticGrid, *row, *byAnalyticGrid.FindColHeader({}), figures);
    }
}

// Postings before the period stand on its first day with balance only: no month before the
// period appears, and the turnover of the first month counts only its own postings.
TEST_F(ProfLossCubeTest, EarlierPostingsBuildTheBalanceOnThePeriodsFirstDay)
{
    Cube::Engine engine;
    LoadCube(engine);
    engine.Dims().Item("Year").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("Month").MoveTo(Cube::Axis::Columns, 0);
    const auto& grid = engine.Grid();
    auto total = grid.FindRow({});
    ASSERT_TRUE(total);
    auto april = grid.FindColHeader({Value(std::int64_t{4})});
    ASSERT_TRUE(april);
    auto aprilTurn = book->Db().QueryPostgres("SELECT SUM(turn)::float8 FROM (" + ExpectedSidesSql() +
                                              ") e WHERE datepost BETWEEN DATE '2025-04-01' AND DATE '2025-04-30'");
    EXPECT_NEAR(grid.FactValue(*total, *april, "Turn").value_or(0), aprilTurn.rows.at(0).at(0).ToDouble(),
                kTolerance);
    // April 2026 is outside the period; April 2025 holds everything before it as balance.
    auto before = book->Db().QueryPostgres("SELECT COALESCE(SUM(amount), 0)::float8 FROM (" + ExpectedSidesSql() +
                                           ") e WHERE datepost < DATE '2025-05-01'");
    EXPECT_NEAR(grid.FactValue(*total, *april, "Rest").value_or(0), before.rows.at(0).at(0).ToDouble(), kTolerance);
}

// A chart code holding a quote, a semicolon and comment markers is only a code with no postings.
TEST_F(ProfLossCubeTest, ChartCodeWithQuotesMatchesNothing)
{
    params.Add("AccSetCode", FieldType::kCode, Value(std::string("1'; --")));
    ASSERT_TRUE(report.Prepare(params));
    const ProfLossShape shape = report.ReadShape();
    EXPECT_EQ(shape.parentLevels, 0);
    auto list = report.CreatePostingList(shape, true);
    list->Refresh();
    EXPECT_EQ(list->Recordset()->RecordCount(), 0);
}

// The whole road: the form answered, the cube shown, a double-click on a class's turnover
// lists exactly the postings behind it; a period before the first posting says so.
TEST_F(ProfLossCubeTest, RunShowsTheCubeDrillsDownAndSaysWhenNothingWasPosted)
{
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "frmRProfLossAcc", "2025-04-01", "2026-03-31").Accept("CubeSrcList");
        const auto run = CubeRunChecks::RunShown<RProfLossAcc>(params);
        EXPECT_FALSE(run.returned);
        ASSERT_EQ(user.ErrorsText(), "");
        EXPECT_TRUE(user.MessageTexts().empty());
        CCube* shownCube = CubeRunChecks::ShownCube(user);
        ASSERT_NE(shownCube, nullptr);
        CCube& cube = *shownCube;
        EXPECT_EQ(cube.Caption(), "Profit and loss by account Chart " + accSet + " from 2025-04-01 to 2026-03-31");
        const auto& grid = cube.cube().Grid();
        auto all = grid.FindColHeader({});
        ASSERT_TRUE(all);
        const std::size_t row = CubeRunChecks::FirstMemberRow(grid);
        ASSERT_LT(row, grid.RowCount());
        const std::string code = RowCode(grid, row);
        const double cellTurn = grid.FactValue(row, *all, "Turn").value_or(0);
        cube.UserDblClickCell(grid.ColumnOf(*all, "Turn"), row);
        ASSERT_EQ(user.ErrorsText(), "");
        auto* list = run.report->Wrapper()->ListForm();
        ASSERT_NE(list, nullptr);
        const auto& shown = list->GridCtl("SpecGrid");
        ASSERT_TRUE(shown.FindColumn("AccountCode") && shown.FindColumn("DatePost"));
        const double shownTurn = CubeRunChecks::ListedSum(*list, "Turn").sum;
        EXPECT_NEAR(shownTurn, cellTurn, kTolerance);
        EXPECT_NEAR(shownTurn, ExpectedBy("class")[code].turn, kTolerance);
    }
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "frmRProfLossAcc", "2023-01-01", "2023-12-31").Answer("OK");
        CubeRunChecks::RunShown<RProfLossAcc>(params);
        EXPECT_TRUE(
            CubeRunChecks::ToldOnly(user, "No income or expense posting in the period 2023-01-01 - 2023-12-31"));
    }
}

// The form writes what was chosen and refuses bad input at the control, leaving the
// parameters as they were.
TEST_F(ProfLossCubeTest, FormWritesChoicesAndRefusesBadInputNamingTheControl)
{
    {
        Testing::ScriptedUser user;
        user.Set("frmRProfLossAcc", "edBegDate", "2025-01-01")
            .Set("frmRProfLossAcc", "edEndDate", "2025-06-30")
            .Click("frmRProfLossAcc", "btOk");
        Quarn_DuzAde::frmRProfLossAcc form;
        EXPECT_TRUE(form.Browse(params, "P&L"));
        EXPECT_EQ(user.ErrorsText(), "");
        EXPECT_EQ(params.Item("DateBeg").GetValue().ToDate(), Date(2025, 1, 1));
        EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2025, 6, 30));
        EXPECT_EQ(params.Item("AccSetCode").GetValue().ToText(), accSet);
    }
    struct Case {
        const char* control;
        const char* value;
    };
    for (const Case& c : {Case{"edEndDate", "2024-12-31"}, Case{"edBegDate", ""}, Case{"cbAccSet", ""},
                          Case{"cbAccSet", "NO'SUCH;--"}}) {
        SCOPED_TRACE(std::string(c.control) + " '" + c.value + "'");
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerBadValue(user, "frmRProfLossAcc", c.control, c.value);
        Quarn_DuzAde::frmRProfLossAcc form;
        EXPECT_FALSE(form.Browse(params, "P&L"));
        ASSERT_TRUE(CubeRunChecks::RefusedAt(user, c.control));
        EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2025, 6, 30));
        EXPECT_EQ(params.Item("AccSetCode").GetValue().ToText(), accSet);
    }
}
