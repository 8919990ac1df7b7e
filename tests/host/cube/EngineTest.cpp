#include "host/cube/Engine.hpp"
#include "host/cube/FormulaError.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

using namespace Talvex;
using namespace Talvex::Cube;

namespace {

// Sales lines generated from a fixed seed, kept both as plain rows (for the sums the tests
// compute themselves) and as the cube's source columns.
struct SaleRow {
    std::string region;
    std::int64_t manager;
    Date date;
    double summa;
    double cost;
};

struct SalesFixture {
    std::vector<SaleRow> rows;
    CubeSource source;
};

SalesFixture MakeSales(std::size_t count)
{
    SalesFixture fx;
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    const char* regions[] = {"North", "South", "East", "West"};
    const Date first(2014, 12, 1);
    std::vector<Value> region;
    std::vector<std::int64_t> manager;
    std::vector<Date> date;
    std::vector<double> summa;
    std::vector<Value> cost;
    for (std::size_t i = 0; i < count; ++i) {
        SaleRow row{regions[next(4)], static_cast<std::int64_t>(next(5) + 1),
                    first.AddDays(static_cast<std::int32_t>(next(430))), static_cast<double>(next(100000)) / 100.0,
                    static_cast<double>(next(120000)) / 100.0};
        region.emplace_back(row.region);
        manager.push_back(row.manager);
        date.push_back(row.date);
        summa.push_back(row.summa);
        cost.emplace_back(Currency::FromUnits(static_cast<std::int64_t>(std::llround(row.cost * 10000))));
        fx.rows.push_back(row);
    }
    fx.source.AddColumn("Region", std::move(region));
    fx.source.AddColumn("Manager", std::move(manager));
    fx.source.AddColumn("DocumentDate", std::move(date));
    fx.source.AddColumn("Summa", std::move(summa));
    fx.source.AddColumn("Cost", std::move(cost));
    return fx;
}

void DefineSalesCube(Engine& engine, CubeSource source)
{
    engine.SetSource(std::move(source));
    engine.Dims().Add("Region", "Region");
    engine.Dims().Add("Manager", "Manager");
    engine.Dims().Add("DocumentDate");
    engine.Dims().AddCalculated("Year", "DocumentDate", PeriodLevel::Year);
    engine.Dims().AddCalculated("Month", "DocumentDate", PeriodLevel::Month);
    engine.Dims().AddCalculated("Week", "DocumentDate", PeriodLevel::Week);
    engine.BaseFacts().Add("Summa");
    engine.BaseFacts().Add("Cost");
    engine.Facts().Add("Summa", "Sum");
    engine.Facts().Add("Cost", "Cost");
    engine.Facts().AddCalculated("Profit", "Profit", "Summa - Cost");
    engine.Facts().AddCalculated("Percent", "Profit %", "max( Profit, 0 )*100/Summa");
}

double ValueAt(const CubeGrid& grid, std::size_t row, std::size_t colHeader, const char* fact)
{
    return grid.FactValue(row, colHeader, fact).value_or(0.0);
}

constexpr double kTolerance = 1e-6;

} // namespace

