#include "host/cube/Engine.hpp"
#include "host/cube/FormulaError.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Talvex::Cube;

namespace {

// Goods A and B in group G1, C in G2; months January to March 2025 across the columns.
//   A: Jan 100 (cost 80), Feb 200 (cost 90)
//   B: Jan 50 (cost 50), Mar 0 (cost 10)
//   C: Feb 0 (cost 5)
// Column headers: Jan, Feb, Mar, total; rows: A, B, G1, C, G2, grand total.
void DefineTrendCube(Engine& engine)
{
    CubeSource source;
    source.AddColumn("Group", std::vector<std::string>{"G1", "G1", "G1", "G1", "G2"});
    source.AddColumn("Good", std::vector<std::string>{"A", "A", "B", "B", "C"});
    source.AddColumn("DocumentDate", std::vector<Date>{Date(2025, 1, 10), Date(2025, 2, 10), Date(2025, 1, 15),
                                                       Date(2025, 3, 1), Date(2025, 2, 20)});
    source.AddColumn("Summa", std::vector<double>{100, 200, 50, 0, 0});
    source.AddColumn("Cost", std::vector<double>{80, 90, 50, 10, 5});
    engine.SetSource(source);
    engine.Dims().Add("Group").MoveTo(Axis::Rows, 0);
    engine.Dims().Add("Good").MoveTo(Axis::Rows, 1);
    engine.Dims().Add("DocumentDate");
    engine.Dims().AddCalculated("Month", "DocumentDate", PeriodLevel::Month).MoveTo(Axis::Columns, 0);
    engine.UserFunctions().Add("Delta(Val1, Val2)=100*(Val2-Val1)/Val1");
    engine.BaseFacts().Add("Summa");
    engine.BaseFacts().Add("Cost");
    engine.Facts().Add("Summa");
    engine.Facts().Add("Cost").FactVisible = false;
    engine.Facts().AddCalculated("Profit", "", "Summa - Cost");
    engine.Facts().AddCalculated("Percent", "", "Profit*100/Summa");
    engine.Facts().AddCalculated("DSumma", "", "if(IsTotal(),0,Delta(Summa[$pos-1],Summa))");
    engine.Facts().AddCalculated("Total", "", "IsTotal()");
}

constexpr std::size_t kJan = 0, kFeb = 1, kMar = 2, kAllMonths = 3;

} // namespace

