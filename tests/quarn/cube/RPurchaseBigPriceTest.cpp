#include "quarn/cube/RPurchaseBigPrice.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cost/RDiffCostPrice.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/PurchasePriceMarks.hpp"
#include "quarn/cube/fCubeParamPurchaseBigPrice.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::PriceMark;
using Quarn_DuzAde::PurchaseLineRow;
using Quarn_DuzAde::PurchasePriceMarks;
using Quarn_DuzAde::RPurchaseBigPrice;

namespace {

PurchaseLineRow Line(const std::string& good, const std::string& quantity, const std::string& value,
                     const std::string& number = "P1")
{
    PurchaseLineRow row;
    row.number = number;
    row.goodCode = good;
    row.goodName = good + " name";
    row.amountAccount = Currency::Parse(quantity);
    row.costSumm = Currency::Parse(value);
    return row;
}

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

} // namespace

// Worked by hand: A is bought at 11.5, 10 and 11 a unit; with 10 % tolerated, 11 (exactly
// 10 % above) still passes and 11.5 does not. What a row would have cost at the lowest
// price is its quantity at 10; the cheapest row's own value is its lowest value exactly.
TEST(PurchasePriceMarks, SetsEachRowAgainstItsGoodsLowestUnitCost)
{
    const PurchasePriceMarks marks({Line("A", "4", "46"), Line("A", "10", "100"), Line("A", "5", "55"),
                                    Line("B", "3", "100"), Line("B", "2", "66.6667")},
                                   Money("10"));
    const auto& rows = marks.Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].mark, PriceMark::AboveTolerance);
    EXPECT_EQ(rows[0].minSumma, Money("40"));
    EXPECT_EQ(rows[1].mark, PriceMark::Lowest);
    EXPECT_EQ(rows[1].minSumma, Money("100"));
    EXPECT_EQ(rows[2].mark, PriceMark::WithinTolerance);
    EXPECT_EQ(rows[2].minSumma, Money("50"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].minPrice, Money("10"));
    // B: 100 / 3 a unit is 33.3333..., 66.6667 / 2 = 33.33335 is a shade dearer; two units at
    // the lowest price cost 66.6667 (rounded half away from zero), so the row shows no excess
    // in value but is not the cheapest either.
    EXPECT_EQ(rows[3].mark, PriceMark::Lowest);
    EXPECT_EQ(rows[3].minPrice, Money("33.3333"));
    EXPECT_EQ(rows[4].mark, PriceMark::WithinTolerance);
    EXPECT_EQ(rows[4].minSumma, Money("66.6667"));
}

// With nothing tolerated every row dearer than the cheapest is marked, however little;
// rows at the same unit cost (in other quantities) are all the lowest.
TEST(PurchasePriceMarks, ZeroPercentMarksEveryDearerRowAndEqualPricesAreAllLowest)
{
    const PurchasePriceMarks marks(
        {Line("A", "3", "1"), Line("A", "6", "2"), Line("A", "6", "2.0001"), Line("A", "1", "0.3334")}, Currency());
    const auto& rows = marks.Rows();
    EXPECT_EQ(rows[0].mark, PriceMark::Lowest);
    EXPECT_EQ(rows[1].mark, PriceMark::Lowest);
    EXPECT_EQ(rows[2].mark, PriceMark::AboveTolerance);
    EXPECT_EQ(rows[3].mark, PriceMark::AboveTolerance);
    EXPECT_EQ(rows[1].minSumma, Money("2"));
}

// A row without quantity has no unit cost, a negative tolerance means nothing: both refused
// naming the culprit. No rows give no marks.
TEST(PurchasePriceMarks, RefusesRowsWithoutQuantityAndNegativeTolerance)
{
    try {
        PurchasePriceMarks({Line("A", "0", "5", "INV-7")}, Currency());
        FAIL() << "a row without quantity was taken";
    } catch (const ValueError& e) {
        EXPECT_NE(std::string(e.what()).find("INV-7"), std::string::npos) << e.what();
    }
    EXPECT_THROW(PurchasePriceMarks({Line("A", "1", "5")}, Money("-1")), ValueError);
    EXPECT_TRUE(PurchasePriceMarks({}, Money("5")).Rows().empty());
}

