#include "host/cube/CCube.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

using namespace Talvex;
using namespace Talvex::Cube;

namespace {

// Sale and return lines from a fixed seed, kept as plain rows for the sums the tests make.
struct Line {
    std::string region;
    std::int64_t manager;
    std::string kind;
    Date date;
    double summa;
    double qty;
};

std::vector<Line> MakeLines()
{
    std::vector<Line> lines;
    std::uint32_t seed = 777;
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    const char* regions[] = {"North", "South", "East", "West"};
    for (int i = 0; i < 240; ++i) {
        Line line;
        line.region = regions[next(4)];
        line.manager = static_cast<std::int64_t>(next(3) + 1);
        line.kind = next(5) == 0 ? "GPG" : "PRSF";
        line.date = Date(2014, 1, 1).AddDays(static_cast<std::int32_t>(next(700)));
        const double amount = static_cast<double>(next(300000)) / 100.0;
        line.summa = line.kind == "GPG" ? -amount : amount;
        line.qty = static_cast<double>(next(40) + 1);
        lines.push_back(line);
    }
    return lines;
}

// A cube report over the lines: region and manager down the rows, years and months across,
// the kind of document waiting in the filter area. Quantities above 50 have their own
// green background; other facts show negatives in red text and sums above 2000 on yellow.
class LinesReport : public ICubeForm2 {
public:
    explicit LinesReport(std::vector<Line> lines) : lines_(std::move(lines)) {}

    void OnOpenCube(CCube& cube) override
    {
        auto& engine = cube.cube();
        CubeSource source;
        std::vector<std::string> region, kind;
        std::vector<std::int64_t> manager;
        std::vector<Date> date;
        std::vector<double> summa, qty;
        for (const auto& line : lines_) {
            region.push_back(line.region);
            manager.push_back(line.manager);
            kind.push_back(line.kind);
            date.push_back(line.date);
            summa.push_back(line.summa);
            qty.push_back(line.qty);
        }
        source.AddColumn("Region", std::move(region));
        source.AddColumn("Manager", std::move(manager));
        source.AddColumn("Kind", std::move(kind));
        source.AddColumn("DocumentDate", std::move(date));
        source.AddColumn("Summa", std::move(summa));
        source.AddColumn("Qty", std::move(qty));
        engine.SetSource(std::move(source));
        engine.Dims().Add("Region", "Region");
        engine.Dims().Add("Manager", "Manager");
        engine.Dims().Add("Kind", "Document kind");
        engine.Dims().Add("DocumentDate");
        engine.Dims().AddCalculated("Year", "DocumentDate", PeriodLevel::Year, "Year");
        engine.Dims().AddCalculated("Month", "DocumentDate", PeriodLevel::Month, "Month");
        engine.Dims().Item("Region").MoveTo(Axis::Rows, 0);
        engine.Dims().Item("Manager").MoveTo(Axis::Rows, 1);
        engine.Dims().Item("Year").MoveTo(Axis::Columns, 0);
        engine.Dims().Item("Month").MoveTo(Axis::Columns, 1);
        engine.BaseFacts().Add("Summa");
        engine.BaseFacts().Add("Qty");
        engine.Facts().Add("Summa", "Sum");
        engine.Facts().Add("Qty", "Quantity");
        engine.Facts().Add("Hidden", "Not for this report", "Qty").FactEnabled = false;

        engine.Styles().Add("negstyle").TextColor = 0x0000FFu; // RGB(255, 0, 0)
        engine.Styles().Add("bigsum").BackColor = 0x00FFFFu;   // RGB(255, 255, 0)
        engine.Styles().Add("bigqty").BackColor = 0x00C800u;   // RGB(0, 200, 0)
        cube.Conditions().AddCompareCondition("negstyle", 0, Condition::Less);
        cube.Conditions().AddFormulaCondition("bigsum", "Summa > 2000");
        auto& qtyFact = engine.Facts().Item("Qty");
        qtyFact.OwnConditions = true;
        qtyFact.Conditions().AddCompareCondition("bigqty", 50, Condition::Greater);
    }
    void BeforeMoveDimension(CCube&, const Dimension& dim, Axis, int, bool& cancel) override
    {
        moves.push_back(dim.Name());
        cancel = dim.Name() == "Kind";
    }