TEST(CubeEngine, TotalsAndSubtotalsOfSeveralLayoutsEqualSumsOverTheRows)
{
    auto fx = MakeSales(3000);
    Engine engine;
    DefineSalesCube(engine, fx.source);
    engine.Dims().Item("Region").MoveTo(Axis::Rows, 0);
    engine.Dims().Item("Manager").MoveTo(Axis::Rows, 1);
    engine.Dims().Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetActive(true);

    // Rows Region > Manager, columns Year: every leaf, subtotal and total against the rows.
    std::map<std::tuple<std::string, std::int64_t, int>, double> leaf;
    std::map<std::pair<std::string, int>, double> byRegionYear;
    std::map<int, double> byYear;
    std::map<std::string, double> byRegion;
    double total = 0;
    for (const auto& r : fx.rows) {
        leaf[{r.region, r.manager, r.date.Year()}] += r.summa;
        byRegionYear[{r.region, r.date.Year()}] += r.summa;
        byYear[r.date.Year()] += r.summa;
        byRegion[r.region] += r.summa;
        total += r.summa;
    }
    const auto& grid = engine.Grid();
    ASSERT_EQ(grid.ColHeaderCount(), byYear.size() + 1);
    // 4 regions with 5 managers each, a subtotal per region and the grand total.
    ASSERT_EQ(grid.RowCount(), 4u * 5u + 4u + 1u);
    for (const auto& [key, sum] : leaf) {
        const auto& [region, manager, year] = key;
        const auto row = grid.FindRow({Value(region), Value(manager)});
        const auto col = grid.FindColHeader({Value(std::int64_t{year})});
        ASSERT_TRUE(row && col);
        EXPECT_NEAR(ValueAt(grid, *row, *col, "Summa"), sum, kTolerance);
    }
    for (const auto& [key, sum] : byRegionYear) {
        const auto row = grid.FindRow({Value(key.first)});
        const auto col = grid.FindColHeader({Value(std::int64_t{key.second})});
        EXPECT_NEAR(ValueAt(grid, *row, *col, "Summa"), sum, kTolerance);
    }
    const auto totalRow = *grid.FindRow({});
    const auto totalCol = *grid.FindColHeader({});
    EXPECT_EQ(totalRow, grid.RowCount() - 1) << "grand total comes last";
    for (const auto& [year, sum] : byYear)
        EXPECT_NEAR(ValueAt(grid, totalRow, *grid.FindColHeader({Value(std::int64_t{year})}), "Summa"), sum,
                    kTolerance);
    for (const auto& [region, sum] : byRegion)
        EXPECT_NEAR(ValueAt(grid, *grid.FindRow({Value(region)}), totalCol, "Summa"), sum, kTolerance);
    EXPECT_NEAR(ValueAt(grid, totalRow, totalCol, "Summa"), total, kTolerance);

    // Rows Year > Month, columns Region, with a filter on two managers.
    engine.Dims().Item("Region").MoveTo(Axis::Columns, 0);
    engine.Dims().Item("Manager").MoveTo(Axis::Filter, 0);
    engine.Dims().Item("Manager").SetSelection({Value(std::int64_t{2}), Value(std::int64_t{4})});
    engine.Dims().Item("Year").MoveTo(Axis::Rows, 0);
    engine.Dims().Item("Month").MoveTo(Axis::Rows, 1);
    std::map<std::tuple<int, unsigned, std::string>, double> costByMonth;
    std::map<int, double> costByYear;
    double filteredCost = 0;
    std::size_t filteredRows = 0;
    for (const auto& r : fx.rows) {
        if (r.manager != 2 && r.manager != 4) continue;
        costByMonth[{r.date.Year(), r.date.Month(), r.region}] += r.cost;
        costByYear[r.date.Year()] += r.cost;
        filteredCost += r.cost;
        ++filteredRows;
    }
    const auto& grid2 = engine.Grid();
    for (const auto& [key, sum] : costByMonth) {
        const auto& [year, month, region] = key;
        const auto row = grid2.FindRow({Value(std::int64_t{year}), Value(std::int64_t{month})});
        const auto col = grid2.FindColHeader({Value(region)});
        ASSERT_TRUE(row && col);
        EXPECT_NEAR(ValueAt(grid2, *row, *col, "Cost"), sum, kTolerance);
    }
    const auto total2 = grid2.ColHeaderCount() - 1;
    for (const auto& [year, sum] : costByYear)
        EXPECT_NEAR(ValueAt(grid2, *grid2.FindRow({Value(std::int64_t{year})}), total2, "Cost"), sum, kTolerance);
    EXPECT_NEAR(ValueAt(grid2, grid2.RowCount() - 1, total2, "Cost"), filteredCost, kTolerance);
    EXPECT_EQ(grid2.RowCountAt(grid2.RowCount() - 1, total2), filteredRows);

    // Drill-down level 0 on the rows: only the years, then the total.
    engine.SetDrillDownLevel(Axis::Rows, 0);
    const auto& grid3 = engine.Grid();
    EXPECT_EQ(grid3.RowDims().size(), 1u);
    EXPECT_EQ(grid3.RowCount(), costByYear.size() + 1);
    EXPECT_NEAR(ValueAt(grid3, grid3.RowCount() - 1, grid3.ColHeaderCount() - 1, "Cost"), filteredCost, kTolerance);
}

