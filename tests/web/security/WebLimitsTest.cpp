// What the web server keeps from tabs that misbehave and how fast it lets go: idle tabs hold
// no database connection, a tab that reads nothing is cut off, a cancelled or abandoned
// report stops its statement on the database and writes nothing, SIGTERM stops the server.

#include "RunningServer.hpp"
#include "WebTestClasses.hpp"
#include "host/data/Connection.hpp"
#include "host/types/Errors.hpp"
#include "host/types/StopSignal.hpp"
#include "support/TestDatabase.hpp"
#include "web/SessionGate.hpp"
#include "web/WebServer.hpp"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Talvex::Testing {
namespace {

using namespace std::chrono_literals;

// Generous ceilings for conditions that hold within a second on an idle machine.
constexpr auto kCeiling = 60s;

// Waits until the condition holds, looking again every few milliseconds; false past the ceiling.
bool WaitUntil(const std::function<bool()>& holds, std::chrono::milliseconds ceiling = kCeiling)
{
    const auto deadline = std::chrono::steady_clock::now() + ceiling;
    while (!holds()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

long ResidentBytes(pid_t pid)
{
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// The slow source and the table the report TWebSlowWrite writes to, in the test company.
void MakeSlowSource(Data::Connection& db)
{
    // Made only when missing: replacing the view would wait for any statement still reading it.
    db.ExecutePostgresScript("CREATE TABLE IF NOT EXISTS TestRunMark (UserName varchar(60)); "
                             "DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_views WHERE viewname = 'testslowsource') "
                             "THEN CREATE VIEW TestSlowSource AS SELECT 1 AS Slept FROM pg_sleep(600); END IF; END $$");
}

// Backends of the test company running the slow source now.
long SlowStatementsRunning(Data::Connection& db)
{
    return db
        .QueryPostgres("SELECT COUNT(*) FROM pg_stat_activity WHERE state = 'active' "
                       "AND query ILIKE '%testslowsource%' AND pid <> pg_backend_pid() "
                       "AND datname = current_database()")
        .rows[0][0]
        .ToInteger();
}

long MarksOf(Data::Connection& db, const std::string& user)
{
    return db.QueryPostgres("SELECT COUNT(*) FROM TestRunMark WHERE UserName = $1", {Value(user)})
        .rows[0][0]
        .ToInteger();
}

class InProcessServer {
public:
    explicit InProcessServer(const std::function<void(Web::ServerOptions&)>& adjust = {})
    {
        Web::ServerOptions options;
        options.port = 0;
        options.staticDir = std::filesystem::temp_directory_path().string();
        options.connectString = DemoDatabaseConnectString();
        options.extraClasses = WebTestClasses();
        if (adjust) adjust(options);
        server = std::make_unique<Web::WebServer>(options);
        thread_ = std::thread([this] { server->Run(); });
    }
    ~InProcessServer()
    {
        server->Stop();
        thread_.join();
        server.reset();
    }
    std::unique_ptr<Web::WebServer> server;

private:
    std::thread thread_;
};

// Users of the test company signed in on one server, each by a browser of its own: a name
// becomes a user with a password on first use, and its tabs carry that browser's cookie.
class Browsers {
public:
    explicit Browsers(unsigned short port) : port_(port) {}
    const std::string& CookieOf(const std::string& stem)
    {
        if (auto it = cookies_.find(stem); it != cookies_.end()) return it->second;
        users_[stem] = std::make_unique<TestUser>(stem, kPassword);
        std::string cookie = SignIn(users_[stem]->Name());
        EXPECT_FALSE(cookie.empty()) << stem << " could not sign in";
        return cookies_[stem] = std::move(cookie);
    }
    const std::string& NameOf(const std::string& stem)
    {
        CookieOf(stem);
        return users_[stem]->Name();
    }

private:
    static constexpr const char* kPassword = "limits-test password";

    std::string SignIn(const std::string& user) const
    {
        asio::io_context ioc;
        tcp::socket socket(ioc);
        socket.connect({asio::ip::make_address("127.0.0.1"), port_});
        http::request<http::string_body> req{http::verb::post, "/api/signin", 11};
        req.set(http::field::host, "127.0.0.1:" + std::to_string(port_));
        req.set(http::field::content_type, "application/json");
        req.body() = json({{"user", user}, {"password", kPassword}}).dump();
        req.prepare_payload();
        http::write(socket, req);
        beast::flat_buffer buffer;
        http::response<http::string_body> res;
        http::read(socket, buffer, res);
        if (res.result() != http::status::ok) return {};
        const std::string setCookie(res[http::field::set_cookie]);
        return setCookie.substr(0, setCookie.find(';'));
    }

    unsigned short port_;
    std::map<std::string, std::unique_ptr<TestUser>> users_;
    std::map<std::string, std::string> cookies_;
};

class TabClient {
public:
    // A tab of the browser whose sign-in the cookie carries.
    TabClient(unsigned short port, const std::string& cookie) : ws_(ioc_)
    {
        tcp::resolver resolver(ioc_);
        beast::get_lowest_layer(ws_).connect(resolver.resolve("127.0.0.1", std::to_string(port)));
        ws_.set_option(websocket::stream_base::decorator(
            [cookie](websocket::request_type& req) { req.set(http::field::cookie, cookie); }));
        ws_.handshake("127.0.0.1:" + std::to_string(port), "/ws");
    }
    json Read()
    {
        beast::flat_buffer buffer;
        beast::get_lowest_layer(ws_).expires_after(kCeiling);
        ws_.read(buffer);
        return json::parse(beast::buffers_to_string(buffer.data()));
    }
    json ReadUntil(const std::function<bool(const json&)>& fits)
    {
        for (;;) {
            json message = Read();
            if (fits(message)) return message;
        }
    }
    json ReadUntilType(const std::string& type)
    {
        return ReadUntil([&](const json& m) { return m["t"] == type; });
    }
    void Send(const json& message)
    {
        beast::get_lowest_layer(ws_).expires_after(kCeiling);
        ws_.write(asio::buffer(message.dump()));
    }
    void Drop() { beast::get_lowest_layer(ws_).socket().close(); }

private:
    asio::io_context ioc_;
    websocket::stream<beast::tcp_stream> ws_;
};

bool HasWindow(const json& state, const std::string& name)
{
    for (const auto& window : state["windows"]) {
        if (window["name"] == name) return true;
    }
    return false;
}

TEST(WebLimits, GateRefusesSessionsAndConnectionsBeyondItsLimitsAndTakesThemBack)
{
    Web::SessionLimits limits;
    limits.maxSessions = 3;
    limits.maxSessionsPerUser = 2;
    limits.maxConnections = 1;
    limits.connectionPatience = 0ms;
    Web::SessionGate gate(limits);
    auto a1 = gate.AdmitSession("anna");
    auto a2 = gate.AdmitSession("anna");
    try {
        auto a3 = gate.AdmitSession("anna");
        ADD_FAILURE() << "a third tab of one user was let in";
    } catch (const ValueError& refusal) {
        EXPECT_EQ(std::string(refusal.what()).rfind("Too many sessions for anna", 0), 0U) << refusal.what();
    }
    auto b1 = gate.AdmitSession("ben");
    try {
        auto c1 = gate.AdmitSession("cecilia");
        ADD_FAILURE() << "a tab beyond the server's limit was let in";
    } catch (const ValueError& refusal) {
        EXPECT_EQ(std::string(refusal.what()).rfind("Too many sessions", 0), 0U) << refusal.what();
    }
    a1.reset(); // a tab closed: its user and the server have room again
    auto a3 = gate.AdmitSession("anna");
    EXPECT_EQ(gate.Sessions(), 3U);

    auto connection = gate.TakeConnection({});
    EXPECT_THROW(gate.TakeConnection({}), ValueError);
    auto copy = connection;
    connection.reset();
    EXPECT_THROW(gate.TakeConnection({}), ValueError) << "a place is given back with its last copy only";
    copy.reset();
    auto again = gate.TakeConnection({});
    EXPECT_EQ(gate.Connections(), 1U);
}

TEST(WebLimits, StopSignalCancelsTheRunningStatementOnTheServerAndTheUnitRollsBack)
{
    Data::Connection db = OpenDemoDatabase();
    Data::Connection watcher = OpenDemoDatabase();
    MakeSlowSource(db);
    const std::string user = "stop_signal_" + std::to_string(::getpid());
    auto signal = std::make_shared<StopSignal>();
    db.SetStopSignal(signal);
    std::thread canceller([&] {
        ASSERT_TRUE(WaitUntil([&] { return SlowStatementsRunning(watcher) > 0; }));
        signal->Request();
    });
    {
        Data::Transaction unit(db);
        db.Execute("INSERT INTO TestRunMark (UserName) VALUES (?)", {Value(user)});
        EXPECT_THROW(db.Query("SELECT COUNT(*) FROM TestSlowSource"), CancelledError);
    }
    canceller.join();
    EXPECT_EQ(MarksOf(watcher, user), 0);
    // Still requested: the next statement does not start; after Reset it runs again.
    EXPECT_THROW(db.Query("SELECT 1"), CancelledError);
    signal->Reset();
    EXPECT_EQ(db.Query("SELECT 1 + 1").rows[0][0].ToInteger(), 2);
    signal->RequestForGood();
    signal->Reset();
    EXPECT_THROW(db.Query("SELECT 1"), CancelledError) << "a session that ends stays stopped";
}

TEST(WebLimits, IdleTabsHoldNoConnectionSoANewUserAndTheCommandLineGetIn)
{
    InProcessServer running;
    Web::WebServer& server = *running.server;
    // The database server leaves room for the command line and maintenance.
    Data::Connection db = OpenDemoDatabase();
    const long maxConnections = std::stol(db.QueryPostgres("SHOW max_connections").rows[0][0].ToText());
    EXPECT_LT(static_cast<long>(server.ConnectionLimit()), maxConnections - 5);

    Browsers browsers(server.Port());
    std::vector<std::unique_ptr<TabClient>> idle;
    for (int user = 0; user < 15; ++user) {
        for (int tab = 0; tab < 20; ++tab) {
            idle.push_back(std::make_unique<TabClient>(server.Port(), browsers.CookieOf("idle" + std::to_string(user))));
            EXPECT_FALSE(idle.back()->ReadUntilType("welcome")["menu"].empty());
        }
    }
    // A user's tab beyond the per-user limit is refused, saying why.
    TabClient extra(server.Port(), browsers.CookieOf("idle0"));
    EXPECT_NE(extra.ReadUntilType("signin")["message"].get<std::string>().find("Too many sessions"), std::string::npos);
    ASSERT_TRUE(WaitUntil([&] { return server.SessionCount() == 300; }));
    ASSERT_TRUE(WaitUntil([&] { return server.ConnectionCount() == 0; })) << "idle tabs still hold connections";

    TabClient newcomer(server.Port(), browsers.CookieOf("newcomer"));
    newcomer.ReadUntilType("welcome");
    newcomer.Send({{"t", "run"}, {"cls", "TWebFill"}});
    newcomer.ReadUntil([](const json& m) { return m["t"] == "state" && HasWindow(m, "frmWebParams"); });
    newcomer.Send({{"t", "set"}, {"w", "frmWebParams"}, {"c", "edDateEnd"}, {"v", "2025-03-31"}});
    newcomer.Send({{"t", "click"}, {"w", "frmWebParams"}, {"c", "btOk"}});
    newcomer.ReadUntil([](const json& m) { return m["t"] == "state" && HasWindow(m, "frmWebList"); });
    EXPECT_EQ(server.ConnectionCount(), 1U);

    FILE* cli = ::popen((std::string(TALVEX_BINARY) + " sql --db '" + DemoDatabaseConnectString() +
                         "' 'SELECT COUNT(*) AS n FROM THDocType' 2>&1")
                            .c_str(),
                        "r");
    ASSERT_NE(cli, nullptr);
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, cli))
        output += chunk;
    EXPECT_EQ(::pclose(cli), 0) << output;

    // The list closed, nothing is left to read through the Book: the connection goes back.
    newcomer.Send({{"t", "close"}, {"w", "frmWebList"}});
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectionCount() == 0; }));
}