    std::vector<std::string> moves;

private:
    std::vector<Line> lines_;
};

struct Window {
    Testing::ScriptedUser user;
    std::vector<Line> lines = MakeLines();
    std::shared_ptr<LinesReport> report = std::make_shared<LinesReport>(lines);
    CCube& cube = OpenCubeForm(report);
    const Ui::Grid& grid = cube.Parent().GridCtl("CubeGrid");

    // As a front end posts it: a refused action is reported, not thrown.
    void Post(Ui::UserAction action)
    {
        user.Session().Post(std::move(action));
        user.Session().PumpPending();
    }
    void Set(const char* control, std::string value)
    {
        Post(Ui::SetValueAction{"CCube", control, Value(std::move(value))});
    }
    void Click(const char* control) { Post(Ui::ClickAction{"CCube", control}); }
    void DblClick(long row, std::string column)
    {
        Post(Ui::DblClickRowAction{"CCube", "CubeGrid", row, std::move(column)});
    }
    void Focus(long row, std::string column)
    {
        Post(Ui::SetCurrentCellAction{"CCube", "CubeGrid", row, std::move(column)});
    }

    double Sum(const std::function<bool(const Line&)>& keep, bool qty = false) const
    {
        double total = 0;
        for (const auto& line : lines)
            if (keep(line)) total += qty ? line.qty : line.summa;
        return total;
    }
    double At(std::size_t row, const std::string& column) const
    {
        const Value& v = grid.Cell(row, column);
        return v.IsEmpty() || v.IsNull() ? 0.0 : v.ToDouble();
    }
    std::size_t Row(const std::string& region, const std::string& manager = "") const
    {
        for (std::size_t row = 0; row < grid.RowCount(); ++row)
            if (grid.Cell(row, "Region").ToText() == region &&
                (!grid.FindColumn("Manager") || grid.Cell(row, "Manager").ToText() == manager))
                return row;
        ADD_FAILURE() << "no row " << region << "/" << manager;
        return 0;
    }
    std::vector<std::string> FactColumns(const std::string& fact) const
    {
        std::vector<std::string> names;
        for (const auto& column : grid.Columns())
            if (column.role == Ui::ColumnRole::Fact && column.factName == fact) names.push_back(column.name);
        return names;
    }
    const Ui::GridColumn& Col(const std::string& name) const { return grid.Columns()[grid.ColumnIndex(name)]; }
    std::size_t GrandTotalRow() const { return grid.RowCount() - 1; }
    // The fact column of a fact under the column header with this path.
    std::string Column(const std::string& fact, const std::vector<std::string>& path) const
    {
        for (const auto& column : grid.Columns())
            if (column.role == Ui::ColumnRole::Fact && column.factName == fact && column.headerPath == path)
                return column.name;
        ADD_FAILURE() << "no column of " << fact;
        return "";
    }
};

int ColumnLevel(const Ui::GridColumn& column)
{
    const int path = static_cast<int>(column.headerPath.size());
    return column.headerKind == Ui::HeaderKind::Member ? path : path - 1;
}

// Every subtotal (rows and columns) equals the sum of the members shown under it, and the
// grand total the sum of the outermost members shown. Returns how many sums it compared.
int CheckTotals(const Ui::Grid& grid, const std::vector<std::string>& factColumns)
{
    auto value = [&](std::size_t row, const std::string& column) {
        const Value& v = grid.Cell(row, column);
        return v.IsEmpty() || v.IsNull() ? 0.0 : v.ToDouble();
    };
    int compared = 0;
    // Down the rows, per fact column.
    for (const auto& column : factColumns) {
        std::map<int, double> sums;
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            const auto& info = grid.RowInfo(row);
            const double v = value(row, column);
            if (info.kind == Ui::HeaderKind::GrandTotal) {
                EXPECT_NEAR(v, sums[1], 1e-6) << "grand total of " << column;
                ++compared;
                continue;
            }
            if (info.kind == Ui::HeaderKind::Subtotal) {
                EXPECT_NEAR(v, sums[info.level + 1], 1e-6) << "subtotal row " << row << " of " << column;
                ++compared;
                sums[info.level + 1] = 0;
            }
            sums[info.level] += v;
        }
    }
    // Across the columns of one fact, per row.
    std::vector<const Ui::GridColumn*> columns;
    for (const auto& name : factColumns)
        columns.push_back(&grid.Columns()[grid.ColumnIndex(name)]);
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        std::map<int, double> sums;
        for (const auto* column : columns) {
            const double v = value(row, column->name);
            const int level = ColumnLevel(*column);
            if (column->headerKind == Ui::HeaderKind::GrandTotal) {
                EXPECT_NEAR(v, sums[1], 1e-6) << "row " << row << " grand total column";
                ++compared;
                continue;
            }
            if (column->headerKind == Ui::HeaderKind::Subtotal) {
                EXPECT_NEAR(v, sums[level + 1], 1e-6) << "row " << row << " column " << column->name;
                ++compared;
                sums[level + 1] = 0;
            }
            sums[level] += v;
        }
    }
    return compared;
}

