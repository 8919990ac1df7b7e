#include "web/WebServer.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/UserAccounts.hpp"
#include "host/types/Errors.hpp"
#include "host/types/WholeNumber.hpp"
#include "web/GridExport.hpp"
#include "web/SignInThrottle.hpp"
#include "web/StaticFiles.hpp"

#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <variant>

namespace Talvex::Web {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using json = nlohmann::json;

namespace {

constexpr auto kHostAnswerTimeout = std::chrono::seconds(120);
// The connection limit when the database server cannot be asked for its own.
constexpr std::size_t kFallbackConnections = 10;
// How long the tabs have to receive the server's goodbye before it stops.
constexpr auto kGoodbyeGrace = std::chrono::milliseconds(300);
// The largest message a tab sends, with room for the WebSocket framing; the session
// refuses anything near it on its own terms.
constexpr std::size_t kMaxReadBytes = 2 * 1024 * 1024;

std::string UrlDecode(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Target {
    std::string path;
    std::map<std::string, std::string> query;
    std::string Get(const std::string& name) const
    {
        auto it = query.find(name);
        return it == query.end() ? std::string() : it->second;
    }
};

Target ParseTarget(std::string_view target)
{
    Target t;
    const auto q = target.find('?');
    t.path = UrlDecode(target.substr(0, q));
    if (q == std::string_view::npos) return t;
    std::string_view rest = target.substr(q + 1);
    while (!rest.empty()) {
        const auto amp = rest.find('&');
        std::string_view pair = rest.substr(0, amp);
        const auto eq = pair.find('=');
        if (eq != std::string_view::npos)
            t.query[UrlDecode(pair.substr(0, eq))] = UrlDecode(pair.substr(eq + 1));
        else if (!pair.empty())
            t.query[UrlDecode(pair)] = "";
        if (amp == std::string_view::npos) break;
        rest.remove_prefix(amp + 1);
    }
    return t;
}

std::string MimeType(const std::string& path)
{
    const std::string ext = std::filesystem::path(path).extension().string();
    if (ext == ".html") return "text/html; charset=utf-8";
    if (ext == ".js") return "text/javascript; charset=utf-8";
    if (ext == ".css") return "text/css; charset=utf-8";
    if (ext == ".json" || ext == ".map") return "application/json";
    if (ext == ".png") return "image/png";
    if (ext == ".svg") return "image/svg+xml";
    if (ext == ".ico") return "image/x-icon";
    return "application/octet-stream";
}

// A tab's id addresses its downloads: 128 bits from the system's random source, so that
// no one guesses another tab's.
std::string NewSessionId()
{
    return RandomToken(16);
}

constexpr const char* kSessionCookie = "talvex_session";
// Said of every refused sign-in alike: which of the two was wrong would tell a guesser
// which user names exist.
constexpr const char* kSignInRefused = "The user name or the password is wrong";
// What all tabs of a single-user server are filed under.
constexpr const char* kSingleUserKey = "single-user";

// A file name for a download: letters, digits, '.', '-' and '_' only.
std::string SafeFileName(const std::string& name)
{
    std::string out;
    for (char c : name)
        out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') ? c : '_';
    return out.empty() ? std::string("grid") : out;
}

// The header that makes a browser save a body under a name: plain ASCII as it stands, any
// other name twice, made safe for old browsers and whole in RFC 5987's encoding (UTF-8,
// percent-escaped), which browsers prefer. Quotes, separators and line breaks cannot break out.
std::string AttachmentDisposition(const std::string& name)
{
    const std::string safe = SafeFileName(name);
    std::string disposition = "attachment; filename=\"" + safe + "\"";
    if (safe == name) return disposition;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : name) {
        if (std::isalnum(c) || std::string_view("!#$&+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return disposition + "; filename*=UTF-8''" + encoded;
}

using Response = http::response<http::string_body>;

Response MakeResponse(http::status status, std::string body, const std::string& type, unsigned version, bool keepAlive)
{
    Response res{status, version};
    res.set(http::field::server, "Talvex");
    res.set(http::field::content_type, type);
    res.set(http::field::cache_control, "no-store");
    res.keep_alive(keepAlive);
    res.body() = std::move(body);
    res.prepare_payload();
    return res;
}

Response ErrorResponse(http::status status, const std::string& message, unsigned version, bool keepAlive)
{
    return MakeResponse(status, json({{"error", message}}).dump(), "application/json", version, keepAlive);
}

using FileResponse = http::response<http::file_body>;

struct Authority {
    std::string host; // lower case; an IPv6 address keeps its brackets
    unsigned port = 0;
};

// "host", "host:port" or "[v6]:port", as Host and Origin carry them.
std::optional<Authority> ParseAuthority(std::string_view text, unsigned defaultPort)
{
    Authority out;
    std::string_view portText;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        out.host = std::string(text.substr(0, close + 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            portText = rest.substr(1);
        }
    } else {
        const auto colon = text.find(':');
        out.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) portText = text.substr(colon + 1);
    }
    if (out.host.empty()) return std::nullopt;
    for (char& c : out.host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    out.port = defaultPort;
    if (!portText.empty()) {
        if (portText.size() > 5) return std::nullopt;
        unsigned port = 0;
        for (char c : portText) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
            port = port * 10 + static_cast<unsigned>(c - '0');
        }
        out.port = port;
    }
    return out;
}

// A request without Origin comes from no web page (a script, curl); one with it must come
// from a page this server served. A browser sends any site's page's WebSocket and form
// posts to us with the user's network access, so without this check every page the user
// visits could drive a tab's reports.
bool FromOwnOrigin(const http::request<http::string_body>& req, const std::string& listen, unsigned short port)
{
    const auto field = req.find(http::field::origin);
    if (field == req.end()) return true;
    const std::string_view origin(field->value().data(), field->value().size());
    unsigned defaultPort = 0;
    std::string_view rest;
    if (origin.rfind("http://", 0) == 0) {
        defaultPort = 80;
        rest = origin.substr(7);
    } else if (origin.rfind("https://", 0) == 0) {
        defaultPort = 443;
        rest = origin.substr(8);
    } else {
        return false; // "null" (a sandboxed page, a file), or a scheme we never serve
    }
    const auto claimed = ParseAuthority(rest, defaultPort);
    if (!claimed) return false;
    const auto sameAs = [&](const std::optional<Authority>& own) {
        return own && own->host == claimed->host && own->port == claimed->port;
    };
    const std::string_view host(req[http::field::host].data(), req[http::field::host].size());
    if (!host.empty() && sameAs(ParseAuthority(host, defaultPort))) return true;
    const std::string listenHost = listen.find(':') != std::string::npos ? "[" + listen + "]" : listen;
    return sameAs(ParseAuthority(listenHost + ":" + std::to_string(port), defaultPort));
}

bool ChangesState(http::verb method)
{
    return method != http::verb::get && method != http::verb::head;
}

// The value of our session cookie among those the request carries (in one Cookie header or
// several); empty when there is none.
std::string SessionCookie(const http::request<http::string_body>& req)
{
    const std::string prefix = std::string(kSessionCookie) + "=";
    const auto [first, last] = req.equal_range(http::field::cookie);
    for (auto field = first; field != last; ++field) {
        std::string_view rest(field->value().data(), field->value().size());
        while (!rest.empty()) {
            const auto semicolon = rest.find(';');
            std::string_view pair = rest.substr(0, semicolon);
            while (!pair.empty() && pair.front() == ' ')
                pair.remove_prefix(1);
            if (pair.rfind(prefix, 0) == 0) return std::string(pair.substr(prefix.size()));
            if (semicolon == std::string_view::npos) break;
            rest.remove_prefix(semicolon + 1);
        }
    }
    return {};
}

std::string CookieAttributes(bool secure)
{
    return std::string("; HttpOnly; SameSite=Strict; Path=/") + (secure ? "; Secure" : "");
}

// The files a browser needs before it is signed in: the sign-in page and what it loads.
bool BeforeSignIn(std::string_view path)
{
    return path == "/signin" || path == "/signin.html" || path == "/signin.js" || path == "/signin.js.map" ||
           path == "/app.css";
}

// The host names a request may carry in Host: the listen address, localhost and those given.
std::vector<std::string> HostNames(const ServerOptions& options)
{
    std::vector<std::string> names = {"localhost"};
    names.push_back(options.listen.find(':') != std::string::npos ? "[" + options.listen + "]" : options.listen);
    for (std::string name : options.allowedHosts) {
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace

struct WebServer::Impl {
    ServerOptions options;
    // Destroyed in this order by ~WebServer: the acceptor, then the I/O context with every
    // connection its handlers still hold, whose sessions then end on reaper threads.
    std::unique_ptr<asio::io_context> ioc = std::make_unique<asio::io_context>(1);
    std::unique_ptr<tcp::acceptor> acceptor = std::make_unique<tcp::acceptor>(*ioc);
    asio::thread_pool workers{2};
    std::unique_ptr<asio::thread_pool> exportWorkers;
    std::atomic<std::size_t> queuedExports{0};
    std::shared_ptr<SessionGate> gate;
    std::filesystem::path webRoot; // canonical
    unsigned short acceptorPort = 0;
    std::unique_ptr<asio::signal_set> signals;

    std::vector<std::string> hostNames;
    std::unique_ptr<SignIns> signIns;
    std::unique_ptr<SignInThrottle> throttle;

    // A tab's session and the sign-in (its key) of the browser that opened it.
    struct Tab {
        std::weak_ptr<WebSession> session;
        std::string owner;
    };
    mutable std::mutex sessionsMutex;
    std::map<std::string, Tab> sessions;
    std::atomic<std::size_t> liveSessions{0};
    std::vector<std::thread> reapers;
    // The tabs' connections, told when the server stops (I/O thread only).
    std::map<void*, std::function<void()>> openTabs;
    std::unique_ptr<asio::steady_timer> goodbyeTimer;

    // Another sign-in's tab is as unknown as a tab that never was.
    std::shared_ptr<WebSession> FindSession(const std::string& id, const std::string& owner)
    {
        std::lock_guard lock(sessionsMutex);
        auto it = sessions.find(id);
        return it == sessions.end() || it->second.owner != owner ? nullptr : it->second.session.lock();
    }

    bool SingleUser() const { return !options.defaultUser.empty(); }

    // Who sends the request: the single user, or the user of the sign-in its cookie names.
    struct Caller {
        std::string user;
        std::string key; // what the caller's tabs are filed under
    };
    std::optional<Caller> Identify(const http::request<http::string_body>& req)
    {
        if (SingleUser()) return Caller{options.defaultUser, kSingleUserKey};
        const std::string token = SessionCookie(req);
        auto user = signIns->Use(token);
        if (!user) return std::nullopt;
        return Caller{*user, SignIns::KeyOf(token)};
    }

    // Whether a tab's sign-in still holds; a message of the tab counts as a use of it.
    bool StillSignedIn(const std::string& key) { return SingleUser() || signIns->Live(key); }

    bool HostAllowed(const http::request<http::string_body>& req) const
    {
        const auto field = req.find(http::field::host);
        if (field == req.end()) return false;
        const auto host = ParseAuthority(std::string_view(field->value().data(), field->value().size()), 0);
        return host && std::find(hostNames.begin(), hostNames.end(), host->host) != hostNames.end();
    }

    // The tabs of a browser that signed out end with its sign-in.
    void EndTabsOf(const std::string& key)
    {
        std::vector<std::shared_ptr<WebSession>> owned;
        {
            std::lock_guard lock(sessionsMutex);
            for (auto& [id, tab] : sessions) {
                if (tab.owner != key) continue;
                if (auto session = tab.session.lock()) owned.push_back(std::move(session));
            }
        }
        if (owned.empty()) return;
        asio::post(workers, [owned = std::move(owned)] {
            for (const auto& session : owned)
                session->Stop();
        });
    }

    // A closed tab's session ends on a thread of its own: its host thread may be in the
    // middle of a long read, and the I/O thread must not wait for it.
    void EndSession(std::shared_ptr<WebSession> session)
    {
        if (!session) return;
        // What it runs is cancelled now; the reaper waits only for the host thread to unwind.
        session->RequestStop();
        std::lock_guard lock(sessionsMutex);
        sessions.erase(session->Id());
        reapers.emplace_back([this, session = std::move(session)]() mutable {
            session->Stop();
            session.reset();
            --liveSessions;
        });
    }

    void Accept();
    Response Handle(const http::request<http::string_body>& req, const Caller& caller);
    Response HandleSignIn(const http::request<http::string_body>& req, const std::string& address);
    Response HandleSignOut(const http::request<http::string_body>& req);
    std::variant<Response, FileResponse> HandleStatic(const http::request<http::string_body>& req,
                                                      std::string_view path);
    Response HandleApi(const Target& target, const Caller& caller, unsigned version, bool keepAlive);
    void StopNow();
};

namespace {

class WsConnection : public std::enable_shared_from_this<WsConnection> {
public:
    // The user is the caller's, whatever the request asks for: a single-user server's, or
    // the signed-in browser's.
    WsConnection(tcp::socket socket, WebServer::Impl* server, std::string owner)
        : ws_(std::move(socket)), server_(server), owner_(std::move(owner))
    {
    }

    void Accept(http::request<http::string_body> req, std::string user)
    {
        ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws_.async_accept(req, [self = shared_from_this(), user](beast::error_code ec) {
            if (ec) return;
            self->Open(user);
        });
    }

    ~WsConnection()
    {
        server_->openTabs.erase(this);
        server_->EndSession(std::move(session_));
    }

private:
    void Open(const std::string& user)
    {
        std::weak_ptr<WsConnection> weak = weak_from_this();
        auto executor = ws_.get_executor();
        SessionOptions options;
        options.connectString = server_->options.connectString;
        options.userName = user;
        options.extraClasses = server_->options.extraClasses;
        options.maxQueuedMessages = server_->options.maxQueuedMessages;
        options.gate = server_->gate;
        ws_.read_message_max(kMaxReadBytes);
        try {
            options.place = server_->gate->AdmitSession(user);
            session_ =
                std::make_shared<WebSession>(NewSessionId(), std::move(options), [weak, executor](std::string text) {
                    asio::post(executor, [weak, text = std::move(text)]() mutable {
                        if (auto self = weak.lock()) self->Write(std::move(text));
                    });
                });
        } catch (const std::exception& error) {
            // A sign-in the server refuses: say why, then close.
            Write(json({{"t", "signin"}, {"message", error.what()}}).dump());
            closeAfterWrites_ = true;
            return;
        }
        {
            std::lock_guard lock(server_->sessionsMutex);
            server_->sessions[session_->Id()] = {session_, owner_};
        }
        ++server_->liveSessions;
        server_->openTabs[this] = [weak] {
            if (auto self = weak.lock()) self->Goodbye();
        };
        session_->Start();
        Read();
    }

    // The server stops: the tab is told, and its session ends.
    void Goodbye()
    {
        server_->EndSession(std::move(session_));
        Write(json({{"t", "closing"}, {"message", "The server is shutting down"}}).dump());
        closeAfterWrites_ = true;
    }

    // A tab that does not read its answers: what waits for it is dropped, the connection
    // closed and its session ended, before it can take the server's memory.
    void Disconnect()
    {
        // The message being written stays until its write ends (the socket closing ends it).
        while (outbox_.size() > 1)
            outbox_.pop_back();
        outboxBytes_ = 0;
        disconnected_ = true;
        std::cerr << "talvex web: a tab of " << (session_ ? session_->UserName() : std::string("?"))
                  << " read nothing of " << server_->options.maxOutboxMessages << " messages or "
                  << server_->options.maxOutboxBytes << " bytes; disconnected" << std::endl;
        server_->EndSession(std::move(session_));
        beast::error_code ignored;
        beast::get_lowest_layer(ws_).socket().shutdown(tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(ws_).socket().close(ignored);
    }

    void Read()
    {
        ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec) {
                self->server_->EndSession(std::move(self->session_));
                return;
            }
            std::string text = beast::buffers_to_string(self->buffer_.data());
            self->buffer_.consume(self->buffer_.size());
            // A tab whose browser signed out, or sat idle past the limit, is closed.
            if (!self->server_->StillSignedIn(self->owner_)) {
                self->server_->EndSession(std::move(self->session_));
                self->ws_.async_close(websocket::close_code::policy_error, [self](beast::error_code) {});
                return;
            }
            if (self->session_) self->session_->Receive(text);
            self->Read();
        });
    }

    void Write(std::string text)
    {
        if (disconnected_) return;
        outboxBytes_ += text.size();
        outbox_.push_back(std::move(text));
        if (outbox_.size() > server_->options.maxOutboxMessages ||
            (outbox_.size() > 1 && outboxBytes_ > server_->options.maxOutboxBytes)) {
            Disconnect();
            return;
        }
        if (outbox_.size() == 1) WriteNext();
    }

    void WriteNext()
    {
        ws_.text(true);
        ws_.async_write(asio::buffer(outbox_.front()), [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec || self->disconnected_) return;
            self->outboxBytes_ -= self->outbox_.front().size();
            self->outbox_.pop_front();
            if (!self->outbox_.empty()) {
                self->WriteNext();
            } else if (self->closeAfterWrites_) {
                self->ws_.async_close(websocket::close_code::policy_error, [self](beast::error_code) {});
            }
        });
    }

    websocket::stream<beast::tcp_stream> ws_;
    WebServer::Impl* server_;
    std::string owner_;
    std::shared_ptr<WebSession> session_;
    beast::flat_buffer buffer_;
    std::deque<std::string> outbox_;
    std::size_t outboxBytes_ = 0;
    bool closeAfterWrites_ = false;
    bool disconnected_ = false;
};

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(tcp::socket socket, WebServer::Impl* server) : stream_(std::move(socket)), server_(server) {}

    void Read()
    {
        req_ = {};
        stream_.expires_after(std::chrono::seconds(60));
        http::async_read(stream_, buffer_, req_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec) return;
            self->OnRequest();
        });
    }

private:
    void OnRequest()
    {
        const unsigned version = req_.version();
        if (!server_->HostAllowed(req_)) {
            Send(ErrorResponse(http::status::misdirected_request, "Host: not a name this server answers to", version,
                               false));
            return;
        }
        const bool upgrade = websocket::is_upgrade(req_);
        if ((upgrade || ChangesState(req_.method())) &&
            !FromOwnOrigin(req_, server_->options.listen, server_->acceptorPort)) {
            Send(ErrorResponse(http::status::forbidden, "Origin: requests from other sites are refused", version,
                               false));
            return;
        }
        const std::string_view target(req_.target().data(), req_.target().size());
        const std::string_view path = target.substr(0, target.find('?'));
        if (req_.method() == http::verb::post && path == "/api/signin") {
            // Hashing the password takes a while: a worker does it.
            asio::post(server_->workers, [self = shared_from_this(), address = ClientAddress()] {
                Response res = self->server_->HandleSignIn(self->req_, address);
                asio::post(self->stream_.get_executor(),
                           [self, res = std::move(res)]() mutable { self->Send(std::move(res)); });
            });
            return;
        }
        if (req_.method() == http::verb::post && path == "/api/signout") {
            Send(server_->HandleSignOut(req_));
            return;
        }
        std::optional<WebServer::Impl::Caller> caller;
        if (upgrade || !BeforeSignIn(path)) {
            caller = server_->Identify(req_);
            if (!caller) {
                if (!upgrade && (path == "/" || path == "/index.html")) {
                    Response res = MakeResponse(http::status::see_other, "", "text/plain", version, req_.keep_alive());
                    res.set(http::field::location, "/signin");
                    Send(std::move(res));
                } else {
                    Send(ErrorResponse(http::status::unauthorized, "sign in first", version, req_.keep_alive()));
                }
                return;
            }
        }
        if (upgrade) {
            stream_.expires_never();
            std::make_shared<WsConnection>(stream_.release_socket(), server_, caller->key)
                ->Accept(std::move(req_), caller->user);
            return;
        }
        if (path == "/api/export" || path == "/api/print" || path == "/api/file") {
            // Exports have threads of their own, so that a slow one never holds up a document view.
            if (server_->queuedExports.fetch_add(1) >= server_->options.maxQueuedExports) {
                --server_->queuedExports;
                Send(ErrorResponse(http::status::service_unavailable, "Too many exports are waiting; try again soon",
                                   version, req_.keep_alive()));
                return;
            }
            asio::post(*server_->exportWorkers, [self = shared_from_this(), caller = *caller] {
                Response res = self->server_->Handle(self->req_, caller);
                --self->server_->queuedExports;
                asio::post(self->stream_.get_executor(),
                           [self, res = std::move(res)]() mutable { self->Send(std::move(res)); });
            });
            return;
        }
        if (path.rfind("/api/", 0) == 0) {
            // The answer may wait for a busy host thread: a worker waits, not the I/O thread.
            asio::post(server_->workers, [self = shared_from_this(), caller = *caller] {
                Response res = self->server_->Handle(self->req_, caller);
                asio::post(self->stream_.get_executor(),
                           [self, res = std::move(res)]() mutable { self->Send(std::move(res)); });
            });
            return;
        }
        if (ChangesState(req_.method())) {
            Send(ErrorResponse(http::status::method_not_allowed, "only GET is served", version, req_.keep_alive()));
            return;
        }
        if (path == "/signin") {
            // Signed in already (or a single-user server): the application itself.
            if (server_->SingleUser() || server_->Identify(req_)) {
                Response res = MakeResponse(http::status::see_other, "", "text/plain", version, req_.keep_alive());
                res.set(http::field::location, "/");
                Send(std::move(res));
                return;
            }
            std::visit([this](auto&& res) { Send(std::move(res)); }, server_->HandleStatic(req_, "/signin.html"));
            return;
        }
        std::visit([this](auto&& res) { Send(std::move(res)); }, server_->HandleStatic(req_, path));
    }

