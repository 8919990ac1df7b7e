// The web server over loopback: files, the API's answers and refusals, a tab's WebSocket
// from sign-in to close.

#include "web/WebServer.hpp"
#include "WebTestClasses.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace Talvex::Testing {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using json = nlohmann::json;
using namespace std::chrono_literals;

// A server on a free loopback port, serving a folder of its own, run on a thread.
class RunningServer {
public:
    explicit RunningServer(const std::string& defaultUser = "")
    {
        root_ = std::filesystem::temp_directory_path() / ("talvex-web-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root_);
        std::ofstream(root_ / "index.html") << "<!doctype html><title>Talvex</title>";
        Web::ServerOptions options;
        options.port = 0;
        options.staticDir = root_.string();
        options.connectString = DemoDatabaseConnectString();
        options.defaultUser = defaultUser;
        options.extraClasses = WebTestClasses();
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

    http::response<http::string_body> Get(const std::string& target)
    {
        asio::io_context ioc;
        tcp::socket socket(ioc);
        socket.connect({asio::ip::make_address("127.0.0.1"), server->Port()});
        http::request<http::string_body> req{http::verb::get, target, 11};
        req.set(http::field::host, "127.0.0.1");
        http::write(socket, req);
        beast::flat_buffer buffer;
        http::response<http::string_body> res;
        http::read(socket, buffer, res);
        return res;
    }

    std::unique_ptr<Web::WebServer> server;

private:
    std::filesystem::path root_;
    std::thread thread_;
};

class Socket {
public:
    Socket(unsigned short port, const std::string& target) : ws_(ioc_)
    {
        tcp::resolver resolver(ioc_);
        asio::connect(ws_.next_layer(), resolver.resolve("127.0.0.1", std::to_string(port)));
        ws_.handshake("127.0.0.1", target);
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

bool WaitUntil(const std::function<bool()>& holds)
{
    for (int i = 0; i < 200; ++i) {
        if (holds()) return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

TEST(WebServer, ServesFilesAndRefusesPathsOutsideItsFolder)
{
    RunningServer running("ona");
    auto index = running.Get("/");
    EXPECT_EQ(index.result(), http::status::ok);
    EXPECT_EQ(index.body(), "<!doctype html><title>Talvex</title>");
    EXPECT_EQ(index[http::field::content_type], "text/html; charset=utf-8");
    EXPECT_EQ(running.Get("/../../etc/passwd").result(), http::status::bad_request);
    EXPECT_EQ(running.Get("/%2e%2e/etc/passwd").result(), http::status::bad_request);
    EXPECT_EQ(running.Get("/missing.js").result(), http::status::not_found);
    auto config = json::parse(running.Get("/api/config").body());
    EXPECT_EQ(config["defaultUser"], "ona");
    EXPECT_EQ(config["sessions"], 0);
    EXPECT_EQ(running.Get("/api/nothing").result(), http::status::not_found);
    auto foreign = running.Get("/api/export?s=0123&w=frmWebLong&g=lstLong&format=csv");
    EXPECT_EQ(foreign.result(), http::status::forbidden) << "no session, no rows";
    EXPECT_THROW(Web::WebServer({"not-an-address", 0, "", "", "", {}, false}), ValueError);
}

TEST(WebServer, TabSignsInWorksAndEndsItsSessionWhenClosed)
{
    RunningServer running;
    {
        Socket refused(running.server->Port(), "/ws?user=a%20b");
        json answer = refused.Read();
        EXPECT_EQ(answer["t"], "signin");
        EXPECT_NE(answer["message"].get<std::string>().find("User name"), std::string::npos);
    }
    Socket tab(running.server->Port(), "/ws?user=anna");
    json welcome = tab.ReadUntil("welcome");
    EXPECT_EQ(welcome["user"], "anna");
    const std::string session = welcome["session"];
    EXPECT_EQ(session.size(), 32u);
    EXPECT_EQ(running.server->SessionCount(), 1u);

    tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
    for (;;) {
        json state = tab.ReadUntil("state");
        if (!state["windows"].empty()) break;
    }
    auto csv = running.Get("/api/export?s=" + session + "&w=frmWebLong&g=lstLong&format=csv");
    EXPECT_EQ(csv.result(), http::status::ok);
    EXPECT_EQ(csv[http::field::content_disposition], "attachment; filename=\"frmWebLong.lstLong.csv\"");
    EXPECT_EQ(std::count(csv.body().begin(), csv.body().end(), '\n'), 20002);
    auto print = running.Get("/api/print?s=" + session + "&w=frmWebLong&g=lstLong");
    EXPECT_EQ(print.result(), http::status::ok);
    EXPECT_NE(print.body().find("<td class=\"num\">24,690.00</td>"), std::string::npos);
    auto badFormat = running.Get("/api/export?s=" + session + "&w=frmWebLong&g=lstLong&format=pdf");
    EXPECT_EQ(badFormat.result(), http::status::bad_request);
    // The id is read whole: what a reader stopping at the first non-digit takes for document 1.
    for (const std::string idc : {"abc", "1)%20OR%201=1", "1abc", "", "1%20"}) {
        auto badDocument = running.Get("/api/document?s=" + session + "&idc=" + idc);
        EXPECT_EQ(badDocument.result(), http::status::bad_request) << idc;
        EXPECT_NE(badDocument.body().find("is not a whole number"), std::string::npos) << badDocument.body();
        EXPECT_NE(badDocument.body().find("idc: '"), std::string::npos) << badDocument.body();
    }

    tab.Close();
    EXPECT_TRUE(WaitUntil([&] { return running.server->SessionCount() == 0; })) << "the closed tab's session lives on";
    EXPECT_EQ(running.Get("/api/export?s=" + session + "&w=frmWebLong&g=lstLong&format=csv").result(),
              http::status::forbidden);
}

} // namespace
} // namespace Talvex::Testing
