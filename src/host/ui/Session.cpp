#include "host/ui/Session.hpp"

#include "host/types/Errors.hpp"
#include "host/types/Overloaded.hpp"
#include "host/ui/Driver.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/UiError.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace Talvex::Ui {

namespace {

// The session whose host thread this is: set by Start's thread and by Session::Scope.
thread_local Session* tCurrentSession = nullptr;

std::string Place(const std::string& window, const std::string& control)
{
    return (window.empty() ? std::string("(top window)") : window) + (control.empty() ? "" : "." + control);
}

std::string DescribeAction(const UserAction& action)
{
    return std::visit(Overloaded{
                          [](const SetValueAction& a) { return Place(a.window, a.control) + " value"; },
                          [](const ClickAction& a) { return Place(a.window, a.control) + " click"; },
                          [](const DblClickRowAction& a) { return Place(a.window, a.grid) + " double-click"; },
                          [](const SetCurrentCellAction& a) { return Place(a.window, a.grid) + " cell"; },
                          [](const SelectRowsAction& a) { return Place(a.window, a.grid) + " selection"; },
                          [](const EditCellAction& a) { return Place(a.window, a.grid) + " edit " + a.column; },
                          [](const AddRowAction& a) { return Place(a.window, a.grid) + " add row"; },
                          [](const DeleteRowAction& a) { return Place(a.window, a.grid) + " delete row"; },
                          [](const OpenCardAction& a) { return Place(a.window, a.grid) + " card " + a.column; },
                          [](const ChooseMenuAction& a) { return Place(a.window, a.control) + " menu " + a.key; },
                          [](const CloseWindowAction& a) { return Place(a.window, "") + " close"; },
                          [](const AnswerMessageAction& a) { return "message answer " + a.answer; },
                          [](const CancelProgressAction&) { return std::string("progress cancel"); },
                          [](const RunOnHostAction&) { return std::string("host work"); },
                      },
                      action);
}

} // namespace

Session::Scope::Scope(Session& session) : previous_(tCurrentSession)
{
    tCurrentSession = &session;
}

Session::Scope::~Scope()
{
    tCurrentSession = previous_;
}

Session::Session() : hostThread_(std::this_thread::get_id()) {}

Session::~Session()
{
    Stop();
    // Forms the window manager still holds go now; their destructors find no window left.
    std::vector<Window> windows = std::move(windows_);
    windows_.clear();
    windows.clear();
    closedWindows_.clear();
}

Session& Session::Current()
{
    if (tCurrentSession == nullptr)
        throw UiError("No host session on this thread: run the work with Session::Start or open a Session::Scope");
    return *tCurrentSession;
}

Session* Session::TryCurrent()
{
    return tCurrentSession;
}

void Session::Post(UserAction action)
{
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(action));
    }
    queueChanged_.notify_all();
}

bool Session::WaitForAction(std::chrono::milliseconds patience)
{
    std::unique_lock lock(queueMutex_);
    queueChanged_.wait_for(lock, patience, [this] { return !queue_.empty() || stopping_; });
    return !queue_.empty();
}

std::optional<UserAction> Session::TryTake()
{
    std::lock_guard lock(queueMutex_);
    if (queue_.empty()) return std::nullopt;
    UserAction action = std::move(queue_.front());
    queue_.pop_front();
    return action;
}

void Session::Start(std::function<void()> work)
{
    if (hostThreadRunner_.joinable()) throw UiError("Session: the host thread is already running");
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = false;
    }
    hostThreadRunner_ = std::thread([this, work = std::move(work)] {
        hostThread_ = std::this_thread::get_id();
        Scope scope(*this);
        try {
            if (work) work();
        } catch (const std::exception& error) {
            ReportError("Session", error.what());
        }
        for (;;) {
            std::optional<UserAction> action;
            {
                std::unique_lock lock(queueMutex_);
                queueChanged_.wait(lock, [this] { return !queue_.empty() || stopping_; });
                if (queue_.empty()) break;
                action = std::move(queue_.front());
                queue_.pop_front();
            }
            try {
                DispatchGuarded(*action);
            } catch (const std::exception& error) {
                ReportError("Session", error.what());
            }
        }
    });
}