    // The address failed sign-ins are counted against: the peer, or behind a proxy the
    // address the proxy itself put last in X-Forwarded-For (earlier entries are the
    // client's own word).
    std::string ClientAddress()
    {
        if (server_->options.behindProxy) {
            const auto forwarded = req_.find("X-Forwarded-For");
            if (forwarded != req_.end()) {
                std::string_view list(forwarded->value().data(), forwarded->value().size());
                std::string_view last =
                    list.substr(list.rfind(',') == std::string_view::npos ? 0 : list.rfind(',') + 1);
                while (!last.empty() && last.front() == ' ')
                    last.remove_prefix(1);
                if (!last.empty()) return std::string(last);
            }
        }
        beast::error_code ec;
        const auto peer = stream_.socket().remote_endpoint(ec);
        return ec ? std::string("unknown") : peer.address().to_string();
    }

    // A file goes out in pieces as the socket takes them, never whole in memory.
    template <class Body> void Send(http::response<Body> res)
    {
        auto shared = std::make_shared<http::response<Body>>(std::move(res));
        http::async_write(stream_, *shared, [self = shared_from_this(), shared](beast::error_code ec, std::size_t) {
            if (ec || !shared->keep_alive()) {
                beast::error_code ignored;
                self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
                return;
            }
            self->Read();
        });
    }