TEST(CubeEngine, CalculatedFactsAtTotalsComeFromTheTotals)
{
    // Worked by hand: A sells 100 at a cost of 50 (profit 50, 50 %), B sells 300 at 330
    // (profit -30, so 0 %). The total is 400 against 380: profit 20, 5 %, not 50 + 0.
    CubeSource source;
    source.AddColumn("Client", std::vector<std::string>{"A", "B", "B"});
    source.AddColumn("Summa", std::vector<double>{100, 200, 100});
    source.AddColumn("Cost", std::vector<double>{50, 300, 30});
    Engine engine;
    engine.SetSource(source);
    engine.Dims().Add("Client").MoveTo(Axis::Rows, 0);
    engine.BaseFacts().Add("Summa");
    engine.BaseFacts().Add("Cost");
    engine.Facts().AddCalculated("Percent", "Profit %", "max( Profit, 0 )*100/Summa"); // before Profit on purpose
    engine.Facts().Add("Summa");
    engine.Facts().Add("Cost");
    engine.Facts().AddCalculated("Profit", "Profit", "Summa - Cost");
    engine.Facts().Add("Lines", "Lines", "Summa", Aggregation::Count);
    engine.Facts().Add("Biggest", "Biggest", "Summa", Aggregation::Max);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    const auto a = *grid.FindRow({Value("A")});
    const auto b = *grid.FindRow({Value("B")});
    const auto total = *grid.FindRow({});
    EXPECT_DOUBLE_EQ(*grid.FactValue(a, 0, "Percent"), 50.0);
    EXPECT_DOUBLE_EQ(*grid.FactValue(b, 0, "Percent"), 0.0);
    EXPECT_DOUBLE_EQ(*grid.FactValue(b, 0, "Profit"), -30.0);
    EXPECT_DOUBLE_EQ(*grid.FactValue(total, 0, "Profit"), 20.0);
    EXPECT_DOUBLE_EQ(*grid.FactValue(total, 0, "Percent"), 5.0);
    EXPECT_DOUBLE_EQ(*grid.FactValue(b, 0, "Lines"), 2.0);
    EXPECT_DOUBLE_EQ(*grid.FactValue(total, 0, "Biggest"), 200.0);

    // The same through the cells the window shows: column = fact position.
    const auto percentCell = grid.Cell(total, grid.ColumnOf(0, "Percent"));
    EXPECT_EQ(percentCell.Fact().Name(), "Percent");
    EXPECT_DOUBLE_EQ(percentCell.Value(), 5.0);
    EXPECT_FALSE(percentCell.IsBlank());
}

TEST(CubeEngine, DivisionByZeroAndCellsWithoutRowsAreBlank)
{
    CubeSource source;
    source.AddColumn("Client", std::vector<std::string>{"A", "B"});
    source.AddColumn("Kind", std::vector<std::string>{"Sale", "Return"});
    source.AddColumn("Summa", std::vector<double>{0, 10});
    Engine engine;
    engine.SetSource(source);
    engine.Dims().Add("Client").MoveTo(Axis::Rows, 0);
    engine.Dims().Add("Kind").MoveTo(Axis::Columns, 0);
    engine.BaseFacts().Add("Summa");
    engine.Facts().Add("Summa");
    engine.Facts().AddCalculated("Share", "Share", "100/Summa");
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    const auto a = *grid.FindRow({Value("A")});
    const auto sale = *grid.FindColHeader({Value("Sale")});
    const auto ret = *grid.FindColHeader({Value("Return")});
    EXPECT_TRUE(grid.Cell(a, grid.ColumnOf(sale, "Share")).IsBlank());  // 100 / 0
    EXPECT_FALSE(grid.Cell(a, grid.ColumnOf(sale, "Summa")).IsBlank()); // a real 0
    EXPECT_TRUE(grid.Cell(a, grid.ColumnOf(ret, "Summa")).IsBlank());   // no rows
    EXPECT_TRUE(grid.Cell(a, grid.ColumnOf(ret, "Summa")).Coordinates().IsBlank());
    EXPECT_DOUBLE_EQ(grid.Cell(grid.RowCount() - 1, grid.ColumnOf(grid.ColHeaderCount() - 1, "Share")).Value(), 10.0);
}

