#include "host/cube/CCube.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Talvex::Cube;

namespace {

// A cube report that defines a small cube of sales by region and month and records what
// the window tells it.
class SalesReport : public ICubeForm2 {
public:
    void OnOpenCube(CCube& cube) override
    {
        opened = &cube;
        auto& engine = cube.cube();
        engine.SetActive(false);
        CubeSource source;
        source.AddColumn("Region", std::vector<std::string>{"North", "South", "North", "West", "South"});
        source.AddColumn("DocumentDate", std::vector<Date>{Date(2014, 1, 5), Date(2014, 1, 20), Date(2014, 2, 3),
                                                           Date(2014, 2, 14), Date(2015, 1, 2)});
        source.AddColumn("Summa", std::vector<double>{10, 20, 30, -40, 50});
        engine.SetSource(std::move(source));
        engine.Dims().Add("Region", "Region of sale", 2);
        engine.Dims().Add("DocumentDate");
        engine.Dims().AddCalculated("Month", "DocumentDate", PeriodLevel::Month, "Month");
        engine.Dims().AddCalculated("Year", "DocumentDate", PeriodLevel::Year, "Year");
        engine.BaseFacts().Add("Summa");
        engine.Facts().Add("Summa", "Sum");
        cube.SetCaption("Sales 2014-2015");
        calls.push_back("OnOpenCube");
    }
    void OnLoad(CCube& cube, std::vector<std::string>& items) override
    {
        calls.push_back(cube.cube().Active() ? "OnLoad active" : "OnLoad inactive");
        cube.Parent().SetCaption("Sales cube");
        items = {"Documents", "-", "Print"};
    }
    void OnUserMenu(int index) override { calls.push_back("OnUserMenu " + std::to_string(index)); }
    void OnFactCellDblClick(CCube&, const GridCell& cell) override
    {
        const auto coords = cell.Coordinates();
        std::string where;
        for (std::size_t i = 0; i < coords.Count(); ++i)
            where += coords.Dimension(i).Name() + "=" + coords.Member(i).ToText() + ";";
        calls.push_back("DblClick " + where + " " + std::to_string(cell.Value()));
    }
    void OnDimMapping(CCube&, const Dimension& dim, const Value& key, std::string& value) override
    {
        value = dim.Name() + ":" + key.ToText() + " (" + value + ")";
    }
    void BeforeMoveDimension(CCube&, const Dimension& dim, Axis, int, bool& cancel) override
    {
        calls.push_back("BeforeMove " + dim.Name());
        cancel = dim.Name() == "Year";
    }

    CCube* opened = nullptr;
    std::vector<std::string> calls;
};

std::vector<std::string> ColumnCaptions(const Ui::Grid& grid)
{
    std::vector<std::string> captions;
    for (const auto& column : grid.Columns())
        captions.push_back(column.caption);
    return captions;
}

} // namespace

