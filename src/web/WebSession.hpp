#pragma once

#include "host/types/Date.hpp"

#include <nlohmann/json_fwd.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Talvex {
class Object;
}

namespace Talvex::Web {

class SessionGate;

// A class the menu offers beside the module's catalogue (a single-purpose install adds its
// own forms this way); created fresh for every run.
struct ExtraClass {
    std::string name;
    std::string subsystem;
    std::string role;
    std::function<std::shared_ptr<Object>()> create;
};

struct SessionOptions {
    std::string connectString;
    std::string userName;
    std::vector<ExtraClass> extraClasses;
    // How long a modal window waits for the person before it looks again whether the tab
    // is still there.
    std::chrono::milliseconds patience{std::chrono::seconds(1)};
    // Messages of the tab waiting for the host thread; more are refused, not kept.
    std::size_t maxQueuedMessages = 64;
    // Counts the tab's database connection (none: no limit). The Book is opened when the
    // tab first needs it and closed again whenever the tab has no window open.
    std::shared_ptr<SessionGate> gate;
    // The tab's place among the server's sessions, given back when the session goes.
    std::shared_ptr<void> place;
};

// One browser tab: its own host session and host thread, its own Book opened for the
// signed-in user, and the translation between the tab's messages (JSON text) and the
// window model. The tab posts user actions; the session pushes snapshots of the model
// ("state"), the rows of grids in pages ("rows"), and events ("error", "refused",
// "document", "lookup", "result").
//
// Receive may be called from any thread; Send is called on the host thread.
class WebSession {
public:
    using Sender = std::function<void(std::string)>;

    WebSession(std::string id, SessionOptions options, Sender send);
    ~WebSession(); // stops the host thread and releases the tab's windows and report objects
    WebSession(const WebSession&) = delete;
    WebSession& operator=(const WebSession&) = delete;

    const std::string& Id() const { return id_; }
    const std::string& UserName() const;

    // Starts the host thread: opens the Book and sends "welcome" with the menu.
    void Start();
    // Tells the host thread to end without waiting for it: a statement running now is
    // cancelled on the server, a progress run stops, a modal window waiting for the person
    // gives up, and the report ends as cancelled. Thread-safe, idempotent.
    void RequestStop();
    // RequestStop, then waits for the host thread. Idempotent.
    void Stop();
    // Whether the tab's Book (its database connection) is open now.
    bool HoldsBook() const;
    bool Running() const { return running_.load(); }

    // One message of the tab (JSON text). A message that is not understood, or that is larger
    // or nested deeper than the tab's messages ever are, is answered with an "error" event
    // and changes nothing.
    void Receive(const std::string& text);

    // Work for the host thread from another thread (exports, the document view); the future
    // holds its result or its error.
    std::future<std::string> CallOnHost(std::function<std::string()> work);

    // For the HTTP side, which asks through CallOnHost: a grid as CSV text, XLSX bytes, or a
    // printable HTML page; a document as JSON. Throw UiError/ValueError naming what is wrong.
    std::string ExportGrid(const std::string& window, const std::string& grid, const std::string& format);
    std::string DocumentJson(long long idc);
    // The page of a report the session printed by its code (the index the "printed" event
    // gave); throws ValueError for an index the session never printed.
    std::string PrintedReport(std::int64_t index) const;
    // A file a report wrote for the user (the index the "file" event gave) and its name;
    // throws ValueError for an index the session does not keep.
    std::string SavedFile(std::int64_t index, std::string& name) const;

private:
    // The tab's messages, read and done on the host thread.
    void Handle(const std::string& type, const nlohmann::json& message);
    void SetControlValue(const nlohmann::json& message);
    void SortGrid(const nlohmann::json& message);
    void EditCell(const nlohmann::json& message);
    void SendRowPage(const nlohmann::json& message);
    void SendLookup(const nlohmann::json& message);
    void SendChart(const nlohmann::json& message);
    // dates: parameters the class starts with besides the Book ("DateBeg", ...).
    void RunClass(const std::string& className, const std::vector<std::pair<std::string, Date>>& dates = {});

    struct State;
    std::string id_;
    std::unique_ptr<State> state_;
    std::atomic<bool> running_{false};
};

// The menu: the module's classes grouped by subsystem, then the extra classes, as JSON.
std::string MenuJson(const std::vector<ExtraClass>& extraClasses);

// Checks a user name from the sign-in; throws ValueError naming the field and the problem.
void CheckUserName(const std::string& userName);

} // namespace Talvex::Web