TEST(WebLimits, TabThatNeverReadsIsDisconnectedBeforeTheServerGrows)
{
    InProcessServer running;
    Web::WebServer& server = *running.server;
    Browsers browsers(server.Port());
    TabClient tab(server.Port(), browsers.CookieOf("silent"));
    tab.ReadUntilType("welcome");
    tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
    tab.ReadUntil([](const json& m) { return m["t"] == "state" && HasWindow(m, "frmWebLong"); });
    const long before = ResidentBytes(::getpid());

    // Asks for pages of 500 rows and reads none of them.
    bool cutOff = false;
    for (int request = 0; request < 20000 && !cutOff; ++request) {
        ASSERT_LT(ResidentBytes(::getpid()) - before, 200L * 1024 * 1024) << "after " << request << " requests";
        try {
            tab.Send({{"t", "rows"}, {"w", "frmWebLong"}, {"g", "lstLong"}, {"from", 0}, {"count", 500}});
        } catch (const std::exception&) {
            cutOff = true; // the server closed the connection
        }
        if (server.SessionCount() == 0) cutOff = true;
    }
    EXPECT_TRUE(cutOff);
    EXPECT_TRUE(WaitUntil([&] { return server.SessionCount() == 0; })) << "the session of the tab lives on";
    EXPECT_LT(ResidentBytes(::getpid()) - before, 200L * 1024 * 1024);
}

