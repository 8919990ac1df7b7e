// The web server over loopback: files, the API's answers and refusals, a tab's WebSocket
// from sign-in to close, and what it refuses to other sites and what it keeps from tabs.

#include "RunningServer.hpp"
#include "host/types/Errors.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Talvex::Testing {
namespace {

using namespace std::chrono_literals;

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
    EXPECT_FALSE(config.contains("sessions")) << "other users' tabs are none of the caller's business";
    EXPECT_EQ(running.Get("/api/nothing").result(), http::status::not_found);
    auto foreign = running.Get("/api/export?s=0123&w=frmWebLong&g=lstLong&format=csv");
    EXPECT_EQ(foreign.result(), http::status::forbidden) << "no session, no rows";
    Web::ServerOptions unreadable;
    unreadable.listen = "not-an-address";
    unreadable.port = 0;
    EXPECT_THROW(Web::WebServer{unreadable}, ValueError);
}

TEST(WebServer, TabSignsInWorksAndEndsItsSessionWhenClosed)
{
    RunningServer running;
    TestUser anna("web.anna", "tab password");
    const std::string cookie = running.SignIn(anna.Name(), "tab password");
    ASSERT_FALSE(cookie.empty());
    Socket tab(running.server->Port(), "/ws?user=admin", "", cookie);
    json welcome = tab.ReadUntil("welcome");
    EXPECT_EQ(welcome["user"], anna.Name()) << "the signed-in user, whatever the address asks for";
    const std::string session = welcome["session"];
    EXPECT_EQ(session.size(), 32u);
    EXPECT_EQ(running.server->SessionCount(), 1u);

    tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
    for (;;) {
        json state = tab.ReadUntil("state");
        if (!state["windows"].empty()) break;
    }
    auto csv = running.Get("/api/export?s=" + session + "&w=frmWebLong&g=lstLong&format=csv", cookie);
    EXPECT_EQ(csv.result(), http::status::ok);
    EXPECT_EQ(csv[http::field::content_disposition], "attachment; filename=\"frmWebLong.lstLong.csv\"");
    EXPECT_EQ(std::count(csv.body().begin(), csv.body().end(), '\n'), 20002);
    auto print = running.Get("/api/print?s=" + session + "&w=frmWebLong&g=lstLong", cookie);
    EXPECT_EQ(print.result(), http::status::ok);
    EXPECT_NE(print.body().find("<td class=\"num\">24,690.00</td>"), std::string::npos);
    auto badFormat = running.Get("/api/export?s=" + session + "&w=frmWebLong&g=lstLong&format=pdf", cookie);
    EXPECT_EQ(badFormat.result(), http::status::bad_request);
    // The id is read whole: what a reader stopping at the first non-digit takes for document 1.
    for (const std::string idc : {"abc", "1)%20OR%201=1", "1abc", "", "1%20"}) {
        auto badDocument = running.Get("/api/document?s=" + session + "&idc=" + idc, cookie);
        EXPECT_EQ(badDocument.result(), http::status::bad_request) << idc;
        EXPECT_NE(badDocument.body().find("is not a whole number"), std::string::npos) << badDocument.body();
        EXPECT_NE(badDocument.body().find("idc: '"), std::string::npos) << badDocument.body();
    }

    tab.Close();
    EXPECT_TRUE(WaitUntil([&] { return running.server->SessionCount() == 0; })) << "the closed tab's session lives on";
    EXPECT_EQ(running.Get("/api/export?s=" + session + "&w=frmWebLong&g=lstLong&format=csv", cookie).result(),
              http::status::forbidden);
}

TEST(WebServer, AFileAReportWritesIsDownloadedByItsTabAndNotWrittenOnTheServer)
{
    RunningServer running;
    TestUser user("web.files", "file password");
    const std::string cookie = running.SignIn(user.Name(), "file password");
    ASSERT_FALSE(cookie.empty());
    Socket tab(running.server->Port(), "/ws", "", cookie);
    const std::string session = tab.ReadUntil("welcome")["session"];
    tab.Send({{"t", "run"}, {"cls", "TWebExport"}});
    const json file = tab.ReadUntil("file");
    EXPECT_EQ(file["name"], "FR0471 \"2026\".ffdata") << "the file's own name, without the folder";
    const std::string index = std::to_string(file["file"].get<long long>());
    auto got = running.Get("/api/file?s=" + session + "&file=" + index, cookie);
    EXPECT_EQ(got.result(), http::status::ok);
    EXPECT_EQ(got.body(), "<FFData Version=\"1\"/>");
    const std::string disposition(got[http::field::content_disposition]);
    EXPECT_EQ(disposition.rfind("attachment; filename=\"FR0471", 0), 0u) << disposition;
    EXPECT_EQ(disposition.find('/'), std::string::npos) << disposition;
    // The name whole for the browser, its quotes and blank escaped.
    EXPECT_NE(disposition.find("; filename*=UTF-8''FR0471%20%222026%22.ffdata"), std::string::npos) << disposition;
    EXPECT_FALSE(std::filesystem::exists("/home/nobody/exports")) << "the server writes nothing where a tab names";
    EXPECT_EQ(running.Get("/api/file?s=" + session + "&file=7", cookie).result(), http::status::not_found);
    EXPECT_EQ(running.Get("/api/file?s=" + session + "&file=1x", cookie).result(), http::status::bad_request);
    EXPECT_EQ(running.Get("/api/file?s=0123&file=" + index, cookie).result(), http::status::forbidden);
}

