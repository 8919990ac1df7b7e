#include "web/WebServer.hpp"

#include "host/types/Errors.hpp"
#include "host/types/WholeNumber.hpp"
#include "web/GridExport.hpp"
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
#include <random>
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

std::string NewSessionId()
{
    static std::mutex mutex;
    static std::random_device device;
    static std::mt19937_64 generator(device());
    std::lock_guard lock(mutex);
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(generator()),
                  static_cast<unsigned long long>(generator()));
    return text;
}

// A file name for a download: letters, digits, '.', '-' and '_' only.
std::string SafeFileName(const std::string& name)
{
    std::string out;
    for (char c : name)
        out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') ? c : '_';
    return out.empty() ? std::string("grid") : out;
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

    mutable std::mutex sessionsMutex;
    std::map<std::string, std::weak_ptr<WebSession>> sessions;
    std::atomic<std::size_t> liveSessions{0};
    std::vector<std::thread> reapers;
    // The tabs' connections, told when the server stops (I/O thread only).
    std::map<void*, std::function<void()>> openTabs;
    std::unique_ptr<asio::steady_timer> goodbyeTimer;

    std::shared_ptr<WebSession> FindSession(const std::string& id)
    {
        std::lock_guard lock(sessionsMutex);
        auto it = sessions.find(id);
        return it == sessions.end() ? nullptr : it->second.lock();
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
    Response Handle(const http::request<http::string_body>& req);
    std::variant<Response, FileResponse> HandleStatic(const http::request<http::string_body>& req);
    Response HandleApi(const Target& target, unsigned version, bool keepAlive);
    void StopNow();
};

namespace {

class WsConnection : public std::enable_shared_from_this<WsConnection> {
public:
    WsConnection(tcp::socket socket, WebServer::Impl* server) : ws_(std::move(socket)), server_(server) {}

    void Accept(http::request<http::string_body> req)
    {
        const Target target = ParseTarget(std::string_view(req.target().data(), req.target().size()));
        std::string user = target.Get("user");
        if (user.empty()) user = server_->options.defaultUser;
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
            server_->sessions[session_->Id()] = session_;
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
        const bool upgrade = websocket::is_upgrade(req_);
        if ((upgrade || ChangesState(req_.method())) &&
            !FromOwnOrigin(req_, server_->options.listen, server_->acceptorPort)) {
            Send(ErrorResponse(http::status::forbidden, "Origin: requests from other sites are refused", req_.version(),
                               false));
            return;
        }
        if (upgrade) {
            stream_.expires_never();
            std::make_shared<WsConnection>(stream_.release_socket(), server_)->Accept(std::move(req_));
            return;
        }
        const std::string target(req_.target().data(), req_.target().size());
        if (target.rfind("/api/export", 0) == 0 || target.rfind("/api/print", 0) == 0) {
            if (server_->queuedExports.fetch_add(1) >= server_->options.maxQueuedExports) {
                --server_->queuedExports;
                Send(ErrorResponse(http::status::service_unavailable, "Too many exports are waiting; try again soon",
                                   req_.version(), req_.keep_alive()));
                return;
            }
            asio::post(*server_->exportWorkers, [self = shared_from_this()] {
                Response res = self->server_->Handle(self->req_);
                --self->server_->queuedExports;
                asio::post(self->stream_.get_executor(),
                           [self, res = std::move(res)]() mutable { self->Send(std::move(res)); });
            });
            return;
        }
        if (target.rfind("/api/", 0) == 0) {
            // The answer may wait for a busy host thread: a worker waits, not the I/O thread.
            asio::post(server_->workers, [self = shared_from_this()] {
                Response res = self->server_->Handle(self->req_);
                asio::post(self->stream_.get_executor(),
                           [self, res = std::move(res)]() mutable { self->Send(std::move(res)); });
            });
            return;
        }
        if (ChangesState(req_.method())) {
            Send(server_->Handle(req_));
            return;
        }
        std::visit([this](auto&& res) { Send(std::move(res)); }, server_->HandleStatic(req_));
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

Response WebServer::Impl::Handle(const http::request<http::string_body>& req)
{
    const unsigned version = req.version();
    const bool keepAlive = req.keep_alive();
    if (req.method() != http::verb::get && req.method() != http::verb::head)
        return ErrorResponse(http::status::method_not_allowed, "only GET is served", version, keepAlive);
    const Target target = ParseTarget(std::string_view(req.target().data(), req.target().size()));
    try {
        if (target.path.rfind("/api/", 0) == 0) return HandleApi(target, version, keepAlive);
        return ErrorResponse(http::status::not_found, "no such address: " + target.path, version, keepAlive);
    } catch (const std::exception& error) {
        return ErrorResponse(http::status::bad_request, error.what(), version, keepAlive);
    }
}

Response WebServer::Impl::HandleApi(const Target& target, unsigned version, bool keepAlive)
{
    if (target.path == "/api/config") {
        const json config = {{"defaultUser", options.defaultUser}, {"sessions", liveSessions.load()}};
        return MakeResponse(http::status::ok, config.dump(), "application/json", version, keepAlive);
    }
    const bool isExport = target.path == "/api/export" || target.path == "/api/print";
    if (!isExport && target.path != "/api/document")
        return ErrorResponse(http::status::not_found, "no such address: " + target.path, version, keepAlive);

    std::shared_ptr<WebSession> session = FindSession(target.Get("s"));
    if (!session)
        return ErrorResponse(http::status::forbidden, "s: no such session (sign in again)", version, keepAlive);
    std::future<std::string> answer;
    std::string type = "application/json";
    std::string disposition;
    if (isExport) {
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

std::variant<Response, FileResponse> WebServer::Impl::HandleStatic(const http::request<http::string_body>& req)
{
    using Outcome = StaticFileLookup::Outcome;
    const unsigned version = req.version();
    const bool keepAlive = req.keep_alive();
    const std::string_view target(req.target().data(), req.target().size());
    const std::string_view path = target.substr(0, target.find('?'));
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
        for (auto& [id, weak] : impl_->sessions) {
            if (auto session = weak.lock()) open.push_back(session);
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
        for (auto& [id, weak] : sessions) {
            if (auto session = weak.lock()) open.push_back(session);
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