TEST(CubeEngineFormulas, TrendsTotalsAndHiddenFactsAtTheirCells)
{
    Engine engine;
    DefineTrendCube(engine);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    ASSERT_EQ(grid.ColHeaderCount(), 4u);
    ASSERT_TRUE(grid.ColHeader(kAllMonths).IsGrandTotal());
    const auto a = *grid.FindRow({Value("G1"), Value("A")});
    const auto b = *grid.FindRow({Value("G1"), Value("B")});
    const auto g1 = *grid.FindRow({Value("G1")});
    const auto c = *grid.FindRow({Value("G2"), Value("C")});
    const auto g2 = *grid.FindRow({Value("G2")});
    const auto all = *grid.FindRow({});
    auto at = [&](std::size_t row, std::size_t col, const char* fact) { return grid.FactValue(row, col, fact); };

    // The trend: blank at the first month (no neighbour) and after a month without sales,
    // the change against the month before elsewhere, 0 on every total.
    EXPECT_FALSE(at(a, kJan, "DSumma"));
    EXPECT_DOUBLE_EQ(*at(a, kFeb, "DSumma"), 100.0); // 100 -> 200
    EXPECT_FALSE(at(a, kMar, "DSumma"));             // no sales in March
    EXPECT_FALSE(at(b, kMar, "DSumma"));             // nothing in February to compare with
    EXPECT_DOUBLE_EQ(*at(a, kAllMonths, "DSumma"), 0.0);
    for (std::size_t col : {kJan, kFeb, kMar, kAllMonths}) {
        EXPECT_DOUBLE_EQ(*at(g1, col, "DSumma"), 0.0) << col;
        EXPECT_DOUBLE_EQ(*at(all, col, "DSumma"), 0.0) << col;
        EXPECT_DOUBLE_EQ(*at(g1, col, "Total"), 1.0) << col;  // subtotal row
        EXPECT_DOUBLE_EQ(*at(all, col, "Total"), 1.0) << col; // grand-total row
    }
    EXPECT_DOUBLE_EQ(*at(a, kJan, "Total"), 0.0);
    EXPECT_DOUBLE_EQ(*at(a, kAllMonths, "Total"), 1.0); // grand-total column

    // Division by zero at a total is blank, and so is a member's; totals come from totals.
    EXPECT_FALSE(at(c, kFeb, "Percent"));
    EXPECT_FALSE(at(g2, kFeb, "Percent"));
    EXPECT_FALSE(at(all, kMar, "Percent"));
    EXPECT_DOUBLE_EQ(*at(all, kAllMonths, "Profit"), 115.0);              // 350 - 235
    EXPECT_DOUBLE_EQ(*at(all, kAllMonths, "Percent"), 115.0 * 100 / 350); // not a sum of percentages

    // A hidden fact is no column of the grid but formulas still read it.
    EXPECT_THROW((void)grid.ColumnOf(0, "Cost"), ValueError);
    EXPECT_DOUBLE_EQ(*at(a, kJan, "Profit"), 20.0);
    EXPECT_DOUBLE_EQ(*at(g1, kJan, "Profit"), 20.0); // 150 - 130

    // A style by formula sees the same totals.
    engine.Styles().Add("total").TextColor = 0x0000FFu;
    engine.Conditions().AddFormula("total", "IsTotal()");
    auto styled = [&](std::size_t row, std::size_t col) {
        return engine.CellStyle(grid.Cell(row, grid.ColumnOf(col, "Summa"))) != nullptr;
    };
    EXPECT_TRUE(styled(g1, kJan));
    EXPECT_TRUE(styled(a, kAllMonths));
    EXPECT_FALSE(styled(a, kFeb));

    // Rows opened at their outer level only: a collapsed group is a member, not a total, and
    // its trend is its own.
    engine.SetDrillDownLevel(Axis::Rows, 0);
    const auto& outer = engine.Grid();
    const auto group = *outer.FindRow({Value("G1")});
    EXPECT_DOUBLE_EQ(*outer.FactValue(group, kJan, "Total"), 0.0);
    EXPECT_NEAR(*outer.FactValue(group, kFeb, "DSumma"), 100.0 * (200 - 150) / 150, 1e-9);
    EXPECT_DOUBLE_EQ(*outer.FactValue(*outer.FindRow({}), kFeb, "Total"), 1.0);

    // With the months down the rows and the groups across, the trend follows the months.
    engine.Dims().Item("Group").MoveTo(Axis::Columns, 0);
    engine.Dims().Item("Good").MoveTo(Axis::Filter, 0);
    engine.Dims().Item("Month").MoveTo(Axis::Rows, 0);
    const auto& turned = engine.Grid();
    EXPECT_FALSE(turned.PositionsAlongColumns());
    const auto g1Col = *turned.FindColHeader({Value("G1")});
    EXPECT_NEAR(*turned.FactValue(kFeb, g1Col, "DSumma"), 100.0 * (200 - 150) / 150, 1e-9);
    EXPECT_FALSE(turned.FactValue(kJan, g1Col, "DSumma"));
}

TEST(CubeEngineFormulas, FormulaErrorsNameTheFormulaAndTheFact)
{
    auto activationError = [](const char* formula) {
        Engine engine;
        DefineTrendCube(engine);
        engine.Facts().AddCalculated("Bad", "", formula);
        try {
            engine.SetActive(true);
        } catch (const FormulaError& e) {
            EXPECT_FALSE(engine.Active());
            return std::string(e.what());
        }
        return std::string("no error");
    };
    auto message = activationError("Trend(Summa)");
    EXPECT_NE(message.find("\"Trend(Summa)\" of fact \"Bad\""), std::string::npos) << message;
    EXPECT_NE(message.find("unknown function 'Trend'"), std::string::npos) << message;
    message = activationError("Delta(Summa)");
    EXPECT_NE(message.find("of fact \"Bad\": Delta takes 2 arguments, not 1"), std::string::npos) << message;
    message = activationError("Sumna[$pos-1]");
    EXPECT_NE(message.find("unknown fact \"Sumna\""), std::string::npos) << message;

    // An error met only at a cell names the fact that was being computed.
    Engine engine;
    DefineTrendCube(engine);
    engine.UserFunctions().Add("Loop(a)=Loop(a)");
    engine.Facts().AddCalculated("Looping", "", "Loop(Summa)");
    engine.SetActive(true);
    try {
        (void)engine.Grid().FactValue(0, 0, "Looping");
        ADD_FAILURE() << "a looping function returned";
    } catch (const FormulaError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("calls itself"), std::string::npos) << text;
        EXPECT_NE(text.find("fact \"Looping\""), std::string::npos) << text;
    }
}