    beast::tcp_stream stream_;
    WebServer::Impl* server_;
    beast::flat_buffer buffer_;
    http::request<http::string_body> req_;
};

} // namespace

void WebServer::Impl::Accept()
{
    acceptor->async_accept(asio::make_strand(*ioc), [self = this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (!ec) std::make_shared<HttpConnection>(std::move(socket), self)->Read();
        self->Accept();
    });
}

Response WebServer::Impl::Handle(const http::request<http::string_body>& req, const Caller& caller)
{
    const unsigned version = req.version();
    const bool keepAlive = req.keep_alive();
    if (req.method() != http::verb::get && req.method() != http::verb::head)
        return ErrorResponse(http::status::method_not_allowed, "only GET is served", version, keepAlive);
    const Target target = ParseTarget(std::string_view(req.target().data(), req.target().size()));
    try {
        if (target.path.rfind("/api/", 0) == 0) return HandleApi(target, caller, version, keepAlive);
        return ErrorResponse(http::status::not_found, "no such address: " + target.path, version, keepAlive);
    } catch (const std::exception& error) {
        return ErrorResponse(http::status::bad_request, error.what(), version, keepAlive);
    }
}

Response WebServer::Impl::HandleSignIn(const http::request<http::string_body>& req, const std::string& address)
{
    const unsigned version = req.version();
    const bool keepAlive = req.keep_alive();
    if (SingleUser())
        return ErrorResponse(http::status::bad_request, "sign-in: this server has a single user and no passwords",
                             version, keepAlive);
    if (const auto wait = throttle->WaitFor(address)) {
        Response res = ErrorResponse(http::status::too_many_requests,
                                     "Too many failed sign-ins from this address; try again in " +
                                         std::to_string(wait->count()) + " seconds",
                                     version, keepAlive);
        res.set(http::field::retry_after, std::to_string(wait->count()));
        return res;
    }
    std::string user;
    std::string password;
    try {
        const json body = json::parse(req.body());
        user = body.at("user").get<std::string>();
        password = body.at("password").get<std::string>();
    } catch (const std::exception&) {
        return ErrorResponse(http::status::bad_request, "sign-in: expected {\"user\": ..., \"password\": ...}", version,
                             keepAlive);
    }
    bool known = false;
    try {
        CheckUserName(user);
        Data::Connection db = Data::Connection::Open(options.connectString);
        known = Erp::UserAccounts(db).Verify(user, password);
    } catch (const ValueError&) {
        known = false; // a name no user can have
    } catch (const std::exception& error) {
        std::cerr << "talvex web: sign-in of " << user << ": " << error.what() << std::endl;
        return ErrorResponse(http::status::service_unavailable, "The company's database cannot be reached", version,
                             keepAlive);
    }
    if (!known) {
        throttle->Failed(address);
        return ErrorResponse(http::status::unauthorized, kSignInRefused, version, keepAlive);
    }
    throttle->Succeeded(address);
    const std::string token = signIns->Begin(user);
    Response res =
        MakeResponse(http::status::ok, json({{"user", user}}).dump(), "application/json", version, keepAlive);
    res.set(http::field::set_cookie, std::string(kSessionCookie) + "=" + token + CookieAttributes(options.behindProxy));
    return res;
}

