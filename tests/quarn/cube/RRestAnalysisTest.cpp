#include "quarn/cube/RRestAnalysis.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/StockRestRows.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::GoodsTreeNode;
using Quarn_DuzAde::RRestAnalysis;
using Quarn_DuzAde::StockMonthRow;
using Quarn_DuzAde::StockRestRows;

namespace {

StockMonthRow Month(const std::string& good, const char* dateEnd, int rest, int in, int out)
{
    StockMonthRow row;
    row.goodCode = good;
    row.dateEnd = Date::Parse(dateEnd);
    row.restAmount = Currency::FromInteger(rest);
    row.restCost = Currency::FromInteger(rest * 10);
    row.incomeAmount = Currency::FromInteger(in);
    row.incomeCost = Currency::FromInteger(in * 10);
    row.fixedAmount = Currency::FromInteger(out);
    row.fixedCost = Currency::FromInteger(out * 10);
    row.monthDays = row.dateEnd.Day();
    return row;
}

const std::vector<GoodsTreeNode> kTree = {{"G1", ""}, {"G11", "G1"}, {"A", "G11"}, {"B", "G1"}, {"C", ""}};

} // namespace

// Each good carries its groups from the outermost; a good higher in the tree repeats its
// innermost group, a good outside the tree stands for itself; months with nothing in them
// are left out. A tree whose groups loop is refused naming the good.
TEST(StockRestRows, GroupsEachGoodUnderItsGroupsOnEveryLevel)
{
    const StockRestRows stock({Month("A", "2025-01-31", 10, 15, 5), Month("B", "2025-01-31", 0, 0, 0),
                               Month("B", "2025-02-28", 3, 3, 0), Month("C", "2025-02-28", 1, 1, 0)},
                              kTree);
    ASSERT_EQ(stock.Rows().size(), 3u);
    EXPECT_EQ(stock.Levels(), 2u);
    EXPECT_EQ(stock.PathOf(0), (std::vector<std::string>{"G1", "G11"}));
    EXPECT_EQ(stock.PathOf(1), (std::vector<std::string>{"G1", "G1"}));
    EXPECT_EQ(stock.PathOf(2), (std::vector<std::string>{"C", "C"}));
    auto rs = stock.ToRecordset();
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_TRUE(rs->Fields().Exists("GoodCode2"));
    EXPECT_FALSE(rs->Fields().Exists("GoodCode3"));

    try {
        StockRestRows({Month("X", "2025-01-31", 1, 1, 0)}, {{"X", "L1"}, {"L1", "L2"}, {"L2", "L1"}});
        FAIL() << "a looping tree was taken";
    } catch (const ValueError& e) {
        EXPECT_NE(std::string(e.what()).find("'X'"), std::string::npos) << e.what();
    }
    EXPECT_EQ(StockRestRows({}, kTree).Levels(), 0u);
}

// Worked by hand: a rest at a quarter or year is the rest of its last month, goods by goods
// (a good whose rest went to nothing counts with nothing, not with its earlier rest); what
// came in and went out adds up; the days of a total are its months' days once.
TEST(StockRestRows, CubeTakesRestsAtTheLastMonthAndTurnoverFromTotals)
{
    const StockRestRows stock({Month("A", "2025-01-31", 10, 15, 5), Month("A", "2025-02-28", 4, 0, 6),
                               Month("B", "2025-01-31", 3, 3, 0), Month("B", "2025-02-28", 0, 0, 3),
                               Month("B", "2025-03-31", 0, 0, 0), Month("A", "2025-03-31", 4, 0, 0)},
                              kTree);
    auto rs = stock.ToRecordset();
    Cube::Engine engine;
    engine.AttachRecordset(*rs);
    RRestAnalysis::DefineCube(engine, stock.Levels());
    engine.Dims().Item("GoodCode1").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("GoodCode").MoveTo(Cube::Axis::Rows, 0);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    const auto total = *grid.FindRow({});
    const auto a = *grid.FindRow({Value("A")});
    const auto b = *grid.FindRow({Value("B")});
    const auto year = *grid.FindColHeader({Value(std::int64_t{2025})});
    auto at = [&grid](std::size_t row, std::size_t col, const char* fact) {
        return grid.FactValue(row, col, fact).value_or(-1);
    };
    EXPECT_DOUBLE_EQ(at(a, year, "CostSumm"), 40);
    EXPECT_DOUBLE_EQ(at(b, year, "CostSumm"), 0);
    EXPECT_DOUBLE_EQ(at(total, year, "CostSumm"), 40);
    EXPECT_DOUBLE_EQ(at(total, year, "AmountAccount"), 4);
    EXPECT_DOUBLE_EQ(at(total, year, "FixedCostSumm"), 140);
    EXPECT_DOUBLE_EQ(at(total, year, "IncomeCostSumm"), 180);
    EXPECT_DOUBLE_EQ(at(total, year, "MonthDays"), 31 + 28 + 31);
    EXPECT_DOUBLE_EQ(at(a, year, "MonthDays"), 31 + 28 + 31);
    EXPECT_DOUBLE_EQ(at(b, year, "MonthDays"), 31 + 28);
    EXPECT_NEAR(at(total, year, "TurnProc"), 100.0 * 140 / (40 + 140), 1e-9);
    EXPECT_NEAR(at(total, year, "TurnDays"), 40.0 / 140 * 90, 1e-9);
    EXPECT_NEAR(at(a, year, "TurnDays"), 40.0 / 110 * 90, 1e-9);

    // Months across: February's rest is February's own.
    engine.Dims().Item("Month").MoveTo(Cube::Axis::Columns, 1);
    const auto& byMonth = engine.Grid();
    const auto feb = *byMonth.FindColHeader({Value(std::int64_t{2025}), Value(std::int64_t{2})});
    EXPECT_DOUBLE_EQ(byMonth.FactValue(*byMonth.FindRow({}), feb, "CostSumm").value_or(-1), 40);
    EXPECT_DOUBLE_EQ(byMonth.FactValue(*byMonth.FindRow({}), feb, "MonthDays").value_or(-1), 28);
    // Nothing went out in March: no days of stock to tell.
    const auto mar = *byMonth.FindColHeader({Value(std::int64_t{2025}), Value(std::int64_t{3})});
    EXPECT_FALSE(byMonth.FactValue(*byMonth.FindRow({Value("A")}), mar, "TurnDays").has_value());
}