// Each fact cell has exactly the style its conditions pick from its shown value.
void CheckCellStyles(const Ui::Grid& grid, int& styled, int& plain)
{
    for (const auto& column : grid.Columns()) {
        if (column.role != Ui::ColumnRole::Fact) continue;
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            const Value& v = grid.Cell(row, column.name);
            const auto* style = grid.CellStyleAt(row, column.name);
            std::optional<Ui::CellStyle> expected;
            if (!v.IsEmpty() && !v.IsNull()) {
                const double x = v.ToDouble();
                if (column.factName == "Qty") {
                    if (x > 50) expected = Ui::CellStyle{"#00c800", "", false};
                } else if (x < 0) {
                    expected = Ui::CellStyle{"", "#ff0000", false};
                } else if (x > 2000) {
                    expected = Ui::CellStyle{"#ffff00", "", false};
                }
            }
            if (expected) {
                ASSERT_NE(style, nullptr) << column.name << " row " << row << " value " << v.ToText();
                EXPECT_EQ(*style, *expected) << column.name << " row " << row;
                ++styled;
            } else {
                EXPECT_EQ(style, nullptr) << column.name << " row " << row << " value " << v.ToText();
                ++plain;
            }
        }
    }
}

} // namespace

TEST(CubeWindowModel, ConditionsColourExactlyTheCellsThatSatisfyThemAfterEveryLayout)
{
    Window w;
    ASSERT_GT(w.grid.RowCount(), 5u);
    int styled = 0;
    int plain = 0;
    CheckCellStyles(w.grid, styled, plain);
    EXPECT_GT(styled, 10);
    EXPECT_GT(plain, 10);

    // Quantities follow only their own condition: a negative quantity total never turns red,
    // and a quantity above 50 is green however large the sum beside it.
    int greenQty = 0;
    for (const auto& column : w.FactColumns("Qty"))
        for (std::size_t row = 0; row < w.grid.RowCount(); ++row)
            if (const auto* style = w.grid.CellStyleAt(row, column)) {
                EXPECT_EQ(style->backColor, "#00c800");
                ++greenQty;
            }
    EXPECT_GT(greenQty, 0);
    // Row headers are never styled by the conditions.
    for (std::size_t row = 0; row < w.grid.RowCount(); ++row)
        EXPECT_EQ(w.grid.CellStyleAt(row, "Region"), nullptr);

    // Re-layouts recompute the styles for the new cells.
    for (const auto& step : std::vector<std::function<void()>>{
             [&] { w.Click("btCollapseColumns"); },
             [&] {
                 w.Set("cbDimension", "Kind");
                 w.Set("cbAxis", "Rows");
                 w.Set("edPosition", "0");
                 w.Click("btMoveDimension"); // refused by the report: the same layout again
             },
             [&] {
                 w.Set("cbDimension", "Manager");
                 w.Set("cbAxis", "Columns");
                 w.Set("edPosition", "0");
                 w.Click("btMoveDimension");
             },
             [&] { w.DblClick(0, "Region"); },
         }) {
        step();
        styled = plain = 0;
        CheckCellStyles(w.grid, styled, plain); // totals are large: most cells are coloured
        EXPECT_GT(styled, 0);
    }
    EXPECT_EQ(w.report->moves, (std::vector<std::string>{"Kind", "Manager"}));

    // A condition added later shows at the next refresh; a style without colours colours nothing.
    w.cube.Styles().Add("nothing");
    w.cube.Conditions().Clear();
    w.cube.Conditions().AddCompareCondition("nothing", 0, Condition::Less);
    w.cube.Refresh();
    for (const auto& column : w.FactColumns("Summa"))
        for (std::size_t row = 0; row < w.grid.RowCount(); ++row)
            EXPECT_EQ(w.grid.CellStyleAt(row, column), nullptr);

    // A formula naming an unknown fact is reported, and the grid still shows its values.
    w.cube.Conditions().AddFormulaCondition("negstyle", "Nothing > 1");
    EXPECT_THROW(w.cube.Refresh(), std::exception);
    EXPECT_GT(w.grid.RowCount(), 0u);
    EXPECT_EQ(w.user.ErrorsText(), "");
}