Response WebServer::Impl::HandleSignOut(const http::request<http::string_body>& req)
{
    if (const std::string token = SessionCookie(req); !token.empty() && !SingleUser()) {
        signIns->End(token);
        EndTabsOf(SignIns::KeyOf(token));
    }
    Response res = MakeResponse(http::status::ok, "{}", "application/json", req.version(), req.keep_alive());
    res.set(http::field::set_cookie,
            std::string(kSessionCookie) + "=" + CookieAttributes(options.behindProxy) + "; Max-Age=0");
    return res;
}

Response WebServer::Impl::HandleApi(const Target& target, const Caller& caller, unsigned version, bool keepAlive)
{
    if (target.path == "/api/config") {
        // Only what concerns the caller: how busy the server is stays with the server.
        json config = {{"defaultUser", options.defaultUser}, {"user", caller.user}};
        if (options.revealSessionCount) config["sessions"] = liveSessions.load();
        return MakeResponse(http::status::ok, config.dump(), "application/json", version, keepAlive);
    }
    const bool isExport = target.path == "/api/export" || target.path == "/api/print";
    if (!isExport && target.path != "/api/document" && target.path != "/api/file")
        return ErrorResponse(http::status::not_found, "no such address: " + target.path, version, keepAlive);

    std::shared_ptr<WebSession> session = FindSession(target.Get("s"), caller.key);
    if (!session)
        return ErrorResponse(http::status::forbidden, "s: no such session (sign in again)", version, keepAlive);
    std::future<std::string> answer;
    std::string type = "application/json";
    std::string disposition;
    if (target.path == "/api/file") {
        // A file a report wrote for the user (an export): downloaded under its own name.
        std::int64_t file = 0;
        try {
            file = ParseWholeNumber(target.Get("file"), "file");
        } catch (const ValueError& error) {
            return ErrorResponse(http::status::bad_request, error.what(), version, keepAlive);
        }
        auto name = std::make_shared<std::string>();
        type = "application/octet-stream";
        answer = session->CallOnHost([s = session.get(), file, name] { return s->SavedFile(file, *name); });
        try {
            std::string body = answer.get();
            Response res = MakeResponse(http::status::ok, std::move(body), type, version, keepAlive);
            res.set(http::field::content_disposition, AttachmentDisposition(*name));
            return res;
        } catch (const std::exception& error) {
            return ErrorResponse(http::status::not_found, error.what(), version, keepAlive);
        }
    }
    if (target.path == "/api/print" && !target.Get("report").empty()) {
        // A report printed by its code: the page the session keeps, for this session's tab only.
        type = "text/html; charset=utf-8";
        std::int64_t report = 0;
        try {
            report = ParseWholeNumber(target.Get("report"), "report");
        } catch (const ValueError& error) {
            return ErrorResponse(http::status::bad_request, error.what(), version, keepAlive);
        }
        answer = session->CallOnHost([s = session.get(), report] { return s->PrintedReport(report); });
    } else if (isExport) {
        const std::string window = target.Get("w");
        const std::string grid = target.Get("g");
        const std::string format = target.path == "/api/print" ? "html" : target.Get("format");
        if (format == "csv") {
            type = "text/csv; charset=utf-8";
            disposition = "attachment; filename=\"" + SafeFileName(window + "." + grid) + ".csv\"";
        } else if (format == "xlsx") {
            type = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
            disposition = "attachment; filename=\"" + SafeFileName(window + "." + grid) + ".xlsx\"";
        } else if (format == "html") {
            type = "text/html; charset=utf-8";
        } else {
            return ErrorResponse(http::status::bad_request, "format: must be csv or xlsx", version, keepAlive);
        }
        // The work holds no owning pointer: a session must never keep itself alive.
        answer = session->CallOnHost(
            [s = session.get(), window, grid, format] { return s->ExportGrid(window, grid, format); });
    } else {
        std::int64_t idc = 0;
        try {
            idc = ParseWholeNumber(target.Get("idc"), "idc");
        } catch (const ValueError& error) {
            return ErrorResponse(http::status::bad_request, error.what(), version, keepAlive);
        }
        answer = session->CallOnHost([s = session.get(), idc] { return s->DocumentJson(idc); });
    }
    if (answer.wait_for(kHostAnswerTimeout) != std::future_status::ready)
        return ErrorResponse(http::status::service_unavailable, "the session is busy; try again", version, keepAlive);
    try {
        Response res = MakeResponse(http::status::ok, answer.get(), type, version, keepAlive);
        if (!disposition.empty()) {
            res.set(http::field::content_disposition, disposition);
        }
        return res;
    } catch (const std::exception& error) {
        return ErrorResponse(http::status::bad_request, error.what(), version, keepAlive);
    }
}