// The cube over the computed rows: the excess of a total is its value against its value at
// the lowest prices, not an average of the rows' excesses.
TEST(PurchasePriceMarks, CubeTotalsFoldValuesBeforeTheirRatios)
{
    const PurchasePriceMarks marks({Line("A", "10", "100"), Line("A", "5", "60"), Line("B", "2", "10")}, Money("5"));
    auto rs = marks.ToRecordset({"1 low", "2 within", "3 above"});
    ASSERT_EQ(rs->RecordCount(), 3);
    Cube::Engine engine;
    engine.AttachRecordset(*rs);
    RPurchaseBigPrice::DefineCube(engine);
    engine.Dims().Item("Ind").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("Client").MoveTo(Cube::Axis::Filter, 0);
    engine.Dims().Item("Code").MoveTo(Cube::Axis::Rows, 0);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    const auto total = grid.FindRow({});
    const auto a = grid.FindRow({Value("A")});
    const auto all = grid.FindColHeader({});
    ASSERT_TRUE(total && a && all);
    EXPECT_DOUBLE_EQ(*grid.FactValue(*a, *all, "MinSumma"), 150);
    EXPECT_DOUBLE_EQ(*grid.FactValue(*a, *all, "SummDiff"), 10);
    EXPECT_NEAR(*grid.FactValue(*a, *all, "VarProc"), 160.0 / 150 * 100 - 100, 1e-9);
    EXPECT_NEAR(*grid.FactValue(*total, *all, "VarProc"), 170.0 / 160 * 100 - 100, 1e-9);
    EXPECT_NEAR(*grid.FactValue(*total, *all, "Price"), 170.0 / 17, 1e-9);
    EXPECT_NEAR(*grid.FactValue(*total, *all, "MinPrice"), 160.0 / 17, 1e-9);
}

namespace {

class PurchaseBigPriceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("tester");
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    }

    struct Figures {
        double quantity = 0;
        double value = 0;
        double minValue = 0;
        long above = 0;
    };

    // The rows worked out in plain PostgreSQL: each goods' cheapest row by exact unit cost,
    // every row's value at that cost, and the rows above the tolerance by cross-multiplying.
    std::map<std::string, Figures> ExpectedBySupplier(const std::string& beg, const std::string& end,
                                                      const std::string& percent)
    {
        auto rs = book->Db().QueryPostgres(R"sql(
            WITH r AS (
                SELECT s.GoodCode, s.AmountAccount AS q, s.CostSumm AS c, COALESCE(p.PartyCode, '') AS party
                FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
                LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
                WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN ')sql" +
                                           beg + "' AND '" + end + R"sql('
                  AND s.CostSumm <> 0 AND s.AmountAccount <> 0),
            m AS (SELECT DISTINCT ON (GoodCode) GoodCode, c AS mc, q AS mq FROM r ORDER BY GoodCode, c / q)
            SELECT party, SUM(q)::float8, SUM(c)::float8, SUM(ROUND(mc * q / mq, 4))::float8,
                   COUNT(*) FILTER (WHERE c * mq * 100 > mc * q * (100 + )sql" +
                                           percent + R"sql())
            FROM r JOIN m USING (GoodCode) GROUP BY party)sql");
        std::map<std::string, Figures> figures;
        for (const auto& row : rs.rows)
            figures[row.at(0).ToText()] = {row.at(1).ToDouble(), row.at(2).ToDouble(), row.at(3).ToDouble(),
                                           static_cast<long>(row.at(4).ToInteger())};
        return figures;
    }

    std::shared_ptr<Book> book;
    FieldList params;
};

} // namespace

