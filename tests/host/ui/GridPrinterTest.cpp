#include "host/ui/GridPrinter.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/Session.hpp"

#include <gtest/gtest.h>

using namespace Talvex::Ui;
using Talvex::Currency;
using Talvex::Value;

TEST(GridPrinter, ShowsVisibleColumnsAndRowsInScreenOrderWithFooters)
{
    Session session;
    Session::Scope scope(session);
    Form form("frmList");
    Grid& grid = form.AddGrid("grdList");
    grid.AddColumn("Client", "Client");
    grid.AddColumn("RowType").visible = false;
    grid.AddColumn("Debt", "Debt", "#,##0.00");
    grid.AddRow({Value("Beta"), Value(2), Value(Currency::Parse("1234.5"))});
    grid.AddRow({Value("Manager"), Value(1), Value(Currency::Parse("10"))});
    grid.AddRow({Value("Alfa"), Value(2), Value(Currency::Parse("-3"))});
    grid.SortBy("Client");
    grid.SetRowFilter([](const Grid& g, std::size_t row) { return g.Cell(row, "RowType").ToInteger() != 1; });

    const VisibleGrid visible = GridPrinter::Visible(grid);
    EXPECT_EQ(visible.names, (std::vector<std::string>{"Client", "Debt"}));
    ASSERT_EQ(visible.rows.size(), 2U);
    EXPECT_EQ(visible.rows[0][0], Value("Alfa"));
    EXPECT_EQ(visible.rows[1][1], Value(Currency::Parse("1234.5")));
    EXPECT_FALSE(visible.hasFooter);
    EXPECT_EQ(GridPrinter::Lines(grid), (std::vector<std::string>{"Client\tDebt", "Alfa\t-3.00", "Beta\t1,234.50"}));

    // With a footer the print ends with it; each print is recorded in the session.
    grid.SetFooter("Debt", Value(Currency::Parse("1231.5")));
    GridPrinter(session).Print(grid, "Debts");
    ASSERT_EQ(session.Prints().size(), 1U);
    EXPECT_EQ(session.Prints()[0].title, "Debts");
    EXPECT_EQ(session.Prints()[0].lines.back(), "\t1,231.50");
    EXPECT_EQ(session.Prints()[0].lines.size(), 4U);
}
