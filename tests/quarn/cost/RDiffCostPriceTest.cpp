#include "quarn/cost/RDiffCostPrice.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using Quarn_DuzAde::RDiffCostPrice;

namespace {

// The style a row's cost price cell gets.
std::string StyleOfRow(const Cube::Engine& engine, const std::string& code)
{
    const auto& grid = engine.Grid();
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        const auto& header = grid.RowHeader(row);
        if (header.Codes.size() < 2) continue;
        if (grid.RowDims().at(1)->Member(header.Codes.at(1)).ToText() != code) continue;
        const auto* style = engine.CellStyle(grid.Cell(row, grid.ColumnOf(*grid.FindColHeader({}), "CostPriceCalc")));
        return style ? style->Name : "";
    }
    return "(no row " + code + ")";
}

} // namespace

// Worked by hand: unit costs 10, 11, 12 and 10.5. The lowest is 10; with 10 % tolerated the
// threshold is 11, which itself is not marked; with 0 % every dearer row is.
TEST(DiffCostPrice, MarksTheLowestAndTheRowsAboveTheThreshold)
{
    const auto number = [](std::int64_t n) { return Decimal::FromInteger(n); };
    const std::vector<double> cost{22, 10, 12, 21};
    const std::vector<double> quantity{2, 1, 1, 2};
    const auto lowest = RDiffCostPrice::LowestCostPrice({number(22), number(10), number(12), number(21)},
                                                        {number(2), number(1), number(1), number(2)});
    ASSERT_TRUE(lowest);
    EXPECT_DOUBLE_EQ(lowest->inCube, 10);
    EXPECT_EQ(lowest->exact, number(10));
    EXPECT_EQ(RDiffCostPrice::BigPriceThreshold(number(10), Currency::Parse("10")), Currency::Parse("11"));
    EXPECT_EQ(RDiffCostPrice::BigPriceThreshold(number(1) / number(3), Currency::Parse("12.5")),
              Currency::Parse("0.375"));
    EXPECT_EQ(RDiffCostPrice::BigPriceThreshold(Decimal::Parse("2.00004"), Currency()), Currency::Parse("2"));
    EXPECT_FALSE(RDiffCostPrice::LowestCostPrice({number(5)}, {number(0)}));
    EXPECT_THROW(RDiffCostPrice::LowestCostPrice({number(5), number(6)}, {number(1)}), ValueError);

    for (auto [percent, expected] : {std::pair{"10", std::vector<std::string>{"", "MinPrice", "BigPrice", ""}},
                                     {"0", std::vector<std::string>{"BigPrice", "MinPrice", "BigPrice", "BigPrice"}}}) {
        SCOPED_TRACE(std::string("percent ") + percent);
        Cube::CubeSource source;
        source.AddColumn("Good", std::vector<std::string>{"G", "G", "G", "G"});
        source.AddColumn("Code", std::vector<std::string>{"r1", "r2", "r3", "r4"});
        source.AddColumn("CostSumm", cost);
        source.AddColumn("AmountAccount", quantity);
        Cube::Engine engine;
        engine.SetSource(source);
        RDiffCostPrice::DefineCube(engine);
        RDiffCostPrice::MarkPrices(engine, *lowest,
                                   RDiffCostPrice::BigPriceThreshold(lowest->exact, Currency::Parse(percent)));
        engine.SetActive(true);
        EXPECT_EQ(engine.Styles().Find("MinPrice")->BackColor, 204u | (255u << 8) | (204u << 16));
        EXPECT_EQ(engine.Styles().Find("BigPrice")->BackColor, 255u | (225u << 8) | (225u << 16));
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(StyleOfRow(engine, "r" + std::to_string(i + 1)), expected[i]) << "r" << i + 1;
        // Marked twice, the conditions stay two.
        RDiffCostPrice::MarkPrices(engine, *lowest, Currency::Parse("11"));
        EXPECT_EQ(engine.Facts().Item("CostPriceCalc").Conditions().Count(), 2u);
    }
}

// A parameter missing opens nothing and says which, with the single button "Gerai".
TEST(DiffCostPrice, MissingParameterOpensNothing)
{
    auto book = Testing::OpenDemoBook("tester");
    for (const char* left : {"BegDate", "GoodCode", "Procent", "CalcMinCost"}) {
        SCOPED_TRACE(left);
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        for (const char* name : {"BegDate", "EndDate"})
            if (std::string(name) != left) params.Add(name, FieldType::kDate, Value(Date(2025, 1, 1)));
        if (std::string("GoodCode") != left) params.Add("GoodCode", FieldType::kCode, Value(std::string()));
        if (std::string("Procent") != left) params.Add("Procent", FieldType::kAmount, Value(Currency()));
        if (std::string("CalcMinCost") != left) params.Add("CalcMinCost", FieldType::kFlag, Value(1));
        Testing::ScriptedUser user;
        user.Answer("Gerai");
        auto report = std::make_shared<RDiffCostPrice>();
        report->Main(params);
        EXPECT_EQ(user.ErrorsText(), "");
        ASSERT_EQ(user.MessageTexts().size(), 1u);
        EXPECT_NE(user.MessageTexts()[0].find(left), std::string::npos) << user.MessageTexts()[0];
        EXPECT_EQ(user.Session().FindWindow(CubeWindow::kFormName), nullptr);
    }
}