// Every way out of the web root an attacker tries is refused, and nothing of what lies
// outside comes back; the files of the front end, a link between them included, are served
// whole.
TEST(WebServer, ServesOnlyRegularFilesUnderItsRoot)
{
    namespace fs = std::filesystem;
    const std::string outsideName = "talvex-web-outside-" + std::to_string(::getpid());
    const fs::path outside = fs::temp_directory_path() / outsideName;
    fs::create_directories(outside);
    const std::string secret = "kept outside the web root";
    std::ofstream(outside / "secret.txt") << secret;

    RunningServer running("anna", [](Web::ServerOptions& options) { options.maxFileBytes = 64 * 1024; });
    const fs::path& root = running.Root();
    fs::create_directories(root / "assets");
    std::string app;
    for (int i = 0; app.size() < 60 * 1024; ++i)
        app += "const line" + std::to_string(i) + " = " + std::to_string(i * 7) + ";\n";
    std::ofstream(root / "assets" / "app.js", std::ios::binary) << app;
    std::ofstream(root / "big.bin", std::ios::binary) << std::string(64 * 1024 + 1, 'x');
    fs::create_directory_symlink(outside, root / "linked");
    fs::create_directory_symlink("/etc", root / "etc");
    fs::create_symlink("/dev/zero", root / "zero");
    fs::create_symlink(root / "assets" / "app.js", root / "alias.js");
    ASSERT_EQ(::mkfifo((root / "pipe").c_str(), 0600), 0);

    EXPECT_EQ(running.RawGet("/").body, "<!doctype html><title>Talvex</title>");
    const auto served = running.RawGet("/assets/app.js");
    EXPECT_EQ(served.status, 200);
    EXPECT_EQ(served.body, app) << "a file larger than one read arrives whole";
    EXPECT_EQ(running.RawGet("/alias.js").body, app) << "a link that stays in the root is followed";
    EXPECT_EQ(running.Get("/assets/app.js")[http::field::content_type], "text/javascript; charset=utf-8");
    {
        // HEAD: the file's length and nothing after the header.
        asio::io_context ioc;
        tcp::socket socket(ioc);
        socket.connect({asio::ip::make_address("127.0.0.1"), running.server->Port()});
        asio::write(socket, asio::buffer(std::string(
                                "HEAD /assets/app.js HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n")));
        beast::flat_buffer buffer;
        http::response_parser<http::empty_body> parser;
        parser.skip(true);
        http::read_header(socket, buffer, parser);
        EXPECT_EQ(parser.get().result(), http::status::ok);
        EXPECT_EQ(parser.get()[http::field::content_length], std::to_string(app.size()));
        beast::error_code ec;
        std::array<char, 16> rest{};
        std::size_t more = buffer.size();
        while (!ec)
            more += socket.read_some(asio::buffer(rest), ec);
        EXPECT_EQ(more, 0u) << "a HEAD answer carries no body";
    }

    const std::string up = "/../" + outsideName + "/secret.txt";
    const std::vector<std::pair<std::string, int>> refusals = {
        {"//etc/passwd", 400},
        {"///etc/passwd", 400},
        {"/" + (outside / "secret.txt").string(), 400},
        {"/%2Fetc/passwd", 400},
        {"/%2fetc%2fpasswd", 400},
        {up, 400},
        {"/assets/../.." + up.substr(3), 400},
        {"/%2e%2e/" + outsideName + "/secret.txt", 400},
        {"/..%2f" + outsideName + "%2fsecret.txt", 400},
        {"/..%5c" + outsideName + "%5csecret.txt", 400},
        {"/..%5C..%5Cetc%5Cpasswd", 400},
        {"/index.html%00.png", 400},
        {"/./index.html", 400},
        {"/assets/", 400},
        {"/%zz", 400},
        {"/%2", 400},
        {"/%252e%252e/" + outsideName + "/secret.txt", 404}, // decoded once: a folder named %2e%2e
        {"/linked/secret.txt", 404},
        {"/etc/passwd", 404},
        {"/zero", 404},
        {"/pipe", 404},
        {"/assets", 404},
        {"/missing.js", 404},
        {"/big.bin", 413},
    };
    for (const auto& [target, status] : refusals) {
        const auto answer = running.RawGet(target);
        EXPECT_EQ(answer.status, status) << target;
        EXPECT_EQ(answer.body.find(secret), std::string::npos) << target;
        EXPECT_EQ(answer.body.find("root:"), std::string::npos) << target;
    }
    // A backslash the client does not encode: refused by the server, whether by the request
    // parser (closing) or by the path check.
    const auto backslash = running.RawGet("/..\\" + outsideName + "\\secret.txt");
    EXPECT_TRUE(backslash.status == 400 || backslash.status == 0) << backslash.status;
    EXPECT_EQ(backslash.body.find(secret), std::string::npos);
    EXPECT_EQ(running.RawGet("/").status, 200) << "the server still answers after the refusals";
    fs::remove_all(outside);
}