TEST(CubeWindowModel, OneMemberOpensAndClosesAndTotalsStayTheSumOfTheShownMembers)
{
    Window w;
    const auto summaColumns = w.FactColumns("Summa");
    ASSERT_FALSE(summaColumns.empty());
    EXPECT_GT(CheckTotals(w.grid, summaColumns), 50);

    // What front ends draw headers from.
    EXPECT_EQ(w.grid.Columns()[0].role, Ui::ColumnRole::RowHeader);
    EXPECT_EQ(w.grid.Columns()[1].role, Ui::ColumnRole::RowHeader);
    const auto& first = w.grid.Columns()[2];
    EXPECT_EQ(first.role, Ui::ColumnRole::Fact);
    EXPECT_EQ(first.factName, "Summa");
    EXPECT_EQ(first.headerPath, (std::vector<std::string>{"2014", "1"}));
    EXPECT_EQ(first.headerKind, Ui::HeaderKind::Member);
    EXPECT_EQ(first.expand, Ui::ExpandState::None);
    const auto& year = w.Col(w.Column("Summa", {"2014", "Total"}));
    EXPECT_EQ(year.headerKind, Ui::HeaderKind::Subtotal);
    EXPECT_EQ(year.expand, Ui::ExpandState::Expanded);
    EXPECT_EQ(w.grid.Columns().back().headerPath, (std::vector<std::string>{"Total"}));
    EXPECT_EQ(w.grid.Columns().back().headerKind, Ui::HeaderKind::GrandTotal);
    EXPECT_EQ(w.grid.RowInfo(w.GrandTotalRow()).kind, Ui::HeaderKind::GrandTotal);
    EXPECT_EQ(w.grid.RowStyleId(w.GrandTotalRow()), "total");
    const std::size_t northTotal = w.Row("North", "Total");
    EXPECT_EQ(w.grid.RowInfo(northTotal).kind, Ui::HeaderKind::Subtotal);
    EXPECT_EQ(w.grid.RowInfo(northTotal).level, 1);
    EXPECT_EQ(w.grid.RowInfo(northTotal).expand, Ui::ExpandState::Expanded);
    EXPECT_EQ(w.grid.RowInfo(0).kind, Ui::HeaderKind::Member);
    EXPECT_EQ(w.grid.RowInfo(0).level, 2);

    // A double-click on North's region cell closes North: one row holding all of North.
    const std::size_t rowsBefore = w.grid.RowCount();
    auto total = [&w] { return w.Column("Summa", {"Total"}); };
    w.DblClick(static_cast<long>(w.Row("North", "1")), "Region");
    EXPECT_EQ(w.grid.RowCount(), rowsBefore - 3); // three managers and the subtotal became one row
    const std::size_t north = w.Row("North", "");
    EXPECT_EQ(w.grid.RowInfo(north).kind, Ui::HeaderKind::Member);
    EXPECT_EQ(w.grid.RowInfo(north).level, 1);
    EXPECT_EQ(w.grid.RowInfo(north).expand, Ui::ExpandState::Collapsed);
    EXPECT_EQ(w.grid.RowStyleId(north), "");
    EXPECT_NEAR(w.At(north, total()), w.Sum([](const Line& l) { return l.region == "North"; }), 1e-6);
    EXPECT_NEAR(w.At(w.GrandTotalRow(), total()), w.Sum([](const Line&) { return true; }), 1e-6);
    EXPECT_GT(CheckTotals(w.grid, w.FactColumns("Summa")), 50);
    EXPECT_GT(CheckTotals(w.grid, w.FactColumns("Qty")), 50);
    // A double-click on a manager (the innermost dimension) or a total's cell changes nothing.
    const std::size_t rowsNow = w.grid.RowCount();
    w.DblClick(static_cast<long>(w.Row("South", "2")), "Manager");
    w.DblClick(static_cast<long>(w.GrandTotalRow()), "Region");
    EXPECT_EQ(w.grid.RowCount(), rowsNow);

    // The expand button opens the current row's member again.
    w.Focus(static_cast<long>(w.Row("North", "")), "Region");
    w.Click("btExpandMember");
    EXPECT_EQ(w.grid.RowCount(), rowsBefore);

    // A column header: year 2014 closes into one column per fact.
    w.Set("edHeaderColumn", w.Column("Summa", {"2014", "3"}));
    w.Set("edHeaderLevel", "0");
    w.Click("btCollapseMember");
    const auto& closed = w.Col(w.Column("Summa", {"2014"}));
    EXPECT_EQ(closed.headerKind, Ui::HeaderKind::Member);
    EXPECT_EQ(closed.expand, Ui::ExpandState::Collapsed);
    for (const auto& column : w.grid.Columns())
        if (column.headerPath.size() == 2) {
            EXPECT_NE(column.headerPath[0], "2014") << column.name;
        }
    EXPECT_NEAR(w.At(w.GrandTotalRow(), closed.name), w.Sum([](const Line& l) { return l.date < Date(2015, 1, 1); }),
                1e-6);
    EXPECT_GT(CheckTotals(w.grid, w.FactColumns("Summa")), 50);
    EXPECT_EQ(w.user.ErrorsText(), "");

    // Bad addresses are refused with the control named, and nothing changes.
    const std::size_t columnsBefore = w.grid.Columns().size();
    w.Set("edHeaderColumn", "F999");
    w.Click("btCollapseMember");
    w.Set("edHeaderColumn", w.grid.Columns().back().name); // the grand total
    w.Set("edHeaderLevel", "");
    w.Click("btCollapseMember");
    w.Set("edHeaderColumn", "Nowhere");
    w.Click("btCollapseMember");
    w.Set("edHeaderColumn", w.Column("Summa", {"2014"}));
    w.Set("edHeaderLevel", "1"); // 2014 is closed: no month under it
    w.Click("btExpandMember");
    w.Set("edHeaderColumn", "Manager"); // the innermost row dimension
    w.Focus(0, "Manager");
    w.Click("btCollapseMember");
    w.Set("edHeaderColumn", "");
    w.Focus(static_cast<long>(w.GrandTotalRow()), "Region");
    w.Click("btCollapseMember");
    const auto errors = w.user.ErrorMessages();
    ASSERT_EQ(errors.size(), 6u) << w.user.ErrorsText();
    EXPECT_EQ(errors[0].rfind("edHeaderColumn:", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1].rfind("edHeaderLevel:", 0), 0u) << errors[1];
    EXPECT_EQ(errors[2].rfind("edHeaderColumn:", 0), 0u) << errors[2];
    EXPECT_EQ(errors[3].rfind("edHeaderLevel:", 0), 0u) << errors[3];
    EXPECT_NE(errors[4].find("innermost"), std::string::npos) << errors[4];
    EXPECT_NE(errors[5].find("total"), std::string::npos) << errors[5];
    EXPECT_EQ(w.grid.Columns().size(), columnsBefore);
    EXPECT_THROW(w.cube.UserExpandMember(Axis::Rows, {Value("Atlantis")}), ValueError);
    EXPECT_THROW(w.cube.UserExpandMember(Axis::Rows, {Value("North"), Value(std::int64_t{1})}), ValueError);

    // Rows drilled down to the regions only; one region opens past the level.
    w.Click("btCollapseRows");
    EXPECT_EQ(w.cube.VAxis().DrillDownLevel(), 0);
    EXPECT_EQ(w.grid.RowCount(), 5u); // four regions and the total
    for (std::size_t row = 0; row + 1 < w.grid.RowCount(); ++row)
        EXPECT_EQ(w.grid.RowInfo(row).expand, Ui::ExpandState::Collapsed);
    w.cube.UserExpandMember(Axis::Rows, {Value("South")});
    EXPECT_TRUE(w.cube.cube().IsMemberExpanded(Axis::Rows, {Value("South")}));
    EXPECT_FALSE(w.cube.cube().IsMemberExpanded(Axis::Rows, {Value("North")}));
    EXPECT_EQ(w.grid.RowCount(), 5u + 3u); // South's row becomes its three managers and its subtotal
    EXPECT_NEAR(w.At(w.Row("South", "Total"), total()), w.Sum([](const Line& l) { return l.region == "South"; }), 1e-6);
    EXPECT_NEAR(w.At(w.Row("South", "2"), total()),
                w.Sum([](const Line& l) { return l.region == "South" && l.manager == 2; }), 1e-6);
    EXPECT_GT(CheckTotals(w.grid, w.FactColumns("Summa")), 30);

    // Moving a dimension of the axis forgets the members' choices.
    w.Set("cbDimension", "Manager");
    w.Set("cbAxis", "Rows");
    w.Set("edPosition", "0");
    w.Click("btMoveDimension");
    EXPECT_EQ(w.report->moves.back(), "Manager");
    EXPECT_FALSE(w.cube.cube().IsMemberExpanded(Axis::Rows, {Value("South")}));
    EXPECT_EQ(w.grid.RowCount(), 4u); // level 0: three managers and the total
}