std::variant<Response, FileResponse> WebServer::Impl::HandleStatic(const http::request<http::string_body>& req,
                                                                   std::string_view path)
{
    using Outcome = StaticFileLookup::Outcome;
    const unsigned version = req.version();
    const bool keepAlive = req.keep_alive();
    const StaticFileLookup lookup = LookUpStaticFile(webRoot, path, options.maxFileBytes);
    switch (lookup.outcome) {
    case Outcome::Malformed: return ErrorResponse(http::status::bad_request, "path: not allowed", version, keepAlive);
    case Outcome::TooLarge:
        return ErrorResponse(http::status::payload_too_large, "file: larger than the server sends", version, keepAlive);
    case Outcome::NotFound:
        if (path == "/" || path == "/index.html")
            return MakeResponse(http::status::not_found,
                                "<!doctype html><p>The front end is not built: run scripts/build.sh.</p>",
                                "text/html; charset=utf-8", version, keepAlive);
        return ErrorResponse(http::status::not_found, "no such file", version, keepAlive);
    case Outcome::Found: break;
    }
    const std::string type = MimeType(lookup.file.string());
    beast::error_code ec;
    http::file_body::value_type body;
    body.open(lookup.file.c_str(), beast::file_mode::scan, ec);
    // What was opened is checked again: the folder may have changed since the lookup.
    struct stat opened {};
    if (ec || ::fstat(body.file().native_handle(), &opened) != 0 || !S_ISREG(opened.st_mode))
        return ErrorResponse(http::status::not_found, "no such file", version, keepAlive);
    if (static_cast<std::uintmax_t>(opened.st_size) > options.maxFileBytes)
        return ErrorResponse(http::status::payload_too_large, "file: larger than the server sends", version, keepAlive);
    if (req.method() == http::verb::head) {
        Response res = MakeResponse(http::status::ok, "", type, version, keepAlive);
        res.content_length(static_cast<std::uint64_t>(opened.st_size));
        return res;
    }
    FileResponse res{std::piecewise_construct, std::make_tuple(std::move(body)),
                     std::make_tuple(http::status::ok, version)};
    res.set(http::field::server, "Talvex");
    res.set(http::field::content_type, type);
    res.set(http::field::cache_control, "no-store");
    res.keep_alive(keepAlive);
    res.prepare_payload();
    return res;
}