// Over the demo company: one cell per purchase row of the goods with a cost and a
// quantity (a row written without them is not in the cube), the lowest cost price computed
// from the rows loaded, its rows green and those above the threshold pink.
TEST(DiffCostPrice, OpensTheGoodsRowsWithoutThoseLackingCostOrQuantity)
{
    auto book = Testing::OpenDemoBook("tester");
    Data::Transaction tx(book->Db());
    auto good = book->Db().QueryPostgres(
        "SELECT s.GoodCode, MIN(s.DocID), COUNT(*) FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID "
        "WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31' "
        "AND s.CostSumm <> 0 AND s.AmountAccount <> 0 GROUP BY 1 HAVING COUNT(*) >= 3 ORDER BY 1 LIMIT 1");
    ASSERT_EQ(good.rows.size(), 1u);
    const std::string code = good.rows.at(0).at(0).ToText();
    const std::string doc = good.rows.at(0).at(1).ToText();
    book->Db().QueryPostgres("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, "
                             "Summa, CostSumm) SELECT " +
                             doc + ", MAX(PosNumb) + 1, '" + code +
                             "', MIN(UnitCode), 1, 1, 5, 0 FROM THGoodSpec WHERE DocID = " + doc +
                             " UNION ALL SELECT " + doc + ", MAX(PosNumb) + 2, '" + code +
                             "', MIN(UnitCode), 0, 0, 5, 5 FROM THGoodSpec WHERE DocID = " + doc);
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("BegDate", FieldType::kDate, Value(Date(2025, 1, 1)));
    params.Add("EndDate", FieldType::kDate, Value(Date(2025, 12, 31)));
    params.Add("GoodCode", FieldType::kCode, Value(code));
    params.Add("Procent", FieldType::kAmount, Value(Currency::Parse("5")));
    params.Add("CalcMinCost", FieldType::kFlag, Value(1));
    Testing::ScriptedUser user;
    user.Accept("CubeSrcList");
    auto report = std::make_shared<RDiffCostPrice>();
    report->Main(params);
    ASSERT_EQ(user.ErrorsText(), "");
    auto* window = dynamic_cast<CubeWindow*>(user.Session().FindWindow(CubeWindow::kFormName));
    ASSERT_NE(window, nullptr);
    auto& engine = window->CubeControl().cube();
    const auto& grid = engine.Grid();
    auto rows = book->Db().QueryPostgres(
        "SELECT s.CostSumm::float8, s.AmountAccount::float8 FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID "
        "WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31' "
        "AND s.CostSumm <> 0 AND s.AmountAccount <> 0 AND s.GoodCode = '" +
        code + "'");
    double lowest = 1e300;
    double total = 0;
    for (const auto& r : rows.rows) {
        lowest = std::min(lowest, r.at(0).ToDouble() / r.at(1).ToDouble());
        total += r.at(0).ToDouble();
    }
    ASSERT_TRUE(report->MinCost());
    EXPECT_NEAR(report->MinCost()->ToDouble(), lowest, 1e-9);
    const auto cols = *grid.FindColHeader({});
    EXPECT_NEAR(*grid.FactValue(*grid.FindRow({}), cols, "CostSumm"), total, 0.005);
    std::size_t rowCells = 0, green = 0, pink = 0;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        if (grid.RowHeader(row).Codes.size() < 2) continue;
        ++rowCells;
        const double price = *grid.FactValue(row, cols, "CostPriceCalc");
        const auto* style = engine.CellStyle(grid.Cell(row, grid.ColumnOf(cols, "CostPriceCalc")));
        const std::string name = style ? style->Name : "";
        if (price == lowest) {
            EXPECT_EQ(name, "MinPrice");
            ++green;
        } else if (price > lowest * 1.05 + 0.0001) {
            EXPECT_EQ(name, "BigPrice") << price;
            ++pink;
        } else if (price < lowest * 1.05 - 0.0001) {
            EXPECT_EQ(name, "") << price;
        }
    }
    EXPECT_EQ(rowCells, rows.rows.size());
    EXPECT_GE(green, 1u);
    EXPECT_GT(pink, 0u);
    // A double-click on the goods' value lists its purchase rows, their value adding up.
    const auto goodsRow = *grid.FindRow({grid.RowDims().at(0)->Member(grid.RowHeader(0).Codes.at(0))});
    window->CubeControl().UserDblClickCell(grid.ColumnOf(cols, "CostSumm"), goodsRow);
    ASSERT_EQ(user.ErrorsText(), "");
    ASSERT_NE(report->Wrapper()->ListForm(), nullptr);
    const auto& shown = report->Wrapper()->ListForm()->GridCtl("SpecGrid");
    EXPECT_EQ(shown.RowCount(), rows.rows.size());
    double listed = 0;
    for (std::size_t r = 0; r < shown.RowCount(); ++r)
        listed += shown.Cell(r, "CostSumm").ToDouble();
    EXPECT_NEAR(listed, total, 0.005);
    EXPECT_EQ(window->CubeControl().Caption(), "Cost prices of purchases " + code + " 2025-01-01 - 2025-12-31");
}