TEST(CubeWindow, OpensLikeTheHostAndIsDrivenThroughTheSession)
{
    Testing::ScriptedUser user;
    auto report = std::make_shared<SalesReport>();
    CCube& cube = OpenCubeForm(report);
    EXPECT_EQ(report->opened, &cube);
    EXPECT_EQ(report->calls, (std::vector<std::string>{"OnOpenCube", "OnLoad active"}));

    // The window stands in the session's window model, with its captions and menu.
    Ui::Form* window = user.Session().FindWindow(CubeWindow::kFormName);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window, &cube.Parent());
    EXPECT_EQ(window->Caption(), "Sales cube");
    EXPECT_EQ(window->Ctl("lbCubeCaption").Caption(), "Sales 2014-2015");
    EXPECT_EQ(window->Ctl("UserMenu1").Caption(), "Documents");
    EXPECT_FALSE(window->Has("UserMenu2")); // a separator
    EXPECT_EQ(window->Ctl("UserMenu3").Caption(), "Print");

    // The host's first layout: the plain dimensions down the rows, period levels across in
    // level order; mapped members show the report's text.
    const auto& grid = window->GridCtl("CubeGrid");
    EXPECT_EQ(ColumnCaptions(grid),
              (std::vector<std::string>{"Region of sale", "DocumentDate", "2014 / 1 / Sum", "2014 / 2 / Sum",
                                        "2014 / Total / Sum", "2015 / 1 / Sum", "2015 / Total / Sum", "Total / Sum"}));
    ASSERT_GT(grid.RowCount(), 0u);
    EXPECT_EQ(grid.Cell(0, "Region"), Value("Region:North (North)"));
    EXPECT_EQ(grid.Cell(grid.RowCount() - 1, "Region"), Value("Total"));
    EXPECT_EQ(grid.Cell(grid.RowCount() - 1, "F5"), Value(70.0));

    // Focus and double-click a fact cell through posted actions, as a front end does.
    user.Session().Dispatch(Ui::SetCurrentCellAction{"CCube", "CubeGrid", 1, "F2"});
    ASSERT_TRUE(cube.FocusedCell().has_value());
    EXPECT_EQ(cube.FocusedCell()->ColIndex(), 2u);
    EXPECT_EQ(cube.FocusedCell()->RowIndex(), 1u);
    EXPECT_EQ(cube.StatusText(1), "1"); // North, 2014-02-03, year 2014: one source row
    const long northTotalRow = 2;       // North: 2014-01-05, 2014-02-03 and the North subtotal
    EXPECT_EQ(grid.Cell(northTotalRow, "DocumentDate"), Value("Total"));
    user.Session().Dispatch(Ui::DblClickRowAction{"CCube", "CubeGrid", northTotalRow, "F2"});
    EXPECT_EQ(report->calls.back(), "DblClick Region=North;Year=2014; 40.000000");
    // A double-click on a header cell is no fact cell.
    const auto callsBefore = report->calls.size();
    user.Session().Dispatch(Ui::DblClickRowAction{"CCube", "CubeGrid", 0, "Region"});
    EXPECT_EQ(report->calls.size(), callsBefore);

    user.Session().Dispatch(Ui::ClickAction{"CCube", "UserMenu3"});
    EXPECT_EQ(report->calls.back(), "OnUserMenu 3");
    EXPECT_THROW(cube.UserChooseMenu(2), ValueError);

    // Moving a dimension asks the report first; a refused move changes nothing.
    user.Session().Dispatch(Ui::SetValueAction{"CCube", "cbDimension", Value("Year")});
    user.Session().Dispatch(Ui::SetValueAction{"CCube", "cbAxis", Value("Rows")});
    user.Session().Dispatch(Ui::SetValueAction{"CCube", "edPosition", Value("0")});
    user.Session().Dispatch(Ui::ClickAction{"CCube", "btMoveDimension"});
    EXPECT_EQ(report->calls.back(), "BeforeMove Year");
    EXPECT_EQ(cube.cube().Dims().Item("Year").GetAxis(), Axis::Columns);
    EXPECT_TRUE(cube.UserMoveDimension("DocumentDate", Axis::Filter, 0));
    EXPECT_EQ(ColumnCaptions(grid).at(1), "2014 / 1 / Sum");
    EXPECT_EQ(grid.RowCount(), 4u); // three regions and the total

    // Collapsing the columns to the years, then expanding back.
    user.Session().Dispatch(Ui::ClickAction{"CCube", "btCollapseColumns"});
    EXPECT_EQ(cube.HAxis().DrillDownLevel(), 0);
    EXPECT_EQ(ColumnCaptions(grid),
              (std::vector<std::string>{"Region of sale", "2014 / Sum", "2015 / Sum", "Total / Sum"}));
    user.Session().Dispatch(Ui::ClickAction{"CCube", "btExpandColumns"});
    EXPECT_EQ(cube.HAxis().DrillDownLevel(), -1);
    EXPECT_EQ(grid.Columns().size(), 7u);
    EXPECT_EQ(user.ErrorsText(), "");

    // Focus outside the grid is refused with the index named.
    EXPECT_THROW(cube.SetFocusedCell(99, 0), ValueError);
}

TEST(CubeWindow, ReportErrorsAreShownAndTheWindowStillOpens)
{
    class Failing : public ICubeForm2 {
    public:
        void OnOpenCube(CCube&) override { throw ValueError("no parameters"); }
    };
    Testing::ScriptedUser user;
    CCube& cube = OpenCubeForm(std::make_shared<Failing>());
    EXPECT_FALSE(cube.FocusedCell().has_value());
    EXPECT_NE(user.Session().FindWindow(CubeWindow::kFormName), nullptr);
    ASSERT_EQ(user.ErrorMessages().size(), 1u);
    EXPECT_EQ(user.ErrorMessages()[0], "no parameters");
}

// The answers file of the CLI drives a cube window left open after the run: rows count
// from 1 as on screen, fact columns are named by their cell index.
TEST(CubeWindow, AnswersFileDrivesTheOpenWindow)
{
    Testing::ScriptedUser user("CCube.CubeGrid cell 2 F0\n"
                               "CCube.UserMenu1 click\n"
                               "CCube.CubeGrid dblclick 3 F2\n"
                               "CCube.btCollapseRows click\n");
    auto report = std::make_shared<SalesReport>();
    CCube& cube = OpenCubeForm(report);
    EXPECT_EQ(user.PlayRemaining(), 4);
    EXPECT_EQ(user.ErrorsText(), "");
    ASSERT_EQ(report->calls.size(), 4u);
    EXPECT_EQ(report->calls[2], "OnUserMenu 1");
    EXPECT_EQ(report->calls[3], "DblClick Region=North;Year=2014; 40.000000");
    EXPECT_EQ(cube.VAxis().DrillDownLevel(), 0);
    EXPECT_EQ(cube.Parent().GridCtl("CubeGrid").RowCount(), 4u); // three regions and the total
}