WebServer::WebServer(ServerOptions options) : impl_(std::make_unique<Impl>())
{
    if (options.staticDir.empty()) options.staticDir = DefaultStaticDir();
    if (!options.defaultUser.empty()) CheckUserName(options.defaultUser);
    impl_->options = std::move(options);
    beast::error_code ec;
    const auto address = asio::ip::make_address(impl_->options.listen, ec);
    if (ec) throw ValueError("--listen: '" + impl_->options.listen + "' is not an IP address");
    // Beyond this machine the passwords and cookies cross a network: only signed-in users,
    // and only through TLS.
    if (!address.is_loopback() && impl_->SingleUser())
        throw ValueError("--user: a single-user server listens on this machine only (a loopback --listen such as "
                         "127.0.0.1); leave --user out to have browsers sign in with passwords");
    if (!address.is_loopback() && !impl_->options.behindProxy)
        throw ValueError("--listen: browsers of other machines must reach the server through a TLS proxy; put one in "
                         "front and start with --behind-proxy (see src/web/README.md)");
    impl_->hostNames = HostNames(impl_->options);
    impl_->signIns =
        std::make_unique<SignIns>(impl_->options.idleLimit, impl_->options.maxSignIns, impl_->options.clock);
    impl_->throttle = std::make_unique<SignInThrottle>(impl_->options.throttledAddresses, impl_->options.clock);
    const tcp::endpoint endpoint{address, impl_->options.port};
    impl_->acceptor->open(endpoint.protocol());
    impl_->acceptor->set_option(asio::socket_base::reuse_address(true));
    impl_->acceptor->bind(endpoint, ec);
    if (ec)
        throw ValueError("--port: cannot listen on " + impl_->options.listen + ":" +
                         std::to_string(impl_->options.port) + " (" + ec.message() + ")");
    impl_->acceptor->listen();
    impl_->acceptorPort = impl_->acceptor->local_endpoint().port();
    impl_->webRoot = CanonicalWebRoot(impl_->options.staticDir);
    SessionLimits limits = impl_->options.limits;
    if (limits.maxConnections == 0) {
        try {
            limits.maxConnections =
                std::max<std::size_t>(1, ReadServerConnectionLimit(impl_->options.connectString) / 2);
        } catch (const std::exception& error) {
            std::cerr << "talvex web: the database's connection limit cannot be read (" << error.what()
                      << "); tabs share " << kFallbackConnections << " connections" << std::endl;
            limits.maxConnections = kFallbackConnections;
        }
    }
    // A cube's list read in parts holds sessions of its own while it is read: an eighth of the
    // tabs' share of the connections goes to them (none below eight), the rest to the Books.
    const std::size_t partSessions = limits.maxConnections / 8;
    limits.maxConnections -= partSessions;
    Data::Connection::SetPartSessionLimit(partSessions);
    impl_->gate = std::make_shared<SessionGate>(limits);
    impl_->exportWorkers = std::make_unique<asio::thread_pool>(std::max(1u, impl_->options.exportThreads));
}

