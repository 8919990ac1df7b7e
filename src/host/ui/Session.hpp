#pragma once

#include "host/types/StopSignal.hpp"
#include "host/ui/SessionRecords.hpp"
#include "host/ui/UserAction.hpp"
#include "host/ui/WindowChange.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace Talvex::Ui {

class Driver;
class Form;

// One user's session of the host: the queue of user actions, the window stack, the status
// line, the progress run and what was shown. The module's code is synchronous and runs on
// the session's host thread: a modal form pumps this queue in a nested loop until it hides
// or unloads. Front ends post actions (from any thread) and observe the window model.
//
// Only Post, WaitForAction, Start and Stop may be called from other threads; everything
// else belongs to the host thread (the thread that made the session, or the one Start made).
class Session {
public:
    struct Window {
        Form* form = nullptr;
        bool modal = false;
        std::string key;                 // the window manager's key of a modeless window
        std::shared_ptr<Form> keepAlive; // the window manager holds its forms
    };

    // Makes a session current on this thread for as long as it lives (code that runs the
    // host synchronously: tests, the CLI).
    class Scope {
    public:
        explicit Scope(Session& session);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Session* previous_;
    };

    Session();
    ~Session(); // stops the host thread, if one was started
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The session whose host thread this is; throws UiError when there is none.
    static Session& Current();
    static Session* TryCurrent();

    void SetDriver(Driver* driver) { driver_ = driver; }
    Driver* GetDriver() const { return driver_; }

    // Thread-safe.
    void Post(UserAction action);
    // Blocks until an action is queued, the patience runs out or the session stops;
    // true when an action waits.
    bool WaitForAction(std::chrono::milliseconds patience);
    // Runs work on a dedicated host thread, which then keeps dispatching posted actions
    // until Stop. An error escaping work is reported in the error list.
    void Start(std::function<void()> work);
    // Ends the host thread (after the actions already queued) and waits for it.
    void Stop();
    bool OnHostThread() const { return std::this_thread::get_id() == hostThread_.load(); }

    // The modal loop: pumps the queue until the form hides or unloads; asks the driver when
    // the queue is empty; throws NoAnswerError when nobody can answer.
    void RunModal(Form& form, const std::function<void()>& onShown = {});
    // Shows a form as a modeless window (showing it first if it is not); a key and a
    // keepAlive make it a window of the window manager, released once the user closes it.
    void ShowModeless(Form& form, std::string key = "", std::shared_ptr<Form> keepAlive = nullptr);
    // Called by a form that hides or unloads.
    void RemoveWindow(Form& form);
    // Dispatches the actions queued now; returns how many.
    int PumpPending();
    // Dispatches one action as if it came from the queue.
    void Dispatch(UserAction action);

    // Open windows, bottom to top.
    const std::vector<Window>& Windows() const { return windows_; }
    Form* FindWindow(std::string_view name) const;
    Form* FindWindowByKey(std::string_view key) const;
    Form* TopWindow() const;
    Form* TopModal() const;

    // The status line; an empty text clears it.
    void ShowStatus(std::string text);
    const std::string& StatusText() const { return status_; }
    const std::vector<std::string>& StatusHistory() const { return statusHistory_; }

    // The wait window (CWaitInfo).
    void PushWait(std::string text);
    void PopWait();
    std::string WaitText() const { return waits_.empty() ? std::string() : waits_.back(); }
    const std::vector<std::string>& WaitHistory() const { return waitHistory_; }

    // The progress window (ProgressRunner).
    void BeginProgress(std::string caption, long count);
    void AdvanceProgress(long step);
    void EndProgress(ProgressRecord record);
    const std::optional<ProgressState>& Progress() const { return progress_; }
    // Takes a queued cancel, leaving every other action queued.
    bool TakeCancelRequest();
    // Whether a cancel is queued, without taking it: for a step that waits on the person.
    bool HasCancelRequest() const;

    // How other threads stop what the host thread does now (a progress run, a statement);
    // the Book's connection watches it too. Thread-safe.
    const std::shared_ptr<StopSignal>& Stopping() const { return stopSignal_; }

    // What was shown.
    void ReportError(std::string source, std::string message);
    std::size_t AddMessage(MessageRecord message);
    void AnswerMessage(std::size_t index, std::string answer);
    void RecordDocument(DocumentRecord document);
    void RecordPrint(PrintRecord print) { prints_.push_back(std::move(print)); }
    const std::vector<MessageRecord>& Messages() const { return messages_; }
    const std::vector<ErrorRecord>& Errors() const { return errors_; }
    const std::vector<ProgressRecord>& ProgressRuns() const { return progressRuns_; }
    const std::vector<DocumentRecord>& DocumentsOpened() const { return documents_; }
    const std::vector<PrintRecord>& Prints() const { return prints_; }

    // Cards of reference rows (a client's card): the opener the host installs once it has a
    // database. OpenCard throws ValueError for an empty code, UiError with no opener.
    using CardOpener = std::function<void(const std::string& reference, const Value& code)>;
    void SetCardOpener(CardOpener opener);
    void OpenCard(const std::string& reference, const Value& code);

    // A report printed by its code (PrintService): recorded and told to observers, who show
    // it (the browser's print view) or keep it.
    void RecordReport(PrintRecord print);

    // A file the user asked a report to write (an export). The front end decides where it
    // goes: the browser downloads it, the command line writes it where the user named it.
    // With no saver installed the file is written to the path on this machine, whole or not
    // at all (a temporary file renamed into place). Throws ValueError naming the path.
    using FileSaver = std::function<void(const std::string& path, const std::string& contents)>;
    void SetFileSaver(FileSaver saver) { fileSaver_ = std::move(saver); }
    void SaveUserFile(const std::string& path, const std::string& contents);

    // Observers are told of every change, on the host thread.
    int Subscribe(std::function<void(const WindowChange&)> observer);
    void Unsubscribe(int id);
    void Notify(const WindowChange& change);

private:
    std::optional<UserAction> TryTake();
    void DispatchGuarded(UserAction& action);
    Form& ResolveWindow(const std::string& name, bool mustBeOnTop) const;
    void RequireHostThread(std::string_view what) const;
    void ReleaseClosedWindows();

    Driver* driver_ = nullptr;
    std::shared_ptr<StopSignal> stopSignal_ = std::make_shared<StopSignal>();

    mutable std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<UserAction> queue_;
    bool stopping_ = false;
    // Tabs are stopped from more than one thread (sign-out, the socket closing, the server
    // going down); the host thread is joined by exactly one of them.
    std::mutex stopMutex_;
    std::thread hostThreadRunner_;
    std::atomic<std::thread::id> hostThread_;

    std::vector<Window> windows_;
    std::vector<std::shared_ptr<Form>> closedWindows_; // released once no handler runs
    int dispatchDepth_ = 0;

    std::string status_;
    std::vector<std::string> statusHistory_;
    std::vector<std::string> waits_;
    std::vector<std::string> waitHistory_;
    std::optional<ProgressState> progress_;
    std::vector<MessageRecord> messages_;
    std::vector<ErrorRecord> errors_;
    std::vector<ProgressRecord> progressRuns_;
    std::vector<DocumentRecord> documents_;
    std::vector<PrintRecord> prints_;

    CardOpener cardOpener_;
    FileSaver fileSaver_;

    std::map<int, std::function<void(const WindowChange&)>> observers_;
    int nextObserverId_ = 1;
};

} // namespace Talvex::Ui