void Session::Stop()
{
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    queueChanged_.notify_all();
    std::lock_guard stopLock(stopMutex_);
    if (hostThreadRunner_.joinable() && hostThreadRunner_.get_id() != std::this_thread::get_id()) {
        hostThreadRunner_.join();
        hostThread_ = std::this_thread::get_id();
    }
}

void Session::RequireHostThread(std::string_view what) const
{
    if (!OnHostThread()) throw UiError(std::string(what) + " runs on the session's host thread only");
}

void Session::RunModal(Form& form, const std::function<void()>& onShown)
{
    RequireHostThread("RunModal");
    form.Attach(*this);
    windows_.push_back(Window{&form, true, "", nullptr});
    Notify({WindowChange::Kind::WindowOpened, form.Name(), "", "modal"});
    if (onShown) onShown();
    while (form.IsVisible()) {
        std::optional<UserAction> action = TryTake();
        if (!action) {
            if (driver_ == nullptr || !driver_->OnIdle(*this, form))
                throw NoAnswerError(form.Describe() + " waits for an answer and nobody can give one");
            if (!form.IsVisible()) break;
            action = TryTake();
            if (!action) throw NoAnswerError(form.Describe() + " waits for an answer and its front end gave none");
        }
        DispatchGuarded(*action);
    }
}

void Session::ShowModeless(Form& form, std::string key, std::shared_ptr<Form> keepAlive)
{
    RequireHostThread("ShowModeless");
    form.Attach(*this);
    // A form not shown yet is shown through itself (Load, visible), which comes back here
    // to add its window; the key and the keeping are then set on that window.
    if (!form.IsVisible()) form.Show(false);
    for (auto& window : windows_) {
        if (window.form == &form) {
            if (!key.empty()) window.key = std::move(key);
            if (keepAlive) window.keepAlive = std::move(keepAlive);
            return;
        }
    }
    windows_.push_back(Window{&form, false, std::move(key), std::move(keepAlive)});
    Notify({WindowChange::Kind::WindowOpened, form.Name(), "", "modeless"});
}

void Session::RemoveWindow(Form& form)
{
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.form == &form; });
    if (it == windows_.end()) return;
    // The form may be running the handler that closed it: keep it alive until no handler runs.
    if (it->keepAlive) closedWindows_.push_back(std::move(it->keepAlive));
    const std::string name = form.Name();
    windows_.erase(it);
    Notify({WindowChange::Kind::WindowClosed, name, "", ""});
}

void Session::ReleaseClosedWindows()
{
    std::vector<std::shared_ptr<Form>> released = std::move(closedWindows_);
    closedWindows_.clear();
}

int Session::PumpPending()
{
    RequireHostThread("PumpPending");
    int count = 0;
    while (std::optional<UserAction> action = TryTake()) {
        DispatchGuarded(*action);
        ++count;
    }
    return count;
}

void Session::DispatchGuarded(UserAction& action)
{
    struct Depth {
        Session& session;
        explicit Depth(Session& s) : session(s) { ++session.dispatchDepth_; }
        ~Depth()
        {
            if (--session.dispatchDepth_ == 0) session.ReleaseClosedWindows();
        }
    } depth(*this);
    const std::string what = DescribeAction(action);
    try {
        Dispatch(std::move(action));
    } catch (const NoAnswerError&) {
        throw;
    } catch (const std::exception& error) {
        // A refused action (a disabled button, a letter in a number box) is shown and
        // the loop goes on, as the host's message box does.
        ReportError(what, error.what());
    }
}