TEST(WebLimits, CancelOrClosingTheTabStopsTheReportAndNothingIsWritten)
{
    Data::Connection db = OpenDemoDatabase();
    MakeSlowSource(db);
    InProcessServer running;
    Web::WebServer& server = *running.server;
    Browsers browsers(server.Port());
    const std::string user = browsers.NameOf("canceller");
    {
        TabClient tab(server.Port(), browsers.CookieOf("canceller"));
        tab.ReadUntilType("welcome");
        tab.Send({{"t", "run"}, {"cls", "TWebSlowWrite"}});
        ASSERT_TRUE(WaitUntil([&] { return SlowStatementsRunning(db) > 0; }));
        tab.Send({{"t", "cancel"}});
        const json error = tab.ReadUntilType("error");
        EXPECT_EQ(error["message"], std::string(kCancelledText));
        EXPECT_EQ(SlowStatementsRunning(db), 0);
        EXPECT_EQ(MarksOf(db, user), 0);
        // The tab goes on: the next run starts, and closing the tab in its middle stops it too.
        tab.Send({{"t", "run"}, {"cls", "TWebSlowWrite"}});
        ASSERT_TRUE(WaitUntil([&] { return SlowStatementsRunning(db) > 0; }));
        tab.Drop();
    }
    EXPECT_TRUE(WaitUntil([&] { return server.SessionCount() == 0; }));
    EXPECT_EQ(SlowStatementsRunning(db), 0);
    EXPECT_EQ(MarksOf(db, user), 0);
    EXPECT_EQ(server.ConnectionCount(), 0U);
}

