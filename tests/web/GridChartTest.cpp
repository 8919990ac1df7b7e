// The chart a tab gets of a grid: figures summed over every visible row, the largest rows and
// series kept, the rest as "Other", worked out by hand on small grids.

#include "web/GridChart.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"

#include <gtest/gtest.h>

namespace Talvex::Testing {
namespace {

using Web::ChartLimits;
using Web::ChartOfGrid;
using Web::GridChart;

Value Money(const char* text)
{
    return Value(Currency::Parse(text));
}

std::vector<std::string> Texts(const std::vector<std::optional<Decimal>>& values)
{
    std::vector<std::string> texts;
    for (const auto& value : values)
        texts.push_back(value ? value->Normalized().ToString() : "-");
    return texts;
}

ChartLimits Limits(std::size_t categories, std::size_t series = 12)
{
    ChartLimits limits;
    limits.categories = categories;
    limits.series = series;
    return limits;
}

TEST(WebSessionChart, KeepsTheLargestRowsInOrderAndSumsTheRestAsOtherExactly)
{
    Ui::Form form("frmList");
    Ui::Grid& grid = form.AddGrid("grdDebt");
    grid.AddColumn("Department", "Department");
    grid.AddColumn("Client", "Client");
    grid.AddColumn("Code", "Code").visible = false;
    grid.AddColumn("Debt", "Debt", "#,##0.00");
    grid.AddColumn("Hidden", "Hidden", "#,##0.00").visible = false;
    grid.AddColumn("Overdue", "Overdue", "#,##0.00");
    grid.DefineStyle("sub", Ui::RowStyle{true, "", ""});
    grid.AddRow({Value("D1"), Value("Alpha"), Value("A"), Money("10.10"), Value(999), Money("1")});
    grid.AddRow({Value("D1"), Value("Beta"), Value("B"), Money("-30.05"), Value(999), Value()});
    grid.AddRow({Value("D1"), Value(""), Value(""), Money("-19.95"), Value(999), Money("1")}); // subtotal
    grid.SetRowStyle(2, "sub");
    grid.AddRow({Value("D2"), Value("Gamma"), Value("C"), Value(0.1), Value(999), Value(0.2)});
    grid.AddRow({Value("D2"), Value("Delta"), Value("D"), Value(std::int64_t{20}), Value(999), Value()});
    grid.AddRow({Value("D2"), Value("Epsilon"), Value("E"), Money("0.3"), Value(999), Value("n/a")});

    // Five rows into three categories: Beta (30.05) and Delta (20) are the largest by size,
    // shown in the grid's order; Alpha, Gamma and Epsilon are "Other".
    GridChart chart = ChartOfGrid(grid, Limits(3));
    EXPECT_EQ(chart.categories, (std::vector<std::string>{"Beta", "Delta", "Other"}));
    EXPECT_EQ(chart.rows, 5u);
    EXPECT_EQ(chart.otherRows, 3u);
    ASSERT_EQ(chart.series.size(), 2u);
    EXPECT_EQ(chart.series[0].name, "Debt");
    EXPECT_EQ(chart.series[0].column, "Debt");
    EXPECT_EQ(Texts(chart.series[0].values), (std::vector<std::string>{"-30.05", "20", "10.5"}));
    EXPECT_EQ(chart.series[0].total.Normalized().ToString(), "0.45") << "10.10 - 30.05 + 0.1 + 20 + 0.3, the subtotal left out";
    // An empty cell and a text are no figure; "Other" sums what it has.
    EXPECT_EQ(chart.series[1].name, "Overdue");
    EXPECT_EQ(Texts(chart.series[1].values), (std::vector<std::string>{"-", "-", "1.2"}));
    EXPECT_EQ(chart.series[1].total.Normalized().ToString(), "1.2");

    // Room for every row: no "Other", and the figures as they stand.
    chart = ChartOfGrid(grid, Limits(5));
    EXPECT_EQ(chart.categories, (std::vector<std::string>{"Alpha", "Beta", "Gamma", "Delta", "Epsilon"}));
    EXPECT_EQ(chart.otherRows, 0u);
    EXPECT_EQ(Texts(chart.series[0].values), (std::vector<std::string>{"10.1", "-30.05", "0.1", "20", "0.3"}));

    // The grid's filter holds: the rows it hides are neither shown nor summed. Equal sizes
    // keep the earlier row.
    grid.SetRowFilter([](const Ui::Grid& g, std::size_t row) { return g.Cell(row, "Department") == Value("D2"); });
    grid.SetCell(3, "Debt", Value(std::int64_t{20}));
    grid.SetCell(3, "Overdue", Value());
    chart = ChartOfGrid(grid, Limits(2));
    EXPECT_EQ(chart.categories, (std::vector<std::string>{"Gamma", "Other"}));
    EXPECT_EQ(Texts(chart.series[0].values), (std::vector<std::string>{"20", "20.3"}));
    EXPECT_EQ(chart.series[0].total.Normalized().ToString(), "40.3");

    // Every row bold is no outline: all count. No rows: nothing to chart, no "Other".
    grid.ClearRowFilter();
    for (std::size_t row = 0; row < grid.RowCount(); ++row)
        grid.SetRowStyle(row, "sub");
    EXPECT_EQ(ChartOfGrid(grid, Limits(30)).rows, 6u);
    grid.ClearRows();
    chart = ChartOfGrid(grid, Limits(30));
    EXPECT_TRUE(chart.categories.empty());
    EXPECT_EQ(chart.series[0].values.size(), 0u);
}

TEST(WebSessionChart, ChartsACubesMembersAndFoldsTheSmallestSeries)
{
    Ui::Form form("CCube");
    Ui::Grid& grid = form.AddGrid("CubeGrid");
    auto header = [&](const char* name) {
        Ui::GridColumn column;
        column.name = name;
        column.role = Ui::ColumnRole::RowHeader;
        grid.AddColumn(column);
    };
    auto fact = [&](const char* name, std::vector<std::string> path, Ui::HeaderKind kind) {
        Ui::GridColumn column;
        column.name = name;
        column.role = Ui::ColumnRole::Fact;
        column.factName = "Summa";
        column.format = "#,##0.00";
        column.headerPath = std::move(path);
        column.headerKind = kind;
        grid.AddColumn(column);
    };
    header("Group");
    header("Good");
    fact("c1", {"2025"}, Ui::HeaderKind::Member);
    fact("c2", {"2026"}, Ui::HeaderKind::Member);
    fact("c3", {"Europe", "North", "Baltic", "2027", "Q1"}, Ui::HeaderKind::Member);
    fact("c4", {"Total"}, Ui::HeaderKind::GrandTotal);
    auto row = [&](const char* group, const char* good, double a, double b, double c, Ui::HeaderKind kind) {
        const std::size_t r = grid.AddRow({Value(group), Value(good), Value(a), Value(b), Value(c), Value(a + b + c)});
        grid.SetRowInfo(r, Ui::GridRowInfo{kind, kind == Ui::HeaderKind::GrandTotal ? 0 : 1, Ui::ExpandState::None});
    };
    row("Food", "", 5, 2, 0.5, Ui::HeaderKind::Subtotal);
    row("", "Bread", 3, 1, 0.25, Ui::HeaderKind::Member);
    row("", "Milk", 2, 1, 0.25, Ui::HeaderKind::Member);
    row("Tools", "", 1, -9, 0, Ui::HeaderKind::Member);
    row("Total", "", 6, -7, 0.5, Ui::HeaderKind::GrandTotal);

    // Member rows only, named by their innermost text; member columns only, named by the
    // innermost members of their path and the fact.
    GridChart chart = ChartOfGrid(grid, Limits(30));
    EXPECT_EQ(chart.categories, (std::vector<std::string>{"Bread", "Milk", "Tools"}));
    ASSERT_EQ(chart.series.size(), 3u);
    EXPECT_EQ(chart.series[0].name, "2025 / Summa");
    EXPECT_EQ(chart.series[2].name, "North / Baltic / 2027 / Q1 / Summa");
    EXPECT_EQ(chart.series[1].total.Normalized().ToString(), "-7") << "the grand total of the 2026 column";

    // Two series at most: 2026 (size 11) stays, 2025 (6) and the 2027 quarter (0.5) are "Other".
    chart = ChartOfGrid(grid, Limits(30, 2));
    EXPECT_EQ(chart.otherSeries, 2u);
    ASSERT_EQ(chart.series.size(), 2u);
    EXPECT_EQ(chart.series[0].name, "2026 / Summa");
    EXPECT_EQ(chart.series[1].name, "Other");
    EXPECT_EQ(Texts(chart.series[1].values), (std::vector<std::string>{"3.25", "2.25", "1"}));
    EXPECT_EQ(chart.series[1].total.Normalized().ToString(), "6.5");

    // With the member columns hidden, the total column is charted.
    for (const char* name : {"c1", "c2", "c3"})
        grid.Column(name).visible = false;
    chart = ChartOfGrid(grid, Limits(30));
    ASSERT_EQ(chart.series.size(), 1u);
    EXPECT_EQ(chart.series[0].name, "Total / Summa");
    EXPECT_EQ(chart.series[0].total.Normalized().ToString(), "-0.5");
}

TEST(WebSessionChart, RefusesLimitsBeyondItsBoundsNamingThem)
{
    Ui::Form form("frmList");
    Ui::Grid& grid = form.AddGrid("grd");
    for (auto [categories, series, named] :
         {std::tuple{std::size_t{1}, std::size_t{12}, "categories"}, std::tuple{ChartLimits::kMaxCategories + 1, std::size_t{12}, "categories"},
          std::tuple{std::size_t{30}, std::size_t{0}, "series"}, std::tuple{std::size_t{30}, ChartLimits::kMaxSeries + 1, "series"}}) {
        try {
            ChartOfGrid(grid, Limits(categories, series));
            ADD_FAILURE() << categories << " categories, " << series << " series were accepted";
        } catch (const ValueError& error) {
            EXPECT_NE(std::string(error.what()).find(named), std::string::npos) << error.what();
        }
    }
    EXPECT_NO_THROW(ChartOfGrid(grid, Limits(ChartLimits::kMaxCategories, ChartLimits::kMaxSeries)));
}

} // namespace
} // namespace Talvex::Testing
