#include "host/ui/Grid.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/TableRowSource.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

using namespace Talvex::Ui;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Testing::ScriptedUser;

namespace {

Value Money(const char* text)
{
    return Value(Currency::Parse(text));
}

std::vector<std::string> ColumnTexts(const Grid& grid, std::string_view column)
{
    std::vector<std::string> texts;
    const std::size_t index = grid.ColumnIndex(column);
    for (std::size_t row = 0; row < grid.RowCount(); ++row)
        texts.push_back(grid.CellText(row, index));
    return texts;
}

} // namespace

TEST(Grid, SortsByValueKindAndKeepsStylesCurrentRowAndSelectionWithTheirRows)
{
    Form form("frmList");
    Grid& grid = form.AddGrid("grdList");
    grid.AddColumn("Client");
    grid.AddColumn("Debt", "Debt", "#,##0.00");
    grid.AddColumn("DocumentDate", "Date", "yyyy-mm-dd");
    grid.DefineStyle("DepartmentRow", RowStyle{true, "", "#e0e0ff"});
    grid.AddRow({Value("B"), Money("10.5"), Value(Date(2025, 2, 1))});
    grid.AddRow({Value("A"), Value(9), Value(Date(2024, 12, 31))});
    grid.AddRow({Value("C"), Value(), Value()});
    grid.AddRow({Value("D"), Value(10.25), Value(Date(2025, 1, 15))});
    grid.AddRow({Value("E"), Money("10.5"), Value(Date(2025, 1, 15))});
    grid.SetRowStyle(0, "DepartmentRow");
    grid.SetSelectedRows({1, 4}); // A, E; the first becomes current
    EXPECT_EQ(grid.CurrentRow(), 1);
    grid.SetCurrentRow(3); // D

    grid.SortBy("Debt");
    // Empty first, then exact amounts whatever their type; equal keys keep their order.
    EXPECT_EQ(ColumnTexts(grid, "Client"), (std::vector<std::string>{"C", "A", "D", "B", "E"}));
    EXPECT_EQ(ColumnTexts(grid, "Debt"), (std::vector<std::string>{"", "9.00", "10.25", "10.50", "10.50"}));
    EXPECT_EQ(grid.RowStyleId(3), "DepartmentRow");
    EXPECT_EQ(grid.RowStyleId(0), "");
    EXPECT_EQ(grid.Cell(static_cast<std::size_t>(grid.CurrentRow()), "Client"), Value("D"));
    EXPECT_EQ(grid.SelectedRows(), (std::vector<long>{1, 4}));

    grid.SortBy("DocumentDate", false);
    EXPECT_EQ(ColumnTexts(grid, "Client"), (std::vector<std::string>{"B", "D", "E", "A", "C"}));
    grid.SortBy("Client", false);
    EXPECT_EQ(ColumnTexts(grid, "Client"), (std::vector<std::string>{"E", "D", "C", "B", "A"}));

    EXPECT_THROW(grid.SortBy("Nothing"), UiError);
    EXPECT_THROW(grid.SetRowStyle(0, "NoSuchStyle"), UiError);
    EXPECT_THROW(grid.AddRow({Value(1), Value(2), Value(3), Value(4)}), UiError);
}