WebServer::~WebServer()
{
    // Run has returned (or never ran). Every tab's session ends first, so that a worker
    // waiting for a host thread gets its answer; then what is left of the connections goes
    // with the I/O context, and their sessions' reapers are joined.
    std::vector<std::shared_ptr<WebSession>> open;
    {
        std::lock_guard lock(impl_->sessionsMutex);
        for (auto& [id, tab] : impl_->sessions) {
            if (auto session = tab.session.lock()) open.push_back(session);
        }
    }
    for (auto& session : open)
        session->RequestStop();
    for (auto& session : open)
        session->Stop();
    open.clear();
    impl_->workers.join();
    impl_->exportWorkers->join();
    impl_->signals.reset();
    impl_->goodbyeTimer.reset();
    impl_->acceptor.reset();
    impl_->ioc.reset();
    std::vector<std::thread> reapers;
    {
        std::lock_guard lock(impl_->sessionsMutex);
        reapers = std::move(impl_->reapers);
    }
    for (auto& t : reapers)
        t.join();
}

unsigned short WebServer::Port() const
{
    return impl_->acceptor->local_endpoint().port();
}

void WebServer::Run()
{
    if (impl_->options.handleSignals) {
        impl_->signals = std::make_unique<asio::signal_set>(*impl_->ioc, SIGINT, SIGTERM);
        impl_->signals->async_wait([this](beast::error_code, int) { Stop(); });
    }
    impl_->Accept();
    impl_->ioc->run();
}

