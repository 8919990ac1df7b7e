#pragma once

#include "web/SessionGate.hpp"
#include "web/SignIns.hpp"
#include "web/WebSession.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Talvex::Web {

struct ServerOptions {
    std::string listen = "127.0.0.1"; // loopback unless asked otherwise
    unsigned short port = 8080;       // 0: any free port (Port() tells which)
    std::string staticDir;            // the built front end; empty: DefaultStaticDir()
    std::string connectString;        // the company every tab opens
    // A single-user install: every request is this user's, no password asked; allowed on a
    // loopback address only. Empty: each browser signs in with a user's name and password.
    std::string defaultUser;
    std::vector<ExtraClass> extraClasses;
    bool handleSignals = false; // SIGINT and SIGTERM stop the server
    // The number of open tabs in /api/config, for the browser tests' server only: a real
    // server keeps how busy it is to itself.
    bool revealSessionCount = false;
    // A file of the front end larger than this is refused (413): the built front end is a
    // few hundred kilobytes, and anything far larger in its folder was not meant for browsers.
    std::uintmax_t maxFileBytes = 16 * 1024 * 1024;
    // Names a browser may use for the server (its Host header) besides the listen address
    // and "localhost": a page of another site that points its own name at our address
    // (DNS rebinding) is refused so.
    std::vector<std::string> allowedHosts;
    // A TLS proxy in front terminates HTTPS: required to listen beyond loopback; cookies
    // then go out Secure, and the throttle of failed sign-ins counts the address the proxy
    // names last in X-Forwarded-For.
    bool behindProxy = false;
    std::chrono::seconds idleLimit{30 * 60}; // a sign-in unused this long ends
    std::size_t maxSignIns = 1000;           // the table of sign-ins never holds more
    std::size_t throttledAddresses = 1024;   // addresses whose failed sign-ins are counted
    Clock clock;                             // empty: the steady clock; tests set their own
    SessionLimits limits;
    // What the server keeps for a tab that does not read its answers: past either bound the
    // tab is disconnected and its session ended. A tab that reads keeps a few messages.
    std::size_t maxOutboxBytes = 4 * 1024 * 1024;
    std::size_t maxOutboxMessages = 1000;
    // Messages of one tab waiting for its host thread; more are refused.
    std::size_t maxQueuedMessages = 64;
    // Exports and prints have threads of their own, so that a slow one never holds up a
    // document view; more waiting than this are refused (503).
    unsigned exportThreads = 2;
    std::size_t maxQueuedExports = 8;
};

// The web host: serves the front end over HTTP, gives each browser tab (a WebSocket on
// /ws) its own WebSession, and answers the tabs' document views (/api/document) on two
// worker threads and their downloads (/api/export, /api/print) on threads of their own, so
// that a busy host thread never holds up the I/O thread nor a slow export a document view.
// Browsers sign in with a password (POST /api/signin) and are known after by a session
// cookie; everything but the sign-in page answers only to a signed-in browser, and a tab's
// downloads only to the browser that opened the tab. It serves regular files under its web
// root only, and refuses a WebSocket or a state-changing request that another site's page
// sends (its Origin), and any request for a host name that is not its own.
class WebServer {
public:
    explicit WebServer(ServerOptions options); // binds; throws when the address is taken
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    unsigned short Port() const;
    // Serves until Stop (or a signal, when asked to handle them).
    void Run();
    // Thread-safe; tells every tab, ends its session (cancelling what it runs) and makes
    // Run return.
    void Stop();
    // Tabs whose sessions still live (a closed tab's session ends shortly after).
    std::size_t SessionCount() const;
    // Database connections the tabs' Books hold now, and the most they may.
    std::size_t ConnectionCount() const;
    std::size_t ConnectionLimit() const;

    struct Impl; // the connections of the server reach it

private:
    std::unique_ptr<Impl> impl_;
};

// The built front end next to the program: $TALVEX_WEB_ROOT, else web/dist beside the
// build folder that holds the talvex command.
std::string DefaultStaticDir();

} // namespace Talvex::Web