TEST(CubeEngine, PeriodLevelsGroupRowsAcrossTheYearEnd)
{
    CubeSource source;
    source.AddColumn("DocumentDate", std::vector<Date>{Date::Parse("2015-12-28"), Date::Parse("2015-12-31"),
                                                       Date::Parse("2016-01-01"), Date::Parse("2016-01-03"),
                                                       Date::Parse("2016-01-04"), Date::Parse("2016-01-11")});
    source.AddColumn("Summa", std::vector<double>{1, 2, 4, 8, 16, 32});
    Engine engine;
    engine.SetSource(source);
    engine.Dims().Add("DocumentDate");
    engine.Dims().AddCalculated("Year", "DocumentDate", PeriodLevel::Year).MoveTo(Axis::Rows, 0);
    engine.Dims().AddCalculated("Week", "DocumentDate", PeriodLevel::Week).MoveTo(Axis::Rows, 1);
    engine.Dims().AddCalculated("Dec", "DocumentDate", PeriodLevel::Dec);
    engine.BaseFacts().Add("Summa");
    engine.Facts().Add("Summa");
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    auto at = [&](std::vector<Value> members) { return grid.FactValue(*grid.FindRow(members), 0, "Summa").value(); };
    EXPECT_DOUBLE_EQ(at({Value(std::int64_t{2015}), Value(std::int64_t{53})}), 1 + 2);
    EXPECT_DOUBLE_EQ(at({Value(std::int64_t{2016}), Value(std::int64_t{1})}), 4 + 8);
    EXPECT_DOUBLE_EQ(at({Value(std::int64_t{2016}), Value(std::int64_t{2})}), 16);
    EXPECT_DOUBLE_EQ(at({Value(std::int64_t{2016}), Value(std::int64_t{3})}), 32);
    EXPECT_DOUBLE_EQ(at({Value(std::int64_t{2015})}), 3);
    EXPECT_DOUBLE_EQ(at({Value(std::int64_t{2016})}), 60);
    // Headers in key order with subtotals after their members: 2015/53, 2015, 2016/1 ...
    ASSERT_EQ(grid.RowCount(), 7u);
    EXPECT_EQ(grid.RowHeader(0).Codes.size(), 2u);
    EXPECT_EQ(grid.RowHeader(1).Codes.size(), 1u);
    EXPECT_EQ(grid.RowDims()[0]->Member(grid.RowHeader(2).Codes[0]), Value(std::int64_t{2016}));
    EXPECT_EQ(grid.RowDims()[1]->Member(grid.RowHeader(2).Codes[1]), Value(std::int64_t{1}));

    // Ten-day parts pool both years: 28 and 31 December are in the third, the January dates in the first and second.
    engine.Dims().Item("Week").MoveTo(Axis::Filter, 0);
    engine.Dims().Item("Year").MoveTo(Axis::Filter, 0);
    engine.Dims().Item("Dec").MoveTo(Axis::Rows, 0);
    const auto& byDecade = engine.Grid();
    EXPECT_DOUBLE_EQ(*byDecade.FactValue(*byDecade.FindRow({Value(std::int64_t{1})}), 0, "Summa"), 4 + 8 + 16);
    EXPECT_DOUBLE_EQ(*byDecade.FactValue(*byDecade.FindRow({Value(std::int64_t{2})}), 0, "Summa"), 32);
    EXPECT_DOUBLE_EQ(*byDecade.FactValue(*byDecade.FindRow({Value(std::int64_t{3})}), 0, "Summa"), 1 + 2);
}

TEST(CubeEngine, CellSourceRowsSumToTheCellAndMatchItsFilter)
{
    auto fx = MakeSales(2000);
    Engine engine;
    DefineSalesCube(engine, fx.source);
    engine.Dims().Item("Year").MoveTo(Axis::Rows, 0);
    engine.Dims().Item("Month").MoveTo(Axis::Rows, 1);
    engine.Dims().Item("Region").MoveTo(Axis::Columns, 0);
    engine.Dims().Item("Manager").SetSelection({Value(std::int64_t{1}), Value(std::int64_t{3})});
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    const std::vector<std::size_t> rows = {0, 1, grid.RowCount() / 2, grid.RowCount() - 1};
    for (const auto row : rows) {
        for (std::size_t colHeader = 0; colHeader < grid.ColHeaderCount(); ++colHeader) {
            const auto cell = grid.Cell(row, grid.ColumnOf(colHeader, "Summa"));
            const auto sourceRows = engine.SourceRows(cell);
            double sum = 0;
            for (const auto r : sourceRows)
                sum += fx.rows[r].summa;
            EXPECT_NEAR(sum, cell.Value(), kTolerance) << "row " << row << " column " << colHeader;

            // The filter, read as plain conditions over the rows, selects the same rows.
            const auto filter = engine.CellFilter(cell);
            std::vector<std::size_t> selected;
            for (std::size_t r = 0; r < fx.rows.size(); ++r) {
                bool all = true;
                for (const auto& item : filter) {
                    Value v = fx.source.ValueAt(item.FieldName, r);
                    if (item.Level != PeriodLevel::None) v = Value(std::int64_t{PeriodMember(v.ToDate(), item.Level)});
                    bool any = false;
                    for (const auto& m : item.Members)
                        any = any || v.ToText() == m.ToText();
                    all = all && any;
                }
                if (all) selected.push_back(r);
            }
            EXPECT_EQ(selected, sourceRows);
        }
    }
    // The coordinates name the cell's members; the grand total has none.
    const auto leaf = grid.Cell(0, 0).Coordinates();
    ASSERT_EQ(leaf.Count(), 3u);
    EXPECT_EQ(leaf.Dimension(0).Name(), "Year");
    EXPECT_EQ(leaf.Dimension(1).FieldName(), "DocumentDate");
    EXPECT_EQ(leaf.MemberByName("Year"), leaf.Member(0));
    EXPECT_TRUE(leaf.MemberByName("Manager").IsEmpty());
    EXPECT_EQ(grid.Cell(grid.RowCount() - 1, grid.ColCount() - 1).Coordinates().Count(), 0u);
}

