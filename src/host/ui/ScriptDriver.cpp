#include "host/ui/ScriptDriver.hpp"

#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

namespace Talvex::Ui {

namespace {

std::string Where(const ScriptStep& step)
{
    return step.line > 0 ? "answers line " + std::to_string(step.line) + ": " : "";
}

} // namespace

ScriptDriver::~ScriptDriver()
{
    if (session_ != nullptr) {
        session_->Unsubscribe(subscription_);
        if (session_->GetDriver() == this) session_->SetDriver(nullptr);
    }
}

void ScriptDriver::Attach(Session& session)
{
    if (session_ != nullptr) session_->Unsubscribe(subscription_);
    session_ = &session;
    session.SetDriver(this);
    subscription_ = session.Subscribe([this](const WindowChange& change) {
        using Kind = WindowChange::Kind;
        switch (change.kind) {
        case Kind::StatusChanged:
            if (!change.detail.empty()) transcript_.push_back("status: " + change.detail);
            break;
        case Kind::MessageShown: transcript_.push_back("message: " + change.detail); break;
        case Kind::MessageAnswered: transcript_.push_back("answer: " + change.detail); break;
        case Kind::ProgressEnded: transcript_.push_back("progress: " + change.detail); break;
        case Kind::DocumentOpened: transcript_.push_back("document: " + change.detail); break;
        case Kind::ErrorShown: transcript_.push_back("error: " + change.control + ": " + change.detail); break;
        case Kind::WindowOpened:
            // A window just opened has had no default answer yet, even when an earlier form
            // stood at the same address (forms made anew for each drill-down).
            if (Form* form = session_->FindWindow(change.window))
                std::erase_if(defaultsTried_, [form](const auto& tried) { return tried.first.first == form; });
            windowsOpened_.insert(change.window);
            CheckSlipsOf(change.window);
            break;
        case Kind::ProgressStarted: cancelPosted_ = false; break;
        default: break;
        }
    });
}

bool ScriptDriver::IsFor(const ScriptStep& step, const Form& waiting) const
{
    switch (step.verb) {
    case ScriptVerb::CancelProgress: return false;
    case ScriptVerb::Answer: return waiting.Name() == MessageBox::kFormName;
    default: return step.form == waiting.Name();
    }
}

bool ScriptDriver::IsOverWaiting(const Session& session, const ScriptStep& step, const Form& waiting) const
{
    if (step.verb == ScriptVerb::Answer || step.verb == ScriptVerb::CancelProgress) return false;
    // A modeless window opened over the modal one (a card) takes its steps while the modal waits.
    bool waitingSeen = false;
    for (const auto& window : session.Windows()) {
        if (window.form == &waiting)
            waitingSeen = true;
        else if (waitingSeen && !window.modal && window.form->Name() == step.form)
            return true;
    }
    return false;
}

bool ScriptDriver::OnIdle(Session& session, Form& waiting)
{
    const auto& steps = script_.Steps();
    const bool isMessage = waiting.Name() == MessageBox::kFormName;
    if (!isMessage) CheckStepsFor(waiting);
    if (failure_.empty() && next_ < steps.size() && IsFor(steps[next_], waiting)) {
        if (isMessage) CheckAnswer(next_, waiting);
        if (failure_.empty()) {
            session.Post(ToAction(steps[next_], session));
            ++next_;
            return true;
        }
    }
    if (failure_.empty() && !isMessage && next_ < steps.size() && IsOverWaiting(session, steps[next_], waiting)) {
        CheckStepsFor(*session.FindWindow(steps[next_].form));
        if (failure_.empty()) {
            session.Post(ToAction(steps[next_], session));
            ++next_;
            return true;
        }
    }
    if (failure_.empty() && !isMessage) CheckBeforeDefaults(session, waiting);
    if (!failure_.empty()) throw ScriptStoppedError(failure_);
    // No answer for this window: accept it with its defaults.
    int& tries = defaultsTried_[{&waiting, waiting.Showings()}];
    ++tries;
    if (tries == 1) {
        if (Control* button = waiting.DefaultButton()) {
            session.Post(ClickAction{waiting.Name(), button->Name()});
            return true;
        }
    }
    if (tries <= 2) {
        waiting.Hide();
        return true;
    }
    return false;
}

void ScriptDriver::OnProgress(Session& session, const ProgressState& state)
{
    if (!failure_.empty()) {
        if (!cancelPosted_) session.Post(CancelProgressAction{});
        cancelPosted_ = true;
        return;
    }
    const auto& steps = script_.Steps();
    if (next_ < steps.size() && steps[next_].verb == ScriptVerb::CancelProgress &&
        state.step >= steps[next_].afterStep) {
        session.Post(CancelProgressAction{});
        ++next_;
    }
}

int ScriptDriver::PlayRemaining(Session& session)
{
    int played = 0;
    const auto& steps = script_.Steps();
    while (failure_.empty() && next_ < steps.size()) {
        const ScriptStep& step = steps[next_];
        if (step.verb == ScriptVerb::CancelProgress) break;
        const Form* form = session.FindWindow(step.form);
        if (form == nullptr) break;
        if (step.verb == ScriptVerb::Answer)
            CheckAnswer(next_, *form);
        else
            CheckStepsFor(*form);
        if (!failure_.empty()) break;
        session.Post(ToAction(step, session));
        ++next_;
        ++played;
        session.PumpPending();
    }
    return played;
}

std::vector<ScriptStep> ScriptDriver::Remaining() const
{
    const auto& steps = script_.Steps();
    return std::vector<ScriptStep>(steps.begin() + static_cast<std::ptrdiff_t>(next_), steps.end());
}

std::string ScriptDriver::FirstUnplayed() const
{
    const auto& steps = script_.Steps();
    if (next_ >= steps.size()) return {};
    const ScriptStep& step = steps[next_];
    std::string why;
    if (step.verb == ScriptVerb::CancelProgress)
        why = "no progress run reached step " + std::to_string(step.afterStep);
    else if (step.verb == ScriptVerb::Answer)
        why = "no message box was open for it";
    else if (windowsOpened_.count(step.form) != 0)
        why = "the window '" + step.form + "' was no longer open when its turn came";
    else
        why = "no window '" + step.form + "' opened";
    return step.Named() + ": never ran: " + why;
}

UserAction ScriptDriver::ToAction(const ScriptStep& step, Session& session) const
{
    // Rows in a script count from 1 among the rows on screen; actions address stored rows.
    auto storedRows = [&](std::vector<long>& out) -> std::string {
        Form* form = session.FindWindow(step.form);
        if (form == nullptr) return "no open window '" + step.form + "'";
        if (!form->Has(step.control)) return step.form + ": no control '" + step.control + "'";
        const Grid* grid = dynamic_cast<const Grid*>(&form->Ctl(step.control));
        if (grid == nullptr) return step.form + "." + step.control + ": not a grid";
        const std::vector<std::size_t> visible = grid->VisibleRows();
        // "select all" names no rows: every row on screen now.
        if (step.verb == ScriptVerb::Select && step.rows.empty())
            for (std::size_t row : visible)
                out.push_back(static_cast<long>(row));
        for (long row : step.rows) {
            if (row < 1 || static_cast<std::size_t>(row) > visible.size())
                return step.form + "." + step.control + ": no row " + std::to_string(row) + " on screen (it shows " +
                       std::to_string(visible.size()) + ")";
            out.push_back(static_cast<long>(visible[static_cast<std::size_t>(row) - 1]));
        }
        return "";
    };
    // A step that cannot be made into an action is refused where actions are: by the
    // dispatcher, into the error list.
    auto refused = [&](const std::string& problem) -> UserAction {
        return RunOnHostAction{[message = Where(step) + problem] { throw UiError(message); }};
    };

    switch (step.verb) {
    case ScriptVerb::Set: return SetValueAction{step.form, step.control, Value(step.text)};
    case ScriptVerb::Click: return ClickAction{step.form, step.control};
    case ScriptVerb::DblClick: {
        std::vector<long> rows;
        if (std::string problem = storedRows(rows); !problem.empty()) return refused(problem);
        return DblClickRowAction{step.form, step.control, rows.front(), step.column};
    }
    case ScriptVerb::Cell: {
        std::vector<long> rows;
        if (std::string problem = storedRows(rows); !problem.empty()) return refused(problem);
        return SetCurrentCellAction{step.form, step.control, rows.front(), step.column};
    }
    case ScriptVerb::Edit:
    case ScriptVerb::DeleteRow:
    case ScriptVerb::Card: {
        std::vector<long> rows;
        if (std::string problem = storedRows(rows); !problem.empty()) return refused(problem);
        if (step.verb == ScriptVerb::DeleteRow) return DeleteRowAction{step.form, step.control, rows.front()};
        const Grid& grid = session.FindWindow(step.form)->GridCtl(step.control);
        if (!grid.FindColumn(step.column))
            return refused(step.form + "." + step.control + ": no column '" + step.column + "'");
        if (step.verb == ScriptVerb::Card) return OpenCardAction{step.form, step.control, rows.front(), step.column};
        return EditCellAction{step.form, step.control, rows.front(), step.column, Value(step.text)};
    }
    case ScriptVerb::AddRow: return AddRowAction{step.form, step.control};
    case ScriptVerb::Expect: {
        Form* form = session.FindWindow(step.form);
        if (form == nullptr) return refused("no open window '" + step.form + "'");
        if (!form->Has(step.control)) return refused(step.form + ": no control '" + step.control + "'");
        const std::string shown = form->Ctl(step.control).DisplayText();
        if (shown != step.text)
            return refused(step.form + "." + step.control + " shows '" + shown + "', expected '" + step.text + "'");
        return RunOnHostAction{};
    }
    case ScriptVerb::Select: {
        std::vector<long> rows;
        if (std::string problem = storedRows(rows); !problem.empty()) return refused(problem);
        return SelectRowsAction{step.form, step.control, rows};
    }
    case ScriptVerb::Menu: return ChooseMenuAction{step.form, step.control, step.text};
    case ScriptVerb::Close: return CloseWindowAction{step.form};
    case ScriptVerb::Accept: {
        Form* form = session.FindWindow(step.form);
        if (form == nullptr) return refused("no open window '" + step.form + "'");
        if (Control* button = form->DefaultButton()) return ClickAction{step.form, button->Name()};
        return RunOnHostAction{[form] { form->Hide(); }};
    }
    case ScriptVerb::Answer: return AnswerMessageAction{step.text};
    case ScriptVerb::CancelProgress: return CancelProgressAction{};
    }
    return refused("a step of unknown kind");
}

} // namespace Talvex::Ui
