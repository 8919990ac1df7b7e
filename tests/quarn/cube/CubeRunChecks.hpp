#pragma once

#include "host/cube/CCube.hpp"
#include "host/cube/CubeGrid.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// What the tests of a cube report's whole run check alike: the demo company and the period a
// report starts from, the period answered on the parameter form, the run from the menu, the
// window the report opened, the row a drill-down starts from, the list it showed, the message
// of a cube with nothing to show, a bad value refused at its control.
namespace CubeRunChecks {

// The fixture of a cube report's tests on the demo company: its Book, the report's
// parameters holding the Book and the period, and the report itself.
template <class Report> class ReportFixture : public ::testing::Test {
protected:
    ReportFixture(Talvex::Date beg, Talvex::Date end) : beg_(beg), end_(end) {}

    void SetUp() override
    {
        book = Talvex::Testing::OpenDemoBook("tester");
        AddBookAndPeriod(params);
    }

    // What a report starts from: the Book, DateBeg and DateEnd.
    void AddBookAndPeriod(Talvex::FieldList& list) const
    {
        list.Add("Book", Talvex::FieldType::kObject, Talvex::Value(std::shared_ptr<Talvex::Object>(book)));
        list.Add("DateBeg", Talvex::FieldType::kDate, Talvex::Value(beg_));
        list.Add("DateEnd", Talvex::FieldType::kDate, Talvex::Value(end_));
    }

    std::shared_ptr<Talvex::Book> book;
    Talvex::FieldList params;
    Report report;

private:
    Talvex::Date beg_, end_;
};

// The scripted user types the period into the form's date boxes and presses OK.
inline Talvex::Testing::ScriptedUser& AnswerPeriod(Talvex::Testing::ScriptedUser& user, const std::string& form,
                                                   const std::string& beg, const std::string& end)
{
    return user.Set(form, "edBegDate", beg).Set(form, "edEndDate", end).Click(form, "btOk");
}

// A report run as from the menu, showing its windows, on `params`: the report (its wrapper
// holds what a drill-down listed) and what its Run returned.
template <class Report> struct MenuRun {
    std::shared_ptr<Report> report = std::make_shared<Report>();
    bool returned = false;
};
template <class Report> MenuRun<Report> RunShown(Talvex::FieldList& params)
{
    MenuRun<Report> run;
    run.report->SetVisual(true);
    Talvex::FieldList out;
    run.returned = run.report->Run(params, out);
    return run;
}

// The cube control of the window the report opened in the user's session; null when none.
inline Talvex::CCube* ShownCube(Talvex::Testing::ScriptedUser& user)
{
    auto* window = dynamic_cast<Talvex::CubeWindow*>(user.Session().FindWindow(Talvex::CubeWindow::kFormName));
    return window ? &window->CubeControl() : nullptr;
}

// The first row of a grid below its grand totals: where a drill-down starts; the grid's row
// count when it has no other row.
inline std::size_t FirstMemberRow(const Talvex::Cube::CubeGrid& grid)
{
    std::size_t row = 0;
    while (row < grid.RowCount() && grid.RowHeader(row).IsGrandTotal())
        ++row;
    return row;
}

// The code of a row's first member: its text up to the ':' before its name.
inline std::string RowCode(const Talvex::Cube::CubeGrid& grid, std::size_t row)
{
    const std::string member = grid.RowDims().at(0)->Member(grid.RowHeader(row).Codes.at(0)).ToText();
    return member.substr(0, member.find(':'));
}

// The rows a drill-down listed ("SpecGrid" of its list form) and the sum of one column.
struct Listed {
    std::size_t rows = 0;
    double sum = 0;
};
inline Listed ListedSum(const Talvex::Ui::Form& list, const char* column)
{
    const auto& shown = list.GridCtl("SpecGrid");
    Listed listed;
    listed.rows = shown.RowCount();
    for (std::size_t r = 0; r < shown.RowCount(); ++r)
        listed.sum += shown.Cell(r, column).ToDouble();
    return listed;
}

// The user double-clicks `fact` in the whole-period column on the grid's first row below the
// grand totals: the drill-down shows no error and lists rows that add up to the cell, whose
// value lands in `cell`. Fatal failures stop the calling test through ASSERT_NO_FATAL_FAILURE.
template <class Wrapper>
void ExpectDrillDownAddsUp(const Talvex::Testing::ScriptedUser& user, Talvex::CCube& cube, const Wrapper& wrapper,
                           const char* fact, double tolerance, double& cell)
{
    const auto& grid = cube.cube().Grid();
    const auto all = grid.FindColHeader({});
    ASSERT_TRUE(all);
    const std::size_t row = FirstMemberRow(grid);
    ASSERT_LT(row, grid.RowCount());
    cell = grid.FactValue(row, *all, fact).value_or(0);
    cube.UserDblClickCell(grid.ColumnOf(*all, fact), row);
    ASSERT_EQ(user.ErrorsText(), "");
    const auto* list = wrapper.ListForm();
    ASSERT_NE(list, nullptr);
    const Listed listed = ListedSum(*list, fact);
    ASSERT_GT(listed.rows, 0u);
    EXPECT_NEAR(listed.sum, cell, tolerance);
}

// The user saw no error and exactly one message, this one.
inline ::testing::AssertionResult ToldOnly(const Talvex::Testing::ScriptedUser& user, const std::string& text)
{
    if (!user.ErrorsText().empty()) return ::testing::AssertionFailure() << "errors shown: " << user.ErrorsText();
    const auto messages = user.MessageTexts();
    if (messages.size() != 1) return ::testing::AssertionFailure() << messages.size() << " messages shown, not 1";
    if (messages[0] != text) return ::testing::AssertionFailure() << "the message was '" << messages[0] << "'";
    return ::testing::AssertionSuccess();
}

// The scripted user types one bad value into a form's control, presses OK, and cancels the
// form it was refused on.
inline Talvex::Testing::ScriptedUser& AnswerBadValue(Talvex::Testing::ScriptedUser& user, const std::string& form,
                                                     const std::string& control, const std::string& value)
{
    return user.Set(form, control, value).Click(form, "btOk").Click(form, "btCancel");
}

// The user was refused exactly once, by an error naming the control ("control: ...").
inline ::testing::AssertionResult RefusedAt(const Talvex::Testing::ScriptedUser& user, const std::string& control)
{
    const auto errors = user.ErrorMessages();
    if (errors.size() != 1) return ::testing::AssertionFailure() << errors.size() << " errors shown, not 1";
    if (errors[0].find(control + ":") == std::string::npos)
        return ::testing::AssertionFailure() << "the error '" << errors[0] << "' does not name " << control;
    return ::testing::AssertionSuccess();
}

} // namespace CubeRunChecks