TEST(CubeEngine, ReLayoutAndPreGroupingKeepTheGrandTotal)
{
    auto fx = MakeSales(1500);
    double summa = 0;
    double profit = 0;
    for (const auto& r : fx.rows) {
        summa += r.summa;
        profit += r.summa - r.cost;
    }
    for (const bool preGrouping : {false, true}) {
        Engine engine;
        DefineSalesCube(engine, fx.source);
        engine.PreGrouping = preGrouping;
        engine.SetActive(true);
        auto grandTotal = [&](const char* fact) {
            const auto& grid = engine.Grid();
            return *grid.FactValue(grid.RowCount() - 1, grid.ColHeaderCount() - 1, fact);
        };
        EXPECT_NEAR(grandTotal("Summa"), summa, kTolerance);
        engine.Dims().Item("Region").MoveTo(Axis::Rows, 0);
        EXPECT_NEAR(grandTotal("Summa"), summa, kTolerance);
        engine.Dims().Item("Week").MoveTo(Axis::Columns, 0);
        engine.Dims().Item("Manager").MoveTo(Axis::Rows, 0);
        EXPECT_NEAR(grandTotal("Profit"), profit, kTolerance);
        engine.Dims().Item("Region").MoveTo(Axis::Columns, 0);
        EXPECT_NEAR(grandTotal("Summa"), summa, kTolerance);
        const auto& grid = engine.Grid();
        EXPECT_EQ(grid.ColDims()[0]->Name(), "Region");
        EXPECT_EQ(grid.ColDims()[1]->Name(), "Week");
        EXPECT_EQ(grid.RowCountAt(grid.RowCount() - 1, grid.ColHeaderCount() - 1), fx.rows.size());
    }
}

TEST(CubeEngine, MembersShowMappedTextsAndSortByKeyOrText)
{
    CubeSource source;
    source.AddColumn("Department", std::vector<Value>{Value("D2"), Value("D1"), Value("D3"), Value("D1")});
    source.AddColumn("Summa",
                     std::vector<Value>{Value(1.0), Value(2.0), Value(Null{}), Value(Currency::FromInteger(4))});
    Engine engine;
    engine.SetSource(source);
    engine.SetOnDimMapping([](const Dimension& dim, const Value& key) {
        static const std::map<std::string, std::string> names{{"D1", "Sales"}, {"D2", "Logistics"}, {"D3", "Finance"}};
        return dim.Name() + ":" + names.at(key.ToText());
    });
    engine.Dims().Add("Department", "Department", 2).MoveTo(Axis::Rows, 0);
    engine.BaseFacts().Add("Summa");
    engine.Facts().Add("Summa");
    engine.SetActive(true);
    auto order = [&] {
        std::vector<std::string> texts;
        const auto& grid = engine.Grid();
        for (std::size_t r = 0; r + 1 < grid.RowCount(); ++r)
            texts.push_back(grid.RowDims()[0]->MemberText(grid.RowHeader(r).Codes[0]));
        return texts;
    };
    EXPECT_EQ(order(), (std::vector<std::string>{"Department:Sales", "Department:Logistics", "Department:Finance"}));
    engine.Dims().Item("Department").SetOrder(Dimension::Order::ByText);
    EXPECT_EQ(order(), (std::vector<std::string>{"Department:Finance", "Department:Logistics", "Department:Sales"}));
    engine.Dims().Item("Department").SetOrder(Dimension::Order::ByKey, true);
    EXPECT_EQ(order(), (std::vector<std::string>{"Department:Finance", "Department:Logistics", "Department:Sales"}));
    const auto& grid = engine.Grid();
    EXPECT_DOUBLE_EQ(*grid.FactValue(*grid.FindRow({Value("D1")}), 0, "Summa"), 6.0);
    EXPECT_DOUBLE_EQ(*grid.FactValue(*grid.FindRow({Value("D3")}), 0, "Summa"), 0.0); // a null amount adds nothing
}