TEST(Grid, CellStylesAndRowInfoStayWithTheirRowsAndGoWithTheColumns)
{
    Form form("frmList");
    Grid& grid = form.AddGrid("grdList");
    grid.AddColumn("Client");
    grid.AddColumn("Debt", "Debt", "#,##0.00");
    grid.AddRow({Value("B"), Money("-5.00")});
    grid.AddRow({Value("A"), Money("7.00")});
    grid.AddRow({Value("C"), Money("-1.00")});
    grid.SetCellStyle(0, "Debt", CellStyle{"", "#ff0000", false});
    grid.SetCellStyle(2, "Debt", CellStyle{"#ff7878", "", true});
    grid.SetRowInfo(1, GridRowInfo{HeaderKind::Subtotal, 1, ExpandState::Expanded});
    EXPECT_EQ(grid.CellStyleAt(1, "Debt"), nullptr);
    EXPECT_EQ(grid.CellStyleAt(0, "Client"), nullptr); // styled by cell, not by row

    // Sorting moves the styles and the row kinds with their rows.
    grid.SortBy("Client");
    EXPECT_EQ(ColumnTexts(grid, "Client"), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(grid.CellStyleAt(0, "Debt"), nullptr);
    ASSERT_NE(grid.CellStyleAt(1, "Debt"), nullptr);
    EXPECT_EQ(grid.CellStyleAt(1, "Debt")->foreColor, "#ff0000");
    ASSERT_NE(grid.CellStyleAt(2, std::size_t{1}), nullptr);
    EXPECT_EQ(*grid.CellStyleAt(2, std::size_t{1}), (CellStyle{"#ff7878", "", true}));
    EXPECT_EQ(grid.RowInfo(0).kind, HeaderKind::Subtotal);
    EXPECT_EQ(grid.RowInfo(0).expand, ExpandState::Expanded);
    EXPECT_EQ(grid.RowInfo(1).kind, HeaderKind::None);

    // A column added later leaves the styles where they were.
    grid.AddColumn("Note");
    EXPECT_EQ(grid.CellStyleAt(1, "Note"), nullptr);
    EXPECT_NE(grid.CellStyleAt(1, "Debt"), nullptr);
    grid.ClearCellStyle(1, "Debt");
    EXPECT_EQ(grid.CellStyleAt(1, "Debt"), nullptr);
    grid.ClearCellStyles();
    EXPECT_EQ(grid.CellStyleAt(2, "Debt"), nullptr);
    EXPECT_EQ(grid.RowInfo(0).kind, HeaderKind::Subtotal); // row kinds stay

    // Unknown cells are refused with the grid and the cell named.
    EXPECT_THROW(grid.SetCellStyle(9, "Debt", CellStyle{}), UiError);
    EXPECT_THROW(grid.SetCellStyle(0, "Nothing", CellStyle{}), UiError);
    EXPECT_THROW(grid.CellStyleAt(0, std::size_t{7}), UiError);
    EXPECT_THROW(grid.RowInfo(3), UiError);

    // New columns start without styles or kinds.
    grid.SetCellStyle(0, "Debt", CellStyle{"#000000", "", false});
    grid.ClearColumns();
    grid.AddColumn("Debt");
    grid.AddRow({Money("1.00")});
    EXPECT_EQ(grid.CellStyleAt(0, "Debt"), nullptr);
    EXPECT_EQ(grid.RowInfo(0).kind, HeaderKind::None);
    EXPECT_EQ(grid.Columns()[0].role, ColumnRole::Data);

    // A column given whole keeps its header metadata; its caption defaults to its name.
    GridColumn fact;
    fact.name = "F0";
    fact.role = ColumnRole::Fact;
    fact.factName = "Summa";
    fact.headerPath = {"2014", "Total"};
    fact.headerKind = HeaderKind::Subtotal;
    fact.expand = ExpandState::Expanded;
    grid.AddColumn(fact);
    const auto& added = grid.Columns().back();
    EXPECT_EQ(added.caption, "F0");
    EXPECT_EQ(added.headerPath, (std::vector<std::string>{"2014", "Total"}));
    EXPECT_EQ(added.headerKind, HeaderKind::Subtotal);
    EXPECT_TRUE(grid.Cell(0, "F0").IsEmpty()); // existing rows get an empty cell
    EXPECT_THROW(grid.AddColumn(fact), UiError);
    fact.name.clear();
    EXPECT_THROW(grid.AddColumn(fact), Talvex::ValueError);
}

TEST(Grid, FooterShowsThroughTheColumnFormatAndMoneyAlignsRight)
{
    Form form("frmList");
    Grid& grid = form.AddGrid("grdList");
    grid.AddColumn("Client");
    grid.AddColumn("TotalSumm", "Total", "#,##0.00");
    grid.SetFooter("TotalSumm", Money("1234567.5"));
    EXPECT_EQ(grid.FooterText("TotalSumm"), "1,234,567.50");
    EXPECT_EQ(grid.FooterText("Client"), "");
    EXPECT_EQ(grid.Columns()[1].EffectiveAlignment(), Alignment::Right);
    EXPECT_EQ(grid.Columns()[0].EffectiveAlignment(), Alignment::Left);
    // A column added after the footer was set starts with an empty footer of its own.
    grid.AddColumn("BegRest", "", "#,##0.00");
    EXPECT_EQ(grid.FooterText("BegRest"), "");
    EXPECT_EQ(grid.FooterText("TotalSumm"), "1,234,567.50");
    grid.ClearFooters();
    EXPECT_EQ(grid.FooterText("TotalSumm"), "");
}

TEST(Grid, RowFilterHidesRowsFromTheScreenAndFromScriptedRowNumbers)
{
    ScriptedUser user("frmDebt.grdList cell 1 RowType\nfrmDebt.grdList dblclick 2\nfrmDebt close\n");
    Form form("frmDebt");
    Grid& grid = form.AddGrid("grdList");
    grid.AddColumn("Name");
    grid.AddColumn("RowType");
    grid.AddRow({Value("client 1"), Value(2)});
    grid.AddRow({Value("manager subtotal"), Value(1)});
    grid.AddRow({Value("client 2"), Value(2)});
    grid.SetRowFilter([](const Grid& g, std::size_t row) { return g.Cell(row, "RowType").ToInteger() != 1; });
    std::string clicked;
    std::string movedTo;
    form.On("grdList", "RowColChange", [&](EventArgs& e) { movedTo = std::to_string(e.row) + " " + e.column; });
    form.On("grdList", "DblClick", [&](EventArgs& e) {
        clicked = grid.Cell(static_cast<std::size_t>(e.row), "Name").ToText() + " " + e.column;
    });
    form.Show(true);

    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(movedTo, "0 RowType");
    EXPECT_EQ(clicked, "client 2 RowType"); // the second row on screen is the third stored
    EXPECT_EQ(grid.VisibleRows(), (std::vector<std::size_t>{0, 2}));
    grid.ClearRowFilter();
    EXPECT_EQ(grid.VisibleRows().size(), 3u);
}

namespace {

// A list dialog as the reports make them: the fields are declared by the form, the rows
// come from a result set, the footer holds the total row.
class DebtListForm : public Form {
public:
    DebtListForm() : Form("frmDebtList"), list(AddLocalList("mLocalList"))
    {
        list.AddMenuItem("CreateDoc", "Create documents");
        list.AddMenuItem("DeleteDoc", "Delete documents");
        On("mLocalList", "OnRefresh", [this](EventArgs& e) {
            events.push_back("OnRefresh");
            e.filter = "oTable.IDC = 0";
        });
        On("mLocalList", "OnAddFields", [this](EventArgs&) {
            events.push_back("OnAddFields");
            list.DeclareField("Client", "Client");
            list.DeclareField("Summa0", "", "#,##0.00");
            list.DeclareField("RowType", "", "", false);
        });
        On("mLocalList", "OnAddColumn", [this](EventArgs& e) {
            events.push_back("OnAddColumn " + e.gridColumn->name);
            if (e.gridColumn->name == "Summa0") e.gridColumn->caption = "2025/01";
        });
        On("mLocalList", "AfterRefresh", [this](EventArgs&) {
            events.push_back("AfterRefresh " + std::to_string(list.RowCount()));
            for (std::size_t row = 0; row < list.RowCount(); ++row) {
                if (list.Cell(row, "RowType").ToInteger() == 3) list.SetFooter("Summa0", list.Cell(row, "Summa0"));
            }
        });
        On("mLocalList", "OnRunMDICommand", [this](EventArgs& e) { events.push_back("menu " + e.key); });
    }
    LocalList& list;
    std::vector<std::string> events;
};

} // namespace

TEST(LocalList, RefreshAsksTheFormForFieldsColumnsAndFooters)
{
    ScriptedUser user(R"(
frmDebtList.mLocalList menu DeleteDoc
frmDebtList close
)");
    DebtListForm form;
    auto rows = std::make_shared<TableRowSource>(std::vector<std::string>{"RowType", "Client", "Summa0", "Extra"});
    rows->AddRow({Value(2), Value("K1: Client one"), Money("100.10")});
    rows->AddRow({Value(2), Value("K2: Client two"), Money("-0.10")});
    rows->AddRow({Value(3), Value(""), Money("100")});
    form.list.SetRowSource(rows);
    form.list.Refresh();
    form.Show(true);

    EXPECT_EQ(form.events,
              (std::vector<std::string>{"OnRefresh", "OnAddFields", "OnAddColumn Client", "OnAddColumn Summa0",
                                        "OnAddColumn RowType", "AfterRefresh 3", "menu DeleteDoc"}));
    EXPECT_EQ(form.list.Filter(), "oTable.IDC = 0");
    ASSERT_EQ(form.list.Columns().size(), 3u);
    EXPECT_EQ(form.list.Columns()[1].caption, "2025/01");
    EXPECT_FALSE(form.list.Columns()[2].visible);
    EXPECT_EQ(form.list.FooterText("Summa0"), "100.00");
    EXPECT_EQ(form.list.Cell(1, "Client"), Value("K2: Client two"));
    EXPECT_EQ(user.ErrorsText(), "");
    try {
        form.list.ChooseMenuItem("Print");
        FAIL() << "a key the menu does not hold must be refused";
    } catch (const UiError& error) {
        EXPECT_STREQ(error.what(), "mLocalList: the local menu has no item 'Print'");
    }

    // A field the source lacks is a fault of the report, named at once.
    form.On("mLocalList", "OnAddFields", [&](EventArgs&) { form.list.DeclareField("Summa7"); });
    try {
        form.list.Refresh();
        FAIL() << "a field missing from the source must be refused";
    } catch (const UiError& error) {
        EXPECT_STREQ(error.what(), "mLocalList: the row source has no column 'Summa7'");
    }
}

TEST(LocalList, WithoutDeclaredFieldsShowsEverySourceColumn)
{
    Session session;
    Form form("frmPlain");
    LocalList& list = form.AddLocalList("lstRows");
    auto rows = std::make_shared<TableRowSource>(std::vector<std::string>{"Code", "Name"});
    rows->AddRow({Value("A"), Value("Alpha")});
    list.SetRowSource(rows);
    list.Refresh();
    rows->AddRow({Value("B")});
    list.Refresh(); // a refresh reads the source again, rows and all
    ASSERT_EQ(list.Columns().size(), 2u);
    EXPECT_EQ(list.RowCount(), 2u);
    EXPECT_EQ(list.Cell(1, "Name"), Value());
    EXPECT_EQ(list.CurrentRow(), 0);
}