TEST(CubeWindowModel, APeriodLevelOpensAndClosesAcrossAllItsMembers)
{
    Window w;
    const std::size_t months = w.FactColumns("Summa").size();
    w.Set("cbLevel", "Year");
    w.Click("btCollapseLevel");
    EXPECT_EQ(w.cube.HAxis().DrillDownLevel(), 0);
    const auto years = w.FactColumns("Summa");
    ASSERT_EQ(years.size(), 3u); // 2014, 2015 and the total
    EXPECT_EQ(w.Col(years[0]).headerPath, (std::vector<std::string>{"2014"}));
    EXPECT_EQ(w.Col(years[0]).expand, Ui::ExpandState::Collapsed);
    EXPECT_NEAR(w.At(w.GrandTotalRow(), years[1]), w.Sum([](const Line& l) { return l.date >= Date(2015, 1, 1); }),
                1e-6);
    EXPECT_GT(CheckTotals(w.grid, years), 10);
    w.Click("btExpandLevel");
    EXPECT_EQ(w.cube.HAxis().DrillDownLevel(), -1);
    EXPECT_EQ(w.FactColumns("Summa").size(), months);

    // One region closed, then the whole region level: the level decides again for all.
    w.cube.UserCollapseMember(Axis::Rows, {Value("East")});
    w.Set("cbLevel", "Region");
    w.Click("btExpandLevel");
    EXPECT_TRUE(w.cube.cube().IsMemberExpanded(Axis::Rows, {Value("East")}));
    w.Click("btCollapseLevel");
    EXPECT_EQ(w.cube.VAxis().DrillDownLevel(), 0);
    EXPECT_EQ(w.grid.RowCount(), 5u);
    EXPECT_EQ(w.user.ErrorsText(), "");

    // The innermost dimension has no level under it: not offered, and refused by name.
    w.Set("cbLevel", "Month");
    EXPECT_THROW(w.cube.UserExpandLevel("Month"), ValueError);
    EXPECT_THROW(w.cube.UserCollapseLevel("Kind"), ValueError); // in the filter area
    ASSERT_EQ(w.user.ErrorMessages().size(), 1u);
    EXPECT_NE(w.user.ErrorMessages()[0].find("cbLevel"), std::string::npos);
    EXPECT_EQ(w.cube.VAxis().DrillDownLevel(), 0);
}

