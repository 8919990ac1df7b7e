#pragma once

#include "host/cube/CCube.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

#include <string>

// What the tests of a cube report's whole run check alike: the period answered on the
// parameter form, the window the report opened, the list a drill-down showed, the message
// of a cube with nothing to show.
namespace CubeRunChecks {

// The scripted user types the period into the form's date boxes and presses OK.
inline Talvex::Testing::ScriptedUser& AnswerPeriod(Talvex::Testing::ScriptedUser& user, const std::string& form,
                                                   const std::string& beg, const std::string& end)
{
    return user.Set(form, "edBegDate", beg).Set(form, "edEndDate", end).Click(form, "btOk");
}

// The cube control of the window the report opened in the user's session; null when none.
inline Talvex::CCube* ShownCube(Talvex::Testing::ScriptedUser& user)
{
    auto* window = dynamic_cast<Talvex::CubeWindow*>(user.Session().FindWindow(Talvex::CubeWindow::kFormName));
    return window ? &window->CubeControl() : nullptr;
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

// The user saw no error and exactly one message, this one.
inline ::testing::AssertionResult ToldOnly(const Talvex::Testing::ScriptedUser& user, const std::string& text)
{
    if (!user.ErrorsText().empty()) return ::testing::AssertionFailure() << "errors shown: " << user.ErrorsText();
    const auto messages = user.MessageTexts();
    if (messages.size() != 1) return ::testing::AssertionFailure() << messages.size() << " messages shown, not 1";
    if (messages[0] != text) return ::testing::AssertionFailure() << "the message was '" << messages[0] << "'";
    return ::testing::AssertionSuccess();
}

} // namespace CubeRunChecks