// The grand totals and every supplier's figures equal the independent computation; the
// rows above the tolerance are the same in number.
TEST_F(PurchaseBigPriceTest, CubeFiguresMatchAnIndependentComputationBySupplier)
{
    params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
    params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
    params.Add("Procent", FieldType::kAmount, Value(Money("8")));
    RPurchaseBigPrice report;
    ASSERT_TRUE(report.Prepare(params));
    const auto marks = report.Compute(report.ReadRows());
    auto rs = marks.ToRecordset(report.MarkTexts());
    Cube::Engine engine;
    engine.AttachRecordset(*rs);
    RPurchaseBigPrice::DefineCube(engine);
    engine.Dims().Item("Ind").MoveTo(Cube::Axis::Filter, 0);
    engine.SetActive(true);

    const auto expected = ExpectedBySupplier("2025-01-01", "2025-12-31", "8");
    ASSERT_GT(expected.size(), 10u);
    Figures all;
    for (const auto& [party, f] : expected) {
        all.quantity += f.quantity;
        all.value += f.value;
        all.minValue += f.minValue;
        all.above += f.above;
    }
    ASSERT_GT(all.value, all.minValue);
    const auto& grid = engine.Grid();
    const auto total = *grid.FindRow({});
    const auto cols = *grid.FindColHeader({});
    EXPECT_NEAR(*grid.FactValue(total, cols, "AmountAccount"), all.quantity, 1e-6);
    EXPECT_NEAR(*grid.FactValue(total, cols, "CostSumm"), all.value, 0.005);
    EXPECT_NEAR(*grid.FactValue(total, cols, "MinSumma"), all.minValue, 0.005);
    EXPECT_NEAR(*grid.FactValue(total, cols, "SummDiff"), all.value - all.minValue, 0.005);

    long above = 0;
    for (const auto& row : marks.Rows())
        above += row.mark == PriceMark::AboveTolerance;
    EXPECT_EQ(above, all.above);
    EXPECT_GT(above, 0);

    std::size_t compared = 0;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        const auto& header = grid.RowHeader(row);
        if (header.Codes.empty()) continue;
        const std::string member = grid.RowDims().at(0)->Member(header.Codes.at(0)).ToText();
        const auto colon = member.find(':');
        const std::string code = colon == std::string::npos ? "" : member.substr(0, colon);
        SCOPED_TRACE(member);
        ASSERT_TRUE(expected.count(code));
        EXPECT_NEAR(*grid.FactValue(row, cols, "CostSumm"), expected.at(code).value, 0.005);
        EXPECT_NEAR(*grid.FactValue(row, cols, "MinSumma"), expected.at(code).minValue, 0.005);
        ++compared;
    }
    EXPECT_EQ(compared, expected.size());
}