TEST(CubeWindowModel, FilteredMembersDecideWhichRowsCount)
{
    Window w;
    auto total = [&w] { return w.Column("Summa", {"Total"}); };
    auto totalQty = [&w] { return w.Column("Qty", {"Total"}); };
    auto all = [](const Line&) { return true; };
    EXPECT_NEAR(w.At(w.GrandTotalRow(), total()), w.Sum(all), 1e-6);

    // A dimension on the rows: only North, then North and East, then East alone.
    w.Set("cbFilterDimension", "Region");
    w.Set("cbFilterMember", "North");
    w.Click("btFilterOnly");
    EXPECT_NEAR(w.At(w.GrandTotalRow(), total()), w.Sum([](const Line& l) { return l.region == "North"; }), 1e-6);
    EXPECT_EQ(w.grid.RowCount(), 5u); // North's three managers, its subtotal, the total
    w.Set("cbFilterMember", "East");
    w.Click("btFilterAdd");
    EXPECT_NEAR(w.At(w.GrandTotalRow(), total()),
                w.Sum([](const Line& l) { return l.region == "North" || l.region == "East"; }), 1e-6);
    EXPECT_EQ(w.cube.Parent().Ctl("lbFilterMembers").Caption(), "North, East");
    w.Set("cbFilterMember", "North");
    w.Click("btFilterRemove");
    EXPECT_NEAR(w.At(w.GrandTotalRow(), totalQty()), w.Sum([](const Line& l) { return l.region == "East"; }, true),
                1e-6);
    EXPECT_GT(CheckTotals(w.grid, w.FactColumns("Summa")), 20);

    // The last member that counts stays; an unknown member is refused by the list.
    w.Set("cbFilterMember", "East");
    w.Click("btFilterRemove");
    w.Set("cbFilterMember", "Atlantis");
    ASSERT_EQ(w.user.ErrorMessages().size(), 2u);
    EXPECT_NE(w.user.ErrorMessages()[0].find("cbFilterMember"), std::string::npos);
    EXPECT_NE(w.user.ErrorMessages()[1].find("cbFilterMember"), std::string::npos);
    EXPECT_NEAR(w.At(w.GrandTotalRow(), totalQty()), w.Sum([](const Line& l) { return l.region == "East"; }, true),
                1e-6);
    EXPECT_THROW(w.cube.UserFilterMembers("Region", {Value("Atlantis")}), ValueError);
    EXPECT_THROW(w.cube.UserFilterMembers("Planet", {}), ValueError);

    // A dimension in the filter area, with one on the rows: both narrow the rows.
    w.Set("cbFilterDimension", "Kind");
    w.Set("cbFilterMember", "GPG");
    w.Click("btFilterOnly");
    EXPECT_NEAR(w.At(w.GrandTotalRow(), total()),
                w.Sum([](const Line& l) { return l.region == "East" && l.kind == "GPG"; }), 1e-6);
    EXPECT_LT(w.At(w.GrandTotalRow(), total()), 0.0);
    // A period level: members are its keys, chosen by their text.
    w.Set("cbFilterDimension", "Year");
    w.Set("cbFilterMember", "2015");
    w.Click("btFilterOnly");
    EXPECT_NEAR(
        w.At(w.GrandTotalRow(), w.Column("Summa", {"Total"})),
        w.Sum([](const Line& l) { return l.region == "East" && l.kind == "GPG" && l.date >= Date(2015, 1, 1); }), 1e-6);

    // All members count again.
    for (const char* dim : {"Year", "Kind", "Region"}) {
        w.Set("cbFilterDimension", dim);
        w.Click("btFilterAll");
    }
    EXPECT_NEAR(w.At(w.GrandTotalRow(), w.Column("Summa", {"Total"})), w.Sum(all), 1e-6);
    EXPECT_TRUE(w.cube.cube().Dims().Item("Region").Selection().empty());
    EXPECT_EQ(w.cube.Parent().Ctl("lbFilterMembers").Caption(), "all");
    EXPECT_EQ(w.user.ErrorMessages().size(), 2u);
}