std::string UpgradeRequest(unsigned short port, const std::string& host, const std::string& origin)
{
    std::string request = "GET /ws?user=anna HTTP/1.1\r\nHost: " + host + ":" + std::to_string(port) +
                          "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                          "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";
    if (!origin.empty()) request += "Origin: " + origin + "\r\n";
    return request + "\r\n";
}

std::string PostRequest(unsigned short port, const std::string& origin)
{
    std::string request = "POST /api/config HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\nContent-Length: 2\r\nConnection: close\r\n";
    if (!origin.empty()) request += "Origin: " + origin + "\r\n";
    return request + "\r\n{}";
}

// A page of another site may open a WebSocket or post to us from the user's browser; only
// the server's own pages (and clients that are no web page at all) may.
TEST(WebServer, RefusesTabsAndChangesFromOtherSites)
{
    RunningServer running("anna");
    const unsigned short port = running.server->Port();
    const std::string own = "http://127.0.0.1:" + std::to_string(port);
    for (const std::string& foreign :
         {std::string("http://evil.example"), "http://evil.example:" + std::to_string(port), std::string("null"),
          std::string("http://127.0.0.1:1"), "https://127.0.0.1.evil.example:" + std::to_string(port),
          "http://localhost:" + std::to_string(port), own + "@evil.example"}) {
        auto upgrade = running.Exchange(UpgradeRequest(port, "127.0.0.1", foreign));
        EXPECT_EQ(upgrade.status, 403) << foreign;
        EXPECT_EQ(running.Exchange(PostRequest(port, foreign)).status, 403) << foreign;
        EXPECT_THROW(Socket(port, "/ws", foreign), boost::system::system_error) << foreign;
    }
    EXPECT_EQ(running.server->SessionCount(), 0u) << "a refused tab gets no session";
    // Past the Origin check, the method itself is refused as before.
    EXPECT_EQ(running.Exchange(PostRequest(port, own)).status, 405);
    EXPECT_EQ(running.Exchange(PostRequest(port, "")).status, 405);
    EXPECT_EQ(running.Exchange(UpgradeRequest(port, "localhost", "http://LOCALHOST:" + std::to_string(port))).status,
              101)
        << "the host the browser used, in any case";

    Socket tab(port, "/ws?user=anna", own);
    EXPECT_EQ(tab.ReadUntil("welcome")["user"], "anna");
    Socket script(port, "/ws?user=anna");
    EXPECT_EQ(script.ReadUntil("welcome")["user"], "anna");
}

// The connection string names the server and carries the password: the tab learns only
// that the database is out of reach, the server's log learns where, without the password.
TEST(WebServer, TabLearnsOnlyThatTheDatabaseCannotBeReached)
{
    RunningServer running("anna", [](Web::ServerOptions& options) {
        options.connectString = "host=127.0.0.1 port=1 dbname=talvex user=anna password=secret connect_timeout=5";
    });
    testing::internal::CaptureStderr();
    std::string seen;
    json error;
    {
        Socket tab(running.server->Port(), "/ws");
        for (int i = 0; i < 200 && error.is_null(); ++i) {
            json message = tab.Read();
            seen += message.dump();
            if (message["t"] == "error") error = message;
        }
    }
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_FALSE(error.is_null()) << seen;
    EXPECT_EQ(error["message"], "The company's database cannot be reached");
    EXPECT_EQ(seen.find("secret"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("host="), std::string::npos) << seen;
    EXPECT_NE(log.find("host=127.0.0.1 port=1 dbname=talvex user=anna password=*** connect_timeout=5"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("secret"), std::string::npos) << log;
}

} // namespace
} // namespace Talvex::Testing