namespace {

// The stock of the demo company worked out from the lots and the fixation log directly:
// what came in and went out within the period, and the rest at its end.
struct StockFigures {
    double in = 0;
    double out = 0;
    double rest = 0;
    double restAmount = 0;
};

StockFigures ExpectedStock(Book& book, const std::string& beg, const std::string& end)
{
    auto rs = book.Db().QueryPostgres(R"sql(
        WITH lots AS (SELECT r.IncomeSpecID, r.DocumentDate, r.AmountAccount, r.CostSumm FROM THDocGoodFixRest r),
        outs AS (
            SELECT od.DocumentDate, f.Amount,
                   ROUND(COALESCE(l.CostSumm / NULLIF(l.AmountAccount, 0), 0) * f.Amount, 4) AS Cost
            FROM THGoodSpecFixLog f JOIN lots l ON l.IncomeSpecID = f.IncomeSpecID
            JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID)
        SELECT (SELECT COALESCE(SUM(CostSumm), 0) FROM lots WHERE DocumentDate BETWEEN ')sql" +
                                      beg + "' AND '" + end + R"sql(')::float8,
               (SELECT COALESCE(SUM(Cost), 0) FROM outs WHERE DocumentDate BETWEEN ')sql" +
                                      beg + "' AND '" + end + R"sql(')::float8,
               ((SELECT COALESCE(SUM(CostSumm), 0) FROM lots WHERE DocumentDate <= ')sql" +
                                      end + R"sql(') -
                (SELECT COALESCE(SUM(Cost), 0) FROM outs WHERE DocumentDate <= ')sql" +
                                      end + R"sql('))::float8,
               ((SELECT COALESCE(SUM(AmountAccount), 0) FROM lots WHERE DocumentDate <= ')sql" +
                                      end + R"sql(') -
                (SELECT COALESCE(SUM(Amount), 0) FROM outs WHERE DocumentDate <= ')sql" +
                                      end + "'))::float8");
    const auto& row = rs.rows.at(0);
    return {row.at(0).ToDouble(), row.at(1).ToDouble(), row.at(2).ToDouble(), row.at(3).ToDouble()};
}

} // namespace

// The grand totals of a year and of a quarter equal the stock worked out from the lots and
// the log; the whole road through the form shows the cube, and a period without stock says so.
TEST(RestAnalysis, GrandTotalsMatchTheLotsAndTheLogAndTheRunShowsThem)
{
    auto book = Testing::OpenDemoBook("tester");
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    for (auto [beg, end] : {std::pair{"2025-01-01", "2025-12-31"}, {"2026-04-01", "2026-06-30"}}) {
        SCOPED_TRACE(beg);
        params.Add("DateBeg", FieldType::kDate, Value(Date::Parse(beg)));
        params.Add("DateEnd", FieldType::kDate, Value(Date::Parse(end)));
        RRestAnalysis report;
        ASSERT_TRUE(report.Prepare(params));
        const StockRestRows stock = report.ReadRows();
        ASSERT_GT(stock.Levels(), 0u);
        auto rs = stock.ToRecordset();
        Cube::Engine engine;
        engine.AttachRecordset(*rs);
        RRestAnalysis::DefineCube(engine, stock.Levels());
        engine.Dims().Item("Year").MoveTo(Cube::Axis::Filter, 0);
        engine.SetActive(true);
        const auto& grid = engine.Grid();
        const auto total = *grid.FindRow({});
        const auto cols = *grid.FindColHeader({});
        const StockFigures expected = ExpectedStock(*book, beg, end);
        ASSERT_GT(expected.out, 0);
        EXPECT_NEAR(*grid.FactValue(total, cols, "IncomeCostSumm"), expected.in, 0.005);
        EXPECT_NEAR(*grid.FactValue(total, cols, "FixedCostSumm"), expected.out, 0.005);
        EXPECT_NEAR(*grid.FactValue(total, cols, "CostSumm"), expected.rest, 0.005);
        EXPECT_NEAR(*grid.FactValue(total, cols, "AmountAccount"), expected.restAmount, 1e-6);
        const double days = static_cast<double>(Date::Parse(beg).DaysUntil(Date::Parse(end)) + 1);
        EXPECT_DOUBLE_EQ(*grid.FactValue(total, cols, "MonthDays"), days);
        EXPECT_NEAR(*grid.FactValue(total, cols, "TurnDays"), expected.rest / expected.out * days, 1e-6);
    }
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "fCubeRestAnalysis", "2025-01-01", "2025-12-31").Accept("CubeSrcList");
        auto report = std::make_shared<RRestAnalysis>();
        report->Main(params);
        ASSERT_EQ(user.ErrorsText(), "");
        CCube* cube = CubeRunChecks::ShownCube(user);
        ASSERT_NE(cube, nullptr);
        EXPECT_EQ(cube->Caption(), "Stock rests and turnover 2025-01-01 - 2025-12-31");
        const auto& grid = cube->cube().Grid();
        const auto year = grid.FindColHeader({Value(std::int64_t{2025})});
        ASSERT_TRUE(year);
        EXPECT_NEAR(*grid.FactValue(*grid.FindRow({}), *year, "CostSumm"),
                    ExpectedStock(*book, "2025-01-01", "2025-12-31").rest, 0.005);
        // The months behind the first group's year: what went out adds up to the cell.
        std::size_t row = 0;
        while (grid.RowHeader(row).Codes.empty())
            ++row;
        const double out = *grid.FactValue(row, *year, "FixedCostSumm");
        cube->UserDblClickCell(grid.ColumnOf(*year, "FixedCostSumm"), row);
        ASSERT_EQ(user.ErrorsText(), "");
        ASSERT_NE(report->Wrapper()->ListForm(), nullptr);
        const auto listed = CubeRunChecks::ListedSum(*report->Wrapper()->ListForm(), "FixedCostSumm");
        ASSERT_GT(listed.rows, 1u);
        EXPECT_NEAR(listed.sum, out, 0.005);
    }
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "fCubeRestAnalysis", "2001-01-01", "2001-03-31").Answer("OK");
        auto report = std::make_shared<RRestAnalysis>();
        report->Main(params);
        EXPECT_TRUE(CubeRunChecks::ToldOnly(user, "No stock and no movement in the period 2001-01-01 - 2001-03-31"));
    }
}

// Quantities in the common unit are the accounting ones over the unit's rate; bad input is
// refused at its control and leaves the parameters as they were.
TEST(RestAnalysis, CommonUnitQuantitiesAndFormRefusals)
{
    auto book = Testing::OpenDemoBook("tester");
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
    params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 3, 31)));
    RRestAnalysis plain;
    ASSERT_TRUE(plain.Prepare(params));
    const auto accounting = plain.ReadRows();
    params.Add("AmountAsWeight", FieldType::kFlag, Value(1));
    RRestAnalysis common;
    ASSERT_TRUE(common.Prepare(params));
    const auto inCommon = common.ReadRows();
    ASSERT_EQ(accounting.Rows().size(), inCommon.Rows().size());
    auto rates = book->Db().QueryPostgres("SELECT GoodCode, Rate::float8 FROM REFGoodUnit WHERE IsCommon = 1");
    std::map<std::string, double> rateOf;
    for (const auto& r : rates.rows)
        rateOf[r.at(0).ToText()] = r.at(1).ToDouble();
    std::size_t boxed = 0;
    for (std::size_t i = 0; i < accounting.Rows().size(); ++i) {
        const auto& a = accounting.Rows()[i];
        const auto& c = inCommon.Rows()[i];
        ASSERT_EQ(a.goodCode, c.goodCode);
        const double rate = rateOf.count(a.goodCode) ? rateOf[a.goodCode] : 1;
        EXPECT_NEAR(c.restAmount.ToDouble(), a.restAmount.ToDouble() / rate, 1e-4) << a.goodCode;
        EXPECT_EQ(c.restCost, a.restCost);
        boxed += rate != 1;
    }
    EXPECT_GT(boxed, 0u);

    for (auto [control, value] : {std::pair{"edEndDate", "2024-12-31"}, {"cbGood", "NO'SUCH;--"}}) {
        SCOPED_TRACE(control);
        Testing::ScriptedUser user;
        user.Set("fCubeRestAnalysis", control, value)
            .Click("fCubeRestAnalysis", "btOk")
            .Click("fCubeRestAnalysis", "btCancel");
        auto report = std::make_shared<RRestAnalysis>();
        report->Main(params);
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find(std::string(control) + ":"), std::string::npos)
            << user.ErrorMessages()[0];
        EXPECT_EQ(report->Params().Item("DateEnd").GetValue().ToDate(), Date(2025, 3, 31));
    }
}