// An HTTP request sent now whose answer is read later (or never).
class PendingRequest {
public:
    PendingRequest(unsigned short port, const std::string& target, const std::string& cookie) : socket_(ioc_)
    {
        socket_.connect({asio::ip::make_address("127.0.0.1"), port});
        asio::write(socket_, asio::buffer("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + cookie +
                                          "\r\n\r\n"));
    }
    int Status()
    {
        beast::flat_buffer buffer;
        http::response<http::string_body> res;
        http::read(socket_, buffer, res);
        return static_cast<int>(res.result_int());
    }

private:
    asio::io_context ioc_;
    tcp::socket socket_;
};

TEST(WebLimits, ExportsWaitingForABusyTabNeverHoldUpDocumentViews)
{
    Data::Connection db = OpenDemoDatabase();
    MakeSlowSource(db);
    const long idc = db.Query("SELECT MIN(IDC) FROM THDocument").rows[0][0].ToInteger();
    InProcessServer running([](Web::ServerOptions& options) {
        options.exportThreads = 2;
        options.maxQueuedExports = 3;
    });
    Web::WebServer& server = *running.server;
    Browsers browsers(server.Port());
    const std::string& busyCookie = browsers.CookieOf("busy");
    TabClient busy(server.Port(), busyCookie);
    const std::string busyId = busy.ReadUntilType("welcome")["session"];
    busy.Send({{"t", "run"}, {"cls", "TWebSlowWrite"}});
    ASSERT_TRUE(WaitUntil([&] { return SlowStatementsRunning(db) > 0; }));

    // Exports of the busy tab wait for its host thread: both export threads, and one more queued.
    std::vector<std::unique_ptr<PendingRequest>> exports;
    for (int i = 0; i < 3; ++i)
        exports.push_back(std::make_unique<PendingRequest>(server.Port(), "/api/export?s=" + busyId +
                                                                              "&w=frmWebList&g=grdDocs&format=csv",
                                                                          busyCookie));
    // One beyond the queue is refused at once instead of waiting.
    PendingRequest refused(server.Port(), "/api/export?s=" + busyId + "&w=frmWebList&g=grdDocs&format=csv",
                           busyCookie);
    EXPECT_EQ(refused.Status(), 503);

    // Another user's document views are answered meanwhile, again and again.
    const std::string& readerCookie = browsers.CookieOf("reader");
    TabClient other(server.Port(), readerCookie);
    const std::string otherId = other.ReadUntilType("welcome")["session"];
    for (int i = 0; i < 4; ++i) {
        PendingRequest view(server.Port(), "/api/document?s=" + otherId + "&idc=" + std::to_string(idc), readerCookie);
        EXPECT_EQ(view.Status(), 200);
    }
    busy.Send({{"t", "cancel"}});
    busy.ReadUntilType("error");
    // The exports then get their answer (the window they name is not open).
    for (auto& pending : exports)
        EXPECT_EQ(pending->Status(), 400);
}

