// The scripted user's checks of its script against the windows the run opens.

#include "host/ui/ScriptDriver.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <string_view>
#include <vector>

namespace Talvex::Ui {

namespace {

bool AddressesAWindow(const ScriptStep& step)
{
    return step.verb != ScriptVerb::Answer && step.verb != ScriptVerb::CancelProgress;
}

// Edits (insert, delete, replace) from one name to the other, letters compared without case.
std::size_t EditDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            const std::size_t replaced = diagonal + (same ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, replaced});
        }
    }
    return row[b.size()];
}

// A name written for a window that is another window's name mistyped: the same but for
// case, or a letter off (two in a long name). The module's windows differ by far more.
bool IsSlipOf(std::string_view written, std::string_view real)
{
    if (written == real) return false;
    const std::size_t allowed = std::min(written.size(), real.size()) >= 8 ? 2 : 1;
    return EditDistance(written, real) <= allowed;
}

// What is wrong with the control a step names on its window; empty when nothing.
std::string ControlProblem(const ScriptStep& step, const Form& form)
{
    if (step.control.empty()) return {};
    const std::string place = form.Name() + "." + step.control;
    if (!form.Has(step.control)) return form.Name() + " has no control '" + step.control + "'";
    const Control& control = form.Ctl(step.control);
    switch (step.verb) {
    case ScriptVerb::DblClick:
    case ScriptVerb::Cell:
    case ScriptVerb::Select:
    case ScriptVerb::AddRow:
    case ScriptVerb::DeleteRow: {
        const auto* grid = dynamic_cast<const Grid*>(&control);
        if (grid == nullptr) return place + " is not a grid";
        if (step.verb == ScriptVerb::AddRow && !grid->RowsAddable()) return place + " takes no new rows";
        if (step.verb == ScriptVerb::DeleteRow && !grid->RowsDeletable()) return place + " has no rows to delete";
        break;
    }
    case ScriptVerb::Edit:
    case ScriptVerb::Card: {
        const auto* grid = dynamic_cast<const Grid*>(&control);
        if (grid == nullptr) return place + " is not a grid";
        // A list declares its columns when it fills: an unknown column is caught when played.
        if (grid->Columns().empty()) break;
        const auto column = grid->FindColumn(step.column);
        if (!column) return place + " has no column '" + step.column + "'";
        const GridColumn& named = grid->Columns()[*column];
        if (step.verb == ScriptVerb::Edit && !named.editable)
            return "the column '" + step.column + "' of " + place + " cannot be edited";
        if (step.verb == ScriptVerb::Card && named.cardReference.empty())
            return "the column '" + step.column + "' of " + place + " opens no card";
        break;
    }
    case ScriptVerb::Menu: {
        const auto* list = dynamic_cast<const LocalList*>(&control);
        if (list == nullptr) return place + " is not a list with a menu";
        const auto& menu = list->Menu();
        if (menu.empty() ||
            std::any_of(menu.begin(), menu.end(), [&](const MenuItem& item) { return item.key == step.text; }))
            break;
        std::string keys;
        for (const auto& item : menu)
            keys += (keys.empty() ? "" : ", ") + item.key;
        return "the menu of " + place + " has no item '" + step.text + "' (it has " + keys + ")";
    }
    default: break;
    }
    return {};
}

} // namespace

void ScriptDriver::Stop(std::size_t stepIndex, const std::string& problem)
{
    if (!failure_.empty()) return;
    failure_ = script_.Steps()[stepIndex].Named() + ": " + problem;
    transcript_.push_back("stopped: " + failure_);
}

void ScriptDriver::CheckSlipsOf(const std::string& openedWindow)
{
    if (!failure_.empty() || openedWindow == MessageBox::kFormName) return;
    const auto& steps = script_.Steps();
    for (std::size_t i = next_; i < steps.size(); ++i) {
        const ScriptStep& step = steps[i];
        if (!AddressesAWindow(step) || windowsOpened_.count(step.form) != 0) continue;
        if (IsSlipOf(step.form, openedWindow)) {
            Stop(i, "no window '" + step.form + "' has opened; is it " + openedWindow + "?");
            return;
        }
    }
}

void ScriptDriver::CheckStepsFor(const Form& form)
{
    // Once per window: it has declared its controls by the time it waits for the user.
    if (!failure_.empty() || !windowsChecked_.insert(form.Name()).second) return;
    const auto& steps = script_.Steps();
    for (std::size_t i = next_; i < steps.size(); ++i) {
        if (!AddressesAWindow(steps[i]) || steps[i].form != form.Name()) continue;
        if (std::string problem = ControlProblem(steps[i], form); !problem.empty()) {
            Stop(i, problem);
            return;
        }
    }
}

void ScriptDriver::CheckBeforeDefaults(const Session& session, const Form& waiting)
{
    const auto& steps = script_.Steps();
    if (next_ >= steps.size() || steps[next_].verb == ScriptVerb::CancelProgress) return;
    const ScriptStep& step = steps[next_];
    const bool isAnswer = step.verb == ScriptVerb::Answer;
    // A step for a window open behind this one waits for this one to close.
    if (!isAnswer && session.FindWindow(step.form) != nullptr) return;
    const auto answersWaiting = [&](const ScriptStep& later) {
        return AddressesAWindow(later) && later.form == waiting.Name();
    };
    if (std::none_of(steps.begin() + static_cast<std::ptrdiff_t>(next_) + 1, steps.end(), answersWaiting)) return;
    Stop(next_, (isAnswer ? std::string("no message box is open") : "no window '" + step.form + "' is open") +
                    ", and " + waiting.Name() + ", which later steps answer, waits");
}

void ScriptDriver::CheckAnswer(std::size_t stepIndex, const Form& box)
{
    try {
        MessageBox::ButtonFor(box, script_.Steps()[stepIndex].text);
    } catch (const UiError& error) {
        Stop(stepIndex, error.what());
    }
}

} // namespace Talvex::Ui