TEST(CubeEngine, ConditionsPickTheFirstStyleThatHolds)
{
    CubeSource source;
    source.AddColumn("Client", std::vector<std::string>{"A", "B", "C"});
    source.AddColumn("Summa", std::vector<double>{-5, 0, 2000});
    source.AddColumn("Cost", std::vector<double>{1, 0, 100});
    Engine engine;
    engine.SetSource(source);
    engine.Dims().Add("Client").MoveTo(Axis::Rows, 0);
    engine.BaseFacts().Add("Summa");
    engine.BaseFacts().Add("Cost");
    engine.Facts().Add("Summa");
    engine.Facts().Add("Cost");
    engine.Styles().Add("negstyle").BackColor = 0x7878FFu;
    engine.Styles().Add("zerostyle").TextColor = 0x80000005u;
    engine.Styles().Add("big").TextColor = 0x0000FFu;
    engine.Styles().Add("costly").BackColor = 0x00FF00u;
    engine.Conditions().AddComparison("negstyle", 0, Condition::Less);
    engine.Conditions().AddComparison("zerostyle", 0, Condition::Equal);
    engine.Conditions().AddFormula("big", "Summa - Cost > 1000");
    auto& cost = engine.Facts().Item("Cost");
    cost.OwnConditions = true;
    cost.Conditions().AddComparison("costly", 50, Condition::NotLess);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    auto style = [&](const char* client, const char* fact) {
        const auto* s = engine.CellStyle(grid.Cell(*grid.FindRow({Value(client)}), grid.ColumnOf(0, fact)));
        return s ? s->Name : std::string("-");
    };
    EXPECT_EQ(style("A", "Summa"), "negstyle");
    EXPECT_EQ(style("B", "Summa"), "zerostyle");
    EXPECT_EQ(style("C", "Summa"), "big");
    EXPECT_EQ(style("A", "Cost"), "-"); // own list: the cube-wide rules do not apply
    EXPECT_EQ(style("B", "Cost"), "-");
    EXPECT_EQ(style("C", "Cost"), "costly");
    EXPECT_EQ(engine.Styles().Find("negstyle")->BackColor, 0x7878FFu);

    engine.Conditions().Clear();
    engine.Conditions().AddFormula("big", "Sumna > 0");
    try {
        (void)engine.CellStyle(grid.Cell(0, 0));
        ADD_FAILURE() << "unknown fact accepted";
    } catch (const FormulaError& e) {
        EXPECT_NE(std::string(e.what()).find("\"Sumna > 0\""), std::string::npos) << e.what();
    }
    EXPECT_THROW(engine.Conditions().AddComparison("big", 0, 9), ValueError);
}

TEST(CubeEngine, DefinitionErrorsNameTheCulprit)
{
    auto expectError = [](auto define, const std::vector<std::string>& fragments) {
        CubeSource source;
        source.AddColumn("Client", std::vector<std::string>{"A"});
        source.AddColumn("Summa", std::vector<double>{1});
        Engine engine;
        engine.SetSource(source);
        engine.Dims().Add("Client");
        engine.BaseFacts().Add("Summa");
        engine.Facts().Add("Summa");
        try {
            define(engine);
            engine.SetActive(true);
            ADD_FAILURE() << "no error for " << fragments.front();
        } catch (const ValueError& e) {
            for (const auto& fragment : fragments)
                EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
            EXPECT_FALSE(engine.Active());
        }
    };
    expectError([](Engine& e) { e.Facts().AddCalculated("Percent", "", "max( Profit, 0 )*100/Summa"); },
                {"\"max( Profit, 0 )*100/Summa\"", "unknown fact \"Profit\"", "Percent"});
    expectError([](Engine& e) { e.Facts().AddCalculated("Profit", "", "Summa - "); }, {"\"Summa - \"", "position 9"});
    expectError(
        [](Engine& e) {
            e.Facts().AddCalculated("X", "", "Y + 1");
            e.Facts().AddCalculated("Y", "", "X * 2");
        },
        {"refers back to itself"});
    expectError([](Engine& e) { e.BaseFacts().Add("Cost"); }, {"no column \"Cost\""});
    expectError([](Engine& e) { e.Facts().Add("Cost"); }, {"\"Cost\" needs the base fact"});
    expectError([](Engine& e) { e.Dims().AddCalculated("Year", "Client", PeriodLevel::Year); },
                {"needs dates in \"Client\""});
    expectError([](Engine& e) { e.Dims().AddCalculated("Year", "Date", PeriodLevel::Year); }, {"\"Date\" added first"});

    Engine active;
    CubeSource source;
    source.AddColumn("Client", std::vector<std::string>{"A"});
    active.SetSource(source);
    active.Dims().Add("Client");
    active.SetActive(true);
    EXPECT_THROW(active.Dims().Add("Other"), ValueError);
    EXPECT_THROW(source.AddColumn("Short", std::vector<double>{}), ValueError);
}