TEST(WebLimits, TerminateSignalDuringALongReportStopsTheServerCleanly)
{
    Data::Connection db = OpenDemoDatabase();
    MakeSlowSource(db);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::setenv("TALVEX_WEB_TEST_DB", DemoDatabaseConnectString().c_str(), 1);
        ::execl(WEB_TEST_SERVER, WEB_TEST_SERVER, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    // However the test ends, the server does not outlive it.
    struct Reap {
        pid_t pid;
        ~Reap()
        {
            if (::waitpid(pid, nullptr, WNOHANG) == 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } reap{child};
    // "Talvex web client: http://127.0.0.1:PORT/"
    FILE* lines = ::fdopen(out[0], "r");
    char line[512];
    unsigned short port = 0;
    while (port == 0 && std::fgets(line, sizeof line, lines)) {
        const std::string text = line;
        const auto at = text.find("http://127.0.0.1:");
        if (at != std::string::npos) port = static_cast<unsigned short>(std::stoi(text.substr(at + 17)));
    }
    ASSERT_NE(port, 0);
    Browsers browsers(port);
    const std::string user = browsers.NameOf("terminated");
    TabClient tab(port, browsers.CookieOf("terminated"));
    tab.ReadUntilType("welcome");
    tab.Send({{"t", "run"}, {"cls", "TWebSlowWrite"}});
    ASSERT_TRUE(WaitUntil([&] { return SlowStatementsRunning(db) > 0; }));

    ASSERT_EQ(::kill(child, SIGTERM), 0);
    int status = 0;
    // The server must be gone within 5 s of the signal: it is what an init system waits.
    const bool exited = WaitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 5s);
    ::fclose(lines);
    ASSERT_TRUE(exited) << "the server did not stop";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The tab was told before the server went.
    EXPECT_EQ(tab.ReadUntil([](const json& m) { return m["t"] == "closing"; })["t"], "closing");
    EXPECT_TRUE(WaitUntil([&] { return SlowStatementsRunning(db) == 0; }));
    EXPECT_EQ(MarksOf(db, user), 0);
}

} // namespace
} // namespace Talvex::Testing