void WebServer::Stop()
{
    asio::post(*impl_->ioc, [impl = impl_.get()] { impl->StopNow(); });
}

void WebServer::Impl::StopNow()
{
    if (goodbyeTimer) return;
    beast::error_code ignored;
    acceptor->close(ignored);
    if (signals) signals->cancel();
    // Every session is told to stop first, so that they all unwind at once.
    std::vector<std::shared_ptr<WebSession>> open;
    {
        std::lock_guard lock(sessionsMutex);
        for (auto& [id, tab] : sessions) {
            if (auto session = tab.session.lock()) open.push_back(session);
        }
    }
    for (auto& session : open)
        session->RequestStop();
    const auto tabs = openTabs;
    for (const auto& [tab, goodbye] : tabs)
        goodbye();
    goodbyeTimer = std::make_unique<asio::steady_timer>(*ioc, kGoodbyeGrace);
    goodbyeTimer->async_wait([this](beast::error_code) { ioc->stop(); });
}

std::size_t WebServer::SessionCount() const
{
    return impl_->liveSessions.load();
}

std::size_t WebServer::ConnectionCount() const
{
    return impl_->gate->Connections();
}

std::size_t WebServer::ConnectionLimit() const
{
    return impl_->gate->Limits().maxConnections;
}

std::string DefaultStaticDir()
{
    if (const char* env = std::getenv("TALVEX_WEB_ROOT"); env && *env) return env;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "web/dist";
    // build/talvex -> web/dist at the top of the checkout; build/tests/web/x -> the same.
    for (auto dir = exe.parent_path(); !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
        const auto candidate = dir / "web" / "dist";
        if (std::filesystem::exists(candidate / "index.html")) return candidate.string();
    }
    return (exe.parent_path().parent_path() / "web" / "dist").string();
}

} // namespace Talvex::Web