void Session::Dispatch(UserAction action)
{
    RequireHostThread("Dispatch");
    std::visit(
        Overloaded{
            [&](SetValueAction& a) { ResolveWindow(a.window, true).UserInput(a.control, a.value); },
            [&](ClickAction& a) { ResolveWindow(a.window, true).UserClick(a.control); },
            [&](DblClickRowAction& a) { ResolveWindow(a.window, true).UserDblClickRow(a.grid, a.row, a.column); },
            [&](SetCurrentCellAction& a) { ResolveWindow(a.window, true).UserSetCurrentCell(a.grid, a.row, a.column); },
            [&](SelectRowsAction& a) { ResolveWindow(a.window, true).UserSelectRows(a.grid, a.rows); },
            [&](EditCellAction& a) { ResolveWindow(a.window, true).UserEditCell(a.grid, a.row, a.column, a.value); },
            [&](AddRowAction& a) { ResolveWindow(a.window, true).UserAddRow(a.grid); },
            [&](DeleteRowAction& a) { ResolveWindow(a.window, true).UserDeleteRow(a.grid, a.row); },
            [&](OpenCardAction& a) { ResolveWindow(a.window, true).UserOpenCard(a.grid, a.row, a.column); },
            [&](ChooseMenuAction& a) { ResolveWindow(a.window, true).UserChooseMenu(a.control, a.key); },
            [&](CloseWindowAction& a) { ResolveWindow(a.window, true).Unload(); },
            [&](AnswerMessageAction& a) {
                Form& box = ResolveWindow(std::string(MessageBox::kFormName), true);
                box.UserClick(MessageBox::ButtonFor(box, a.answer));
            },
            [&](CancelProgressAction&) {
                // Seen by the progress runner between steps; with no run going
                // there is nothing to cancel.
            },
            [&](RunOnHostAction& a) {
                if (a.work) a.work();
            },
        },
        action);
}

Form& Session::ResolveWindow(const std::string& name, bool mustBeOnTop) const
{
    if (windows_.empty()) throw UiError("No window is open");
    std::size_t index = windows_.size();
    if (name.empty()) {
        index = windows_.size() - 1;
    } else {
        for (std::size_t i = windows_.size(); i-- > 0;) {
            if (windows_[i].form->Name() == name) {
                index = i;
                break;
            }
        }
        if (index == windows_.size()) throw UiError("No open window '" + name + "'");
    }
    if (mustBeOnTop) {
        for (std::size_t j = index + 1; j < windows_.size(); ++j) {
            if (windows_[j].modal)
                throw UiError(windows_[index].form->Name() + " is behind the modal window " + windows_[j].form->Name());
        }
    }
    return *windows_[index].form;
}

Form* Session::FindWindow(std::string_view name) const
{
    for (std::size_t i = windows_.size(); i-- > 0;) {
        if (windows_[i].form->Name() == name) return windows_[i].form;
    }
    return nullptr;
}

Form* Session::FindWindowByKey(std::string_view key) const
{
    for (const auto& window : windows_) {
        if (!key.empty() && window.key == key) return window.form;
    }
    return nullptr;
}

Form* Session::TopWindow() const
{
    return windows_.empty() ? nullptr : windows_.back().form;
}

Form* Session::TopModal() const
{
    for (std::size_t i = windows_.size(); i-- > 0;) {
        if (windows_[i].modal) return windows_[i].form;
    }
    return nullptr;
}

void Session::ShowStatus(std::string text)
{
    status_ = std::move(text);
    if (!status_.empty()) statusHistory_.push_back(status_);
    Notify({WindowChange::Kind::StatusChanged, "", "", status_});
}

void Session::PushWait(std::string text)
{
    waitHistory_.push_back(text);
    waits_.push_back(std::move(text));
    Notify({WindowChange::Kind::WaitChanged, "", "", waits_.back()});
}

void Session::PopWait()
{
    if (waits_.empty()) return;
    waits_.pop_back();
    Notify({WindowChange::Kind::WaitChanged, "", "", WaitText()});
}

void Session::BeginProgress(std::string caption, long count)
{
    progress_ = ProgressState{std::move(caption), 0, count};
    Notify({WindowChange::Kind::ProgressStarted, "", "", progress_->caption});
}