// The whole road: the form answered, the cube shown with its cells coloured by the excess,
// a double-click lists the rows of the cell, the second menu item opens the cost prices of
// the focused goods; a period without purchases says so.
TEST_F(PurchaseBigPriceTest, RunColoursExcessDrillsDownAndOpensTheGoodsCostPrices)
{
    {
        Testing::ScriptedUser user;
        user.Set("fCubeParamPurchaseBigPrice", "edBegDate", "2025-01-01")
            .Set("fCubeParamPurchaseBigPrice", "edEndDate", "2025-12-31")
            .Set("fCubeParamPurchaseBigPrice", "edProcent", "8")
            .Click("fCubeParamPurchaseBigPrice", "btOk")
            .Accept("CubeSrcList");
        auto report = std::make_shared<RPurchaseBigPrice>();
        report->Main(params);
        ASSERT_EQ(user.ErrorsText(), "");
        EXPECT_TRUE(user.MessageTexts().empty());
        CCube* shownCube = CubeRunChecks::ShownCube(user);
        ASSERT_NE(shownCube, nullptr);
        CCube& cube = *shownCube;
        EXPECT_EQ(cube.Caption(), "Purchases above the lowest price 2025-01-01 - 2025-12-31 (8%)");
        auto& engine = cube.cube();
        const auto& grid = engine.Grid();
        const auto cols = *grid.FindColHeader({});
        // The marks down the rows: the lowest at no excess (green), the others by theirs.
        std::size_t styled = 0;
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            if (grid.RowHeader(row).Codes.empty()) continue;
            const auto value = grid.FactValue(row, cols, "VarProc");
            ASSERT_TRUE(value);
            const auto* style = engine.CellStyle(grid.Cell(row, grid.ColumnOf(cols, "VarProc")));
            const std::string name = style ? style->Name : "";
            const std::string mark = grid.RowDims().at(0)->Member(grid.RowHeader(row).Codes.at(0)).ToText();
            SCOPED_TRACE(mark);
            if (mark.rfind("1 ", 0) == 0) {
                EXPECT_EQ(name, "MinPrice");
            } else if (mark.rfind("3 ", 0) == 0) {
                EXPECT_GT(*value, 8);
                EXPECT_EQ(name, "BigPrice");
            } else {
                EXPECT_LE(*value, 8);
                EXPECT_EQ(name, "");
            }
            styled += style != nullptr;
        }
        EXPECT_EQ(styled, 2u);

        // The suppliers of the dearest mark: a double-click on the first one's value.
        std::size_t aboveRow = grid.RowCount();
        for (std::size_t row = 0; row < grid.RowCount(); ++row)
            if (!grid.RowHeader(row).Codes.empty() &&
                grid.RowDims().at(0)->Member(grid.RowHeader(row).Codes.at(0)).ToText().rfind("3 ", 0) == 0)
                aboveRow = row;
        ASSERT_LT(aboveRow, grid.RowCount());
        const double cellSum = *grid.FactValue(aboveRow, cols, "CostSumm");
        cube.UserDblClickCell(grid.ColumnOf(cols, "CostSumm"), aboveRow);
        ASSERT_EQ(user.ErrorsText(), "");
        ASSERT_NE(report->ListForm(), nullptr);
        const auto& shown = report->ListForm()->GridCtl("SpecGrid");
        ASSERT_GT(shown.RowCount(), 0u);
        double shownSum = 0;
        for (std::size_t r = 0; r < shown.RowCount(); ++r) {
            EXPECT_EQ(shown.Cell(r, "Ind").ToText().substr(0, 2), "3 ");
            shownSum += shown.Cell(r, "CostSumm").ToDouble();
        }
        EXPECT_NEAR(shownSum, cellSum, 0.005);

        // Goods codes down the rows; the first goods' cost prices open for it.
        engine.Dims().Item("Ind").MoveTo(Cube::Axis::Filter, 0);
        engine.Dims().Item("Client").MoveTo(Cube::Axis::Filter, 0);
        engine.Dims().Item("Code").MoveTo(Cube::Axis::Rows, 0);
        const auto& byGood = engine.Grid();
        std::size_t goodRow = 0;
        while (byGood.RowHeader(goodRow).Codes.empty())
            ++goodRow;
        const std::string good = byGood.RowDims().at(0)->Member(byGood.RowHeader(goodRow).Codes.at(0)).ToText();
        cube.UserFocusCell(byGood.ColumnOf(*byGood.FindColHeader({}), "CostSumm"), goodRow);
        cube.UserChooseMenu(2);
        ASSERT_EQ(user.ErrorsText(), "");
        ASSERT_NE(report->CostPrices(), nullptr);
        EXPECT_EQ(report->CostPrices()->CubeCaption(), "Cost prices of purchases " + good + " 2025-01-01 - 2025-12-31");
        ASSERT_TRUE(report->CostPrices()->MinCost());
        auto lowest = book->Db().QueryPostgres(
            "SELECT MIN(s.CostSumm / s.AmountAccount)::float8 FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID "
            "WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31' "
            "AND s.CostSumm <> 0 AND s.AmountAccount <> 0 AND s.GoodCode = '" +
            good + "'");
        EXPECT_NEAR(report->CostPrices()->MinCost()->ToDouble(), lowest.rows.at(0).at(0).ToDouble(), 1e-9);
    }
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "fCubeParamPurchaseBigPrice", "2030-01-01", "2030-01-31").Answer("OK");
        auto report = std::make_shared<RPurchaseBigPrice>();
        report->Main(params);
        EXPECT_TRUE(
            CubeRunChecks::ToldOnly(user, "No purchases with a cost in the period 2030-01-01 - 2030-01-31"));
    }
}

