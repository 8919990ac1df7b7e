#pragma once

// What the web server's tests share: a server on a free loopback port run on a thread, raw
// HTTP exchanges, a tab's WebSocket, users with passwords, and a clock the test moves.

#include "WebTestClasses.hpp"
#include "host/data/Connection.hpp"
#include "host/erp/UserAccounts.hpp"
#include "support/TestDatabase.hpp"
#include "web/WebServer.hpp"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

namespace Talvex::Testing {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using json = nlohmann::json;

// A server on a free loopback port, serving a folder of its own, run on a thread.
class RunningServer {
public:
    explicit RunningServer(const std::string& defaultUser = "",
                           const std::function<void(Web::ServerOptions&)>& adjust = {})
    {
        static std::atomic<int> made{0};
        root_ = std::filesystem::temp_directory_path() /
                ("talvex-web-" + std::to_string(::getpid()) + "-" + std::to_string(made++));
        std::filesystem::create_directories(root_);
        std::ofstream(root_ / "index.html") << "<!doctype html><title>Talvex</title>";
        Web::ServerOptions options;
        options.port = 0;
        options.staticDir = root_.string();
        options.connectString = DemoDatabaseConnectString();
        options.defaultUser = defaultUser;
        options.extraClasses = WebTestClasses();
        if (adjust) adjust(options);
        server = std::make_unique<Web::WebServer>(options);
        thread_ = std::thread([this] { server->Run(); });
    }
    ~RunningServer()
    {
        server->Stop();
        thread_.join();
        server.reset();
        std::filesystem::remove_all(root_);
    }

    http::response<http::string_body> Get(const std::string& target, const std::string& cookie = "")
    {
        asio::io_context ioc;
        tcp::socket socket(ioc);
        socket.connect({asio::ip::make_address("127.0.0.1"), server->Port()});
        http::request<http::string_body> req{http::verb::get, target, 11};
        req.set(http::field::host, "127.0.0.1");
        if (!cookie.empty()) req.set(http::field::cookie, cookie);
        http::write(socket, req);
        beast::flat_buffer buffer;
        http::response<http::string_body> res;
        http::read(socket, buffer, res);
        return res;
    }

    http::response<http::string_body> Post(const std::string& target, const std::string& body,
                                           const std::string& cookie = "")
    {
        asio::io_context ioc;
        tcp::socket socket(ioc);
        socket.connect({asio::ip::make_address("127.0.0.1"), server->Port()});
        http::request<http::string_body> req{http::verb::post, target, 11};
        req.set(http::field::host, "127.0.0.1:" + std::to_string(server->Port()));
        req.set(http::field::content_type, "application/json");
        if (!cookie.empty()) req.set(http::field::cookie, cookie);
        req.body() = body;
        req.prepare_payload();
        http::write(socket, req);
        beast::flat_buffer buffer;
        http::response<http::string_body> res;
        http::read(socket, buffer, res);
        return res;
    }

    // The cookie a sign-in set ("talvex_session=..."), or empty when it was refused.
    std::string SignIn(const std::string& user, const std::string& password)
    {
        auto res = Post("/api/signin", json({{"user", user}, {"password", password}}).dump());
        if (res.result() != http::status::ok) return {};
        const std::string setCookie(res[http::field::set_cookie]);
        return setCookie.substr(0, setCookie.find(';'));
    }

    struct Answer {
        int status = 0; // 0: the server closed without answering
        std::string body;
    };

    // Sends the request exactly as written, so that targets a client library would
    // normalise reach the server as an attacker sends them.
    Answer Exchange(const std::string& request)
    {
        asio::io_context ioc;
        tcp::socket socket(ioc);
        socket.connect({asio::ip::make_address("127.0.0.1"), server->Port()});
        asio::write(socket, asio::buffer(request));
        beast::flat_buffer buffer;
        http::response<http::string_body> res;
        beast::error_code ec;
        http::read(socket, buffer, res, ec);
        if (ec) return {};
        return {static_cast<int>(res.result_int()), res.body()};
    }

    Answer RawGet(const std::string& target)
    {
        return Exchange("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    }

    const std::filesystem::path& Root() const { return root_; }

    std::unique_ptr<Web::WebServer> server;

private:
    std::filesystem::path root_;
    std::thread thread_;
};

class Socket {
public:
    Socket(unsigned short port, const std::string& target, const std::string& origin = "",
           const std::string& cookie = "")
        : ws_(ioc_)
    {
        tcp::resolver resolver(ioc_);
        asio::connect(ws_.next_layer(), resolver.resolve("127.0.0.1", std::to_string(port)));
        ws_.set_option(websocket::stream_base::decorator([origin, cookie](websocket::request_type& req) {
            if (!origin.empty()) req.set(http::field::origin, origin);
            if (!cookie.empty()) req.set(http::field::cookie, cookie);
        }));
        ws_.handshake("127.0.0.1:" + std::to_string(port), target);
    }
    json Read()
    {
        beast::flat_buffer buffer;
        ws_.read(buffer);
        return json::parse(beast::buffers_to_string(buffer.data()));
    }
    json ReadUntil(const std::string& type)
    {
        for (int i = 0; i < 200; ++i) {
            json message = Read();
            if (message["t"] == type) return message;
        }
        ADD_FAILURE() << "no '" << type << "' message";
        return json();
    }
    void Send(const json& message) { ws_.write(asio::buffer(message.dump())); }
    void Close() { ws_.close(websocket::close_code::normal); }

private:
    asio::io_context ioc_;
    websocket::stream<tcp::socket> ws_;
};

// A user with a password in the test company for as long as it lives; the name carries the
// test program's process id, so that programs running at once never share one.
class TestUser {
public:
    TestUser(const std::string& stem, const std::string& password)
        : name_(stem + "." + std::to_string(::getpid())), db_(OpenDemoDatabase())
    {
        Erp::UserAccounts users(db_);
        if (users.Exists(name_)) users.Remove(name_);
        users.Add(name_, password);
    }
    ~TestUser()
    {
        Erp::UserAccounts users(db_);
        if (users.Exists(name_)) users.Remove(name_);
    }
    TestUser(const TestUser&) = delete;
    TestUser& operator=(const TestUser&) = delete;
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    Data::Connection db_;
};

// Time that passes only when the test says so.
class ManualClock {
public:
    Web::Clock Function()
    {
        return [this] { return std::chrono::steady_clock::time_point{} + std::chrono::seconds(seconds_.load()); };
    }
    void Advance(std::chrono::seconds by) { seconds_ += by.count(); }

private:
    std::atomic<long long> seconds_{1'000'000};
};

} // namespace Talvex::Testing