void Session::AdvanceProgress(long step)
{
    if (!progress_) return;
    progress_->step = step;
    Notify({WindowChange::Kind::ProgressStep, "", "", progress_->Text()});
}

void Session::EndProgress(ProgressRecord record)
{
    progress_.reset();
    std::string detail = record.caption + ": " + std::to_string(record.stepsDone) + " of " +
                         std::to_string(record.countStep) + (record.cancelled ? ", cancelled" : "") +
                         (record.stopped ? ", stopped" : "") + (record.failed ? ", failed" : "");
    progressRuns_.push_back(std::move(record));
    Notify({WindowChange::Kind::ProgressEnded, "", "", detail});
}

bool Session::HasCancelRequest() const
{
    std::lock_guard lock(queueMutex_);
    return std::any_of(queue_.begin(), queue_.end(),
                       [](const UserAction& a) { return std::holds_alternative<CancelProgressAction>(a); });
}

bool Session::TakeCancelRequest()
{
    std::lock_guard lock(queueMutex_);
    auto it = std::find_if(queue_.begin(), queue_.end(),
                           [](const UserAction& a) { return std::holds_alternative<CancelProgressAction>(a); });
    if (it == queue_.end()) return false;
    queue_.erase(it);
    return true;
}

void Session::SetCardOpener(CardOpener opener)
{
    cardOpener_ = std::move(opener);
}

void Session::OpenCard(const std::string& reference, const Value& code)
{
    if (reference.empty()) throw ValueError("OpenCard: no reference");
    if (code.IsEmpty() || code.IsNull() || code.ToText().empty())
        throw ValueError("OpenCard: " + reference + ": no code to open a card for");
    if (!cardOpener_) throw UiError("OpenCard: this session opens no cards (no database is open)");
    cardOpener_(reference, code);
}

void Session::SaveUserFile(const std::string& path, const std::string& contents)
{
    if (path.empty()) throw ValueError("file name: empty");
    if (fileSaver_) {
        fileSaver_(path, contents);
        return;
    }
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path temporary = target;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !(out << contents) || !out.flush()) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw ValueError("'" + path + "': the file cannot be written");
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw ValueError("'" + path + "': the file cannot be written (" + error.message() + ")");
    }
}

void Session::RecordReport(PrintRecord print)
{
    const std::string detail = print.reportCode + ": " + print.title;
    prints_.push_back(std::move(print));
    Notify({WindowChange::Kind::ReportPrinted, "", "", detail});
}

void Session::ReportError(std::string source, std::string message)
{
    errors_.push_back(ErrorRecord{source, message});
    Notify({WindowChange::Kind::ErrorShown, "", std::move(source), std::move(message)});
}

std::size_t Session::AddMessage(MessageRecord message)
{
    messages_.push_back(std::move(message));
    Notify({WindowChange::Kind::MessageShown, "", "", messages_.back().text});
    return messages_.size() - 1;
}

void Session::AnswerMessage(std::size_t index, std::string answer)
{
    if (index >= messages_.size()) return;
    messages_[index].answer = std::move(answer);
    Notify({WindowChange::Kind::MessageAnswered, "", "", messages_[index].answer});
}

void Session::RecordDocument(DocumentRecord document)
{
    const std::string detail = document.docType + " " + std::to_string(document.idc);
    documents_.push_back(std::move(document));
    Notify({WindowChange::Kind::DocumentOpened, "", "", detail});
}

int Session::Subscribe(std::function<void(const WindowChange&)> observer)
{
    const int id = nextObserverId_++;
    observers_[id] = std::move(observer);
    return id;
}

void Session::Unsubscribe(int id)
{
    observers_.erase(id);
}

void Session::Notify(const WindowChange& change)
{
    // A copy: an observer may unsubscribe while it is told.
    auto observers = observers_;
    for (auto& [id, observer] : observers)
        observer(change);
}

} // namespace Talvex::Ui