TEST(CubeWindowModel, FactsAreShownAndHiddenFromTheWindow)
{
    Window w;
    const std::size_t summaColumns = w.FactColumns("Summa").size();
    EXPECT_EQ(w.FactColumns("Qty").size(), summaColumns);
    EXPECT_TRUE(w.FactColumns("Hidden").empty());

    w.Set("cbFact", "Qty");
    w.Click("btHideFact");
    EXPECT_FALSE(w.cube.Facts().Item("Qty").FactVisible);
    EXPECT_TRUE(w.FactColumns("Qty").empty());
    EXPECT_EQ(w.FactColumns("Summa").size(), summaColumns);
    EXPECT_EQ(w.grid.Columns().size(), 2 + summaColumns);
    EXPECT_NEAR(w.At(w.GrandTotalRow(), w.Column("Summa", {"Total"})), w.Sum([](const Line&) { return true; }), 1e-6);

    // The last fact shown stays, and a fact the report disabled is not offered.
    w.Set("cbFact", "Summa");
    w.Click("btHideFact");
    w.Set("cbFact", "Hidden");
    ASSERT_EQ(w.user.ErrorMessages().size(), 2u);
    EXPECT_NE(w.user.ErrorMessages()[0].find("cbFact"), std::string::npos);
    EXPECT_NE(w.user.ErrorMessages()[1].find("cbFact"), std::string::npos);
    EXPECT_TRUE(w.cube.Facts().Item("Summa").FactVisible);
    EXPECT_THROW(w.cube.UserShowFact("Hidden", true), ValueError);
    EXPECT_THROW(w.cube.UserShowFact("Nothing", true), ValueError);

    w.Set("cbFact", "Qty");
    w.Click("btShowFact");
    EXPECT_EQ(w.FactColumns("Qty").size(), summaColumns);
    EXPECT_NEAR(w.At(w.GrandTotalRow(), w.Column("Qty", {"Total"})), w.Sum([](const Line&) { return true; }, true),
                1e-6);
}