TEST(CubeEngine, OneMemberExpandsPastTheLevelAndCollapsedCellsFoldAllTheirRows)
{
    auto fx = MakeSales(1200);
    for (const bool preGrouping : {false, true}) {
        Engine engine;
        DefineSalesCube(engine, fx.source);
        engine.PreGrouping = preGrouping;
        engine.Dims().Item("Region").MoveTo(Axis::Rows, 0);
        engine.Dims().Item("Manager").MoveTo(Axis::Rows, 1);
        engine.Dims().Item("Year").MoveTo(Axis::Columns, 0);
        engine.Dims().Item("Month").MoveTo(Axis::Columns, 1);
        engine.SetActive(true);
        engine.SetDrillDownLevel(Axis::Rows, 0);
        engine.SetMemberExpanded(Axis::Rows, {Value("South")}, true);
        engine.SetMemberExpanded(Axis::Columns, {Value(std::int64_t{2015})}, false);
        const auto& grid = engine.Grid();
        ASSERT_EQ(grid.RowDims().size(), 2u); // South needs the managers folded
        const std::size_t total = grid.ColHeaderCount() - 1;

        std::map<std::string, double> byRegion;
        std::map<std::int64_t, double> southByManager;
        double sum2015 = 0;
        for (const auto& r : fx.rows) {
            byRegion[r.region] += r.summa;
            if (r.region == "South") southByManager[r.manager] += r.summa;
            if (r.date.Year() == 2015) sum2015 += r.summa;
        }
        // Rows: the other regions closed, South open with its managers and its subtotal.
        std::vector<std::string> shown;
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            const auto& header = grid.RowHeader(row);
            std::string text;
            for (std::size_t i = 0; i < header.Codes.size(); ++i)
                text += (i ? "/" : "") + grid.RowDims()[i]->MemberText(header.Codes[i]);
            shown.push_back(text + (header.Expanded ? "+" : ""));
            if (header.Codes.size() == 1 && text != "South") {
                EXPECT_NEAR(ValueAt(grid, row, total, "Summa"), byRegion[text], kTolerance) << text;
            }
        }
        EXPECT_EQ(shown, (std::vector<std::string>{"East", "North", "South/1", "South/2", "South/3", "South/4",
                                                   "South/5", "South+", "West", ""}));
        for (std::int64_t m = 1; m <= 5; ++m)
            EXPECT_NEAR(ValueAt(grid, *grid.FindRow({Value("South"), Value(m)}), total, "Summa"), southByManager[m],
                        kTolerance);
        EXPECT_NEAR(ValueAt(grid, *grid.FindRow({Value("South")}), total, "Summa"), byRegion["South"], kTolerance);

        // Columns: 2015 closed into one header that holds its months; no month of 2015 shows.
        const auto closed = grid.FindColHeader({Value(std::int64_t{2015})});
        ASSERT_TRUE(closed.has_value());
        EXPECT_FALSE(grid.ColHeader(*closed).Expanded);
        EXPECT_FALSE(grid.FindColHeader({Value(std::int64_t{2015}), Value(std::int64_t{1})}).has_value());
        EXPECT_TRUE(grid.FindColHeader({Value(std::int64_t{2014}), Value(std::int64_t{12})}).has_value());
        const std::size_t grand = grid.RowCount() - 1;
        EXPECT_NEAR(ValueAt(grid, grand, *closed, "Summa"), sum2015, kTolerance);

        // The source rows behind a closed member's cell are all of its rows.
        const auto eastCell = grid.Cell(*grid.FindRow({Value("East")}), grid.ColumnOf(*closed, "Summa"));
        double eastRows = 0;
        for (const auto r : engine.SourceRows(eastCell))
            eastRows += fx.rows[r].summa;
        EXPECT_NEAR(eastRows, eastCell.Value(), kTolerance);
        EXPECT_GT(engine.SourceRows(eastCell).size(), 10u);

        // Expanding back to the level's choice forgets the member; the level resets all.
        EXPECT_TRUE(engine.IsMemberExpanded(Axis::Rows, {Value("South")}));
        engine.SetMemberExpanded(Axis::Rows, {Value("South")}, false);
        EXPECT_EQ(engine.Grid().RowDims().size(), 1u);
        EXPECT_EQ(engine.Grid().RowCount(), 5u);
        engine.SetDrillDownLevel(Axis::Columns, -1);
        EXPECT_TRUE(engine.IsMemberExpanded(Axis::Columns, {Value(std::int64_t{2015})}));

        // Members are named by keys of the axis's outer dimensions, never the innermost.
        EXPECT_THROW(engine.SetMemberExpanded(Axis::Rows, {Value("Atlantis")}, true), ValueError);
        EXPECT_THROW(engine.SetMemberExpanded(Axis::Rows, {Value("South"), Value(std::int64_t{1})}, true), ValueError);
        EXPECT_THROW(engine.SetMemberExpanded(Axis::Rows, {}, true), ValueError);
        EXPECT_THROW(engine.SetMemberExpanded(Axis::Filter, {Value("South")}, true), ValueError);
    }
}