// The form writes what was chosen and refuses bad input at the control, leaving the
// parameters as they were; a goods node narrows the rows to the goods under it.
TEST_F(PurchaseBigPriceTest, FormRefusesBadInputAtTheControlAndGoodsNodeNarrowsTheRows)
{
    const std::string group =
        book->Db()
            .QueryPostgres(
                "SELECT g.Parent FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID JOIN REFGood g ON "
                "g.Code = s.GoodCode WHERE d.DocTypeCode = 'PISF' AND g.Parent IS NOT NULL ORDER BY 1 LIMIT 1")
            .rows.at(0)
            .at(0)
            .ToText();
    {
        Testing::ScriptedUser user;
        user.Set("fCubeParamPurchaseBigPrice", "edBegDate", "2025-01-01")
            .Set("fCubeParamPurchaseBigPrice", "edEndDate", "2026-12-31")
            .Set("fCubeParamPurchaseBigPrice", "cbGood", group)
            .Set("fCubeParamPurchaseBigPrice", "edProcent", "2.5")
            .Click("fCubeParamPurchaseBigPrice", "btOk");
        Quarn_DuzAde::fCubeParamPurchaseBigPrice form;
        EXPECT_TRUE(form.Browse(params, "Purchases"));
        EXPECT_EQ(user.ErrorsText(), "");
        EXPECT_EQ(params.Item("GoodCode").GetValue().ToText(), group);
        EXPECT_EQ(params.Item("IsGroup").GetValue().ToInteger(), 1);
        EXPECT_EQ(params.Item("Procent").GetValue().ToCurrency(), Money("2.5"));
    }
    RPurchaseBigPrice report;
    ASSERT_TRUE(report.Prepare(params));
    const auto rows = report.ReadRows();
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        auto parent = book->Db().QueryPostgres("SELECT Parent FROM REFGood WHERE Code = '" + row.goodCode + "'");
        EXPECT_EQ(parent.rows.at(0).at(0).ToText(), group) << row.goodCode;
    }
    // A percentage with more decimals than kept, or none at all, is refused as the box reads it.
    for (const char* bad : {"ten", "0.00001", "1001", "-0.5"})
        EXPECT_THROW(Quarn_DuzAde::fCubeParamPurchaseBigPrice::ReadPercent(Value(std::string(bad)), "edProcent"),
                     ValueError)
            << bad;
    EXPECT_EQ(Quarn_DuzAde::fCubeParamPurchaseBigPrice::ReadPercent(Value(), "edProcent"), Currency());
    EXPECT_EQ(Quarn_DuzAde::fCubeParamPurchaseBigPrice::ReadPercent(Value(12.25), "edProcent"), Money("12.25"));
    for (auto [control, value] :
         {std::pair{"edEndDate", "2024-01-31"}, {"cbGood", "NO'SUCH;--"}, {"edProcent", "-5"}}) {
        SCOPED_TRACE(std::string(control) + " " + value);
        Testing::ScriptedUser user;
        user.Set("fCubeParamPurchaseBigPrice", control, value)
            .Click("fCubeParamPurchaseBigPrice", "btOk")
            .Click("fCubeParamPurchaseBigPrice", "btCancel");
        Quarn_DuzAde::fCubeParamPurchaseBigPrice form;
        EXPECT_FALSE(form.Browse(params, "Purchases"));
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find(std::string(control) + ":"), std::string::npos)
            << user.ErrorMessages()[0];
        EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2026, 12, 31));
        EXPECT_EQ(params.Item("Procent").GetValue().ToCurrency(), Money("2.5"));
    }
}