TEST(CubeEngine, RestsAreTakenAtTheLastDayOfACellAndAddedUpOverParties)
{
    // Running rests by party and day, worked by hand: A has 10 on 2 March and 15 on 9 March,
    // B 7 on 2 March and 4 on 9 April; C only 20 on 1 March. The flow is a plain sum.
    CubeSource source;
    source.AddColumn("Party", std::vector<std::string>{"A", "A", "B", "B", "C"});
    source.AddColumn("RecDate",
                     std::vector<Date>{Date::Parse("2026-03-02"), Date::Parse("2026-03-09"), Date::Parse("2026-03-02"),
                                       Date::Parse("2026-04-09"), Date::Parse("2026-03-01")});
    source.AddColumn("Rest", std::vector<double>{10, 15, 7, 4, 20});
    Engine engine;
    engine.SetSource(source);
    engine.Dims().Add("Party").MoveTo(Axis::Rows, 0);
    engine.Dims().Add("RecDate");
    engine.Dims().AddCalculated("Month", "RecDate", PeriodLevel::Month).MoveTo(Axis::Columns, 0);
    engine.BaseFacts().Add("Rest");
    engine.Facts().Add("Flow", "Flow", "Rest");
    auto& rest = engine.Facts().Add("Rest", "Rest");
    rest.SetDimAggregation("Month", DimAggregation::Last);
    rest.SetDimAggregation("RecDate", DimAggregation::Last);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    auto at = [&](std::vector<Value> row, std::vector<Value> col, const char* fact) {
        return grid.FactValue(*grid.FindRow(row), *grid.FindColHeader(col), fact).value();
    };
    const Value march(std::int64_t{3}), april(std::int64_t{4});
    // A in March: its rest on 9 March, not 10 + 15; over both months still 9 March.
    EXPECT_DOUBLE_EQ(at({Value("A")}, {march}, "Rest"), 15);
    EXPECT_DOUBLE_EQ(at({Value("A")}, {}, "Rest"), 15);
    EXPECT_DOUBLE_EQ(at({Value("A")}, {}, "Flow"), 25);
    // B: 7 at the end of March, 4 at the end of April and over the whole period.
    EXPECT_DOUBLE_EQ(at({Value("B")}, {march}, "Rest"), 7);
    EXPECT_DOUBLE_EQ(at({Value("B")}, {}, "Rest"), 4);
    // All parties at the end of March: each party's own last rest, 15 + 7 + 20; in April
    // only B moved.
    EXPECT_DOUBLE_EQ(at({}, {march}, "Rest"), 42);
    EXPECT_DOUBLE_EQ(at({}, {april}, "Rest"), 4);
    EXPECT_DOUBLE_EQ(at({}, {}, "Rest"), 15 + 4 + 20);
    EXPECT_DOUBLE_EQ(at({}, {}, "Flow"), 56);

    // With the days down the rows the parties add up on each day: 2 March is 10 + 7.
    engine.Dims().Item("Party").MoveTo(Axis::Filter, 0);
    engine.Dims().Item("RecDate").MoveTo(Axis::Rows, 0);
    const auto& byDay = engine.Grid();
    EXPECT_DOUBLE_EQ(
        *byDay.FactValue(*byDay.FindRow({Value(Date::Parse("2026-03-02"))}), *byDay.FindColHeader({march}), "Rest"),
        17);
    // A selection counts: without A, March ends with B's 7 and C's 20.
    engine.Dims().Item("Party").SetSelection({Value("B"), Value("C")});
    const auto& withoutA = engine.Grid();
    EXPECT_DOUBLE_EQ(*withoutA.FactValue(*withoutA.FindRow({}), *withoutA.FindColHeader({march}), "Rest"), 27);

    // A dimension the engine does not have is named.
    rest.SetDimAggregation("Week", DimAggregation::Last);
    engine.Invalidate();
    try {
        (void)engine.Grid();
        ADD_FAILURE() << "an unknown dimension was taken";
    } catch (const ValueError& e) {
        EXPECT_NE(std::string(e.what()).find("\"Week\""), std::string::npos) << e.what();
    }
}
