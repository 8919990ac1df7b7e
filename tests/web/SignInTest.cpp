// Who the web server answers: browsers signed in with a password and known by their cookie,
// or the one user of a single-user server; a tab's downloads for its own browser only;
// sign-ins that end when idle; guessing slowed; host names that are not ours refused.

#include "RunningServer.hpp"
#include "host/types/Errors.hpp"
#include "web/SignInThrottle.hpp"

#include <gtest/gtest.h>

namespace Talvex::Testing {
namespace {

using namespace std::chrono_literals;

// A tab of the browser with this cookie that has run the long test report: its session id.
std::string OpenTabWithGrid(Socket& tab)
{
    const std::string session = tab.ReadUntil("welcome")["session"];
    tab.Send({{"t", "run"}, {"cls", "TWebLong"}});
    for (;;) {
        json state = tab.ReadUntil("state");
        if (!state["windows"].empty()) break;
    }
    return session;
}

TEST(SignIn, WrongPasswordRefusedWithoutSayingWhichRightOneAccepted)
{
    RunningServer running;
    TestUser vida("web.vida", "correct horse");
    auto wrong = running.Post("/api/signin", json({{"user", vida.Name()}, {"password", "wrong horse"}}).dump());
    EXPECT_EQ(wrong.result(), http::status::unauthorized);
    EXPECT_TRUE(wrong[http::field::set_cookie].empty());
    auto stranger = running.Post("/api/signin", json({{"user", "nobody.here"}, {"password", "correct horse"}}).dump());
    EXPECT_EQ(stranger.result(), http::status::unauthorized);
    EXPECT_EQ(stranger.body(), wrong.body()) << "an unknown user and a wrong password read alike";
    EXPECT_EQ(json::parse(wrong.body())["error"], "The user name or the password is wrong");
    auto empty = running.Post("/api/signin", json({{"user", vida.Name()}, {"password", ""}}).dump());
    EXPECT_EQ(empty.result(), http::status::unauthorized);
    EXPECT_EQ(running.Post("/api/signin", "user=x&password=y").result(), http::status::bad_request);

    auto right = running.Post("/api/signin", json({{"user", vida.Name()}, {"password", "correct horse"}}).dump());
    ASSERT_EQ(right.result(), http::status::ok);
    const std::string setCookie(right[http::field::set_cookie]);
    EXPECT_NE(setCookie.find("; HttpOnly"), std::string::npos) << setCookie;
    EXPECT_NE(setCookie.find("; SameSite=Strict"), std::string::npos) << setCookie;
    EXPECT_NE(setCookie.find("; Path=/"), std::string::npos) << setCookie;
    EXPECT_EQ(setCookie.find("Secure"), std::string::npos) << "plain HTTP on loopback: " << setCookie;
    const std::string cookie = setCookie.substr(0, setCookie.find(';'));
    const std::string token = cookie.substr(cookie.find('=') + 1);
    EXPECT_EQ(token.size(), 64u) << "256 bits as hex";
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(running.SignIn(vida.Name(), "correct horse"), cookie) << "each sign-in its own token";

    auto config = running.Get("/api/config", cookie);
    ASSERT_EQ(config.result(), http::status::ok);
    EXPECT_EQ(json::parse(config.body())["user"], vida.Name());
    // A cookie among others, as browsers send them.
    EXPECT_EQ(running.Get("/api/config", "theme=dark; " + cookie + "; lang=lt").result(), http::status::ok);

    auto signOut = running.Post("/api/signout", "", cookie);
    EXPECT_EQ(signOut.result(), http::status::ok);
    EXPECT_NE(std::string(signOut[http::field::set_cookie]).find("Max-Age=0"), std::string::npos);
    EXPECT_EQ(running.Get("/api/config", cookie).result(), http::status::unauthorized) << "signed out";
}

TEST(SignIn, WithoutCookieNoTabNoApiNoApplication)
{
    RunningServer running;
    std::ofstream(running.Root() / "app.js") << "the application";
    std::ofstream(running.Root() / "signin.html") << "<!doctype html><form>sign in</form>";
    std::ofstream(running.Root() / "signin.js") << "the sign-in form";
    const unsigned short port = running.server->Port();
    for (const std::string& cookie : {std::string(), std::string("talvex_session="),
                                      "talvex_session=" + std::string(64, 'a'), std::string("other=1")}) {
        EXPECT_THROW(Socket(port, "/ws", "", cookie), boost::system::system_error) << cookie;
        EXPECT_THROW(Socket(port, "/ws?user=anna", "", cookie), boost::system::system_error) << cookie;
        for (const std::string target :
             {"/api/config", "/api/export?s=0&w=frmWebLong&g=lstLong&format=csv",
              "/api/print?s=0&w=frmWebLong&g=lstLong", "/api/document?s=0&idc=1", "/app.js", "/nothing.js"})
            EXPECT_EQ(running.Get(target, cookie).result(), http::status::unauthorized) << target << " " << cookie;
        auto index = running.Get("/", cookie);
        EXPECT_EQ(index.result(), http::status::see_other) << cookie;
        EXPECT_EQ(index[http::field::location], "/signin");
        EXPECT_EQ(running.Get("/index.html", cookie).result(), http::status::see_other);
    }
    EXPECT_EQ(running.server->SessionCount(), 0u);
    EXPECT_EQ(running.Get("/signin").body(), "<!doctype html><form>sign in</form>");
    EXPECT_EQ(running.Get("/signin.js").body(), "the sign-in form");

    TestUser rasa("web.rasa", "pass of rasa");
    const std::string cookie = running.SignIn(rasa.Name(), "pass of rasa");
    EXPECT_EQ(running.Get("/app.js", cookie).body(), "the application");
    EXPECT_EQ(running.Get("/", cookie).result(), http::status::ok);
    EXPECT_EQ(running.Get("/signin", cookie).result(), http::status::see_other) << "signed in: to the application";
    Socket tab(port, "/ws", "", cookie);
    EXPECT_EQ(tab.ReadUntil("welcome")["user"], rasa.Name());
}

TEST(SignIn, DownloadsOnlyForTheBrowserThatOpenedTheTab)
{
    RunningServer running;
    TestUser owner("web.owner", "owner's password");
    TestUser other("web.other", "other's password");
    const std::string ownerCookie = running.SignIn(owner.Name(), "owner's password");
    const std::string otherCookie = running.SignIn(other.Name(), "other's password");
    // The same user in a second browser is another sign-in too.
    const std::string secondBrowser = running.SignIn(owner.Name(), "owner's password");
    ASSERT_FALSE(ownerCookie.empty());
    ASSERT_FALSE(otherCookie.empty());
    Socket tab(running.server->Port(), "/ws", "", ownerCookie);
    const std::string session = OpenTabWithGrid(tab);
    EXPECT_EQ(session.size(), 32u) << "128 bits as hex";
    const std::string csv = "/api/export?s=" + session + "&w=frmWebLong&g=lstLong&format=csv";
    const std::string print = "/api/print?s=" + session + "&w=frmWebLong&g=lstLong";
    const std::string document = "/api/document?s=" + session + "&idc=1";
    EXPECT_EQ(running.Get(csv, ownerCookie).result(), http::status::ok);
    EXPECT_EQ(running.Get(print, ownerCookie).result(), http::status::ok);
    for (const std::string& cookie : {otherCookie, secondBrowser}) {
        for (const std::string& target : {csv, print, document}) {
            auto refused = running.Get(target, cookie);
            EXPECT_EQ(refused.result(), http::status::forbidden) << target;
            EXPECT_EQ(refused.body().find("24,690.00"), std::string::npos);
        }
    }
    EXPECT_EQ(running.Get(csv).result(), http::status::unauthorized);
    // Signing out ends the browser's tabs with it.
    EXPECT_EQ(running.Post("/api/signout", "", ownerCookie).result(), http::status::ok);
    EXPECT_EQ(running.Get(csv, ownerCookie).result(), http::status::unauthorized);
    EXPECT_EQ(running.Get(csv, secondBrowser).result(), http::status::forbidden);
}

TEST(SignIn, IdleSignInEndsAndItsTabCloses)
{
    ManualClock clock;
    RunningServer running("", [&](Web::ServerOptions& options) {
        options.clock = clock.Function();
        options.idleLimit = 30min;
    });
    TestUser idle("web.idle", "idle password");
    const std::string cookie = running.SignIn(idle.Name(), "idle password");
    ASSERT_FALSE(cookie.empty());
    Socket tab(running.server->Port(), "/ws", "", cookie);
    tab.ReadUntil("welcome");
    clock.Advance(29min);
    EXPECT_EQ(running.Get("/api/config", cookie).result(), http::status::ok) << "a use keeps it alive";
    clock.Advance(29min);
    tab.Send({{"t", "run"}, {"cls", "TWebLong"}}); // the tab's messages are uses too
    for (;;) {
        json state = tab.ReadUntil("state");
        if (!state["windows"].empty()) break;
    }
    clock.Advance(29min);
    EXPECT_EQ(running.Get("/api/config", cookie).result(), http::status::ok);
    clock.Advance(30min);
    EXPECT_EQ(running.Get("/api/config", cookie).result(), http::status::unauthorized) << "idle for the limit";
    EXPECT_THROW(Socket(running.server->Port(), "/ws", "", cookie), boost::system::system_error);
    // The open tab's next message finds its sign-in gone: the server closes the tab.
    tab.Send({{"t", "close"}, {"w", "frmWebLong"}});
    bool closed = false;
    try {
        for (int i = 0; i < 200; ++i)
            tab.Read();
    } catch (const boost::system::system_error&) {
        closed = true;
    }
    EXPECT_TRUE(closed);
}

TEST(SignIn, FailedAttemptsFromOneAddressAreSlowed)
{
    ManualClock clock;
    RunningServer running("", [&](Web::ServerOptions& options) { options.clock = clock.Function(); });
    TestUser guessed("web.guessed", "the real one");
    for (int i = 0; i < Web::SignInThrottle::kFreeFailures; ++i)
        EXPECT_TRUE(running.SignIn(guessed.Name(), "guess " + std::to_string(i)).empty());
    auto slowed = running.Post("/api/signin", json({{"user", guessed.Name()}, {"password", "the real one"}}).dump());
    EXPECT_EQ(slowed.result(), http::status::too_many_requests) << "even the right password waits its turn";
    EXPECT_EQ(slowed[http::field::retry_after], "1");
    clock.Advance(1s);
    EXPECT_TRUE(running.SignIn(guessed.Name(), "guess again").empty());
    clock.Advance(1s);
    EXPECT_EQ(running.Post("/api/signin", "{}").result(), http::status::too_many_requests)
        << "the wait doubles after each failure";
    clock.Advance(1s);
    EXPECT_FALSE(running.SignIn(guessed.Name(), "the real one").empty());
    EXPECT_TRUE(running.SignIn(guessed.Name(), "one slip").empty());
    EXPECT_FALSE(running.SignIn(guessed.Name(), "the real one").empty()) << "a success starts the count afresh";
}

TEST(SingleUser, NothingInARequestChangesTheUser)
{
    RunningServer running("ona");
    TestUser admin("web.admin", "admin's password");
    const unsigned short port = running.server->Port();
    Socket asked(port, "/ws?user=" + admin.Name() + "&u=admin");
    EXPECT_EQ(asked.ReadUntil("welcome")["user"], "ona");
    Socket withCookie(port, "/ws", "", "talvex_session=" + std::string(64, 'f'));
    EXPECT_EQ(withCookie.ReadUntil("welcome")["user"], "ona");
    auto raw = running.Exchange("GET /api/config?user=admin HTTP/1.1\r\nHost: 127.0.0.1\r\nX-User: admin\r\n"
                                "X-Forwarded-User: admin\r\nRemote-User: admin\r\nAuthorization: Basic YWRtaW46eA==\r\n"
                                "Connection: close\r\n\r\n");
    EXPECT_EQ(json::parse(raw.body)["user"], "ona");
    auto signIn = running.Post("/api/signin", json({{"user", admin.Name()}, {"password", "admin's password"}}).dump());
    EXPECT_EQ(signIn.result(), http::status::bad_request) << "no passwords on a single-user server";
    EXPECT_TRUE(signIn[http::field::set_cookie].empty());
    EXPECT_EQ(running.Get("/signin").result(), http::status::see_other);

    // Neither a single user nor plain HTTP beyond this machine.
    for (const auto& [listen, user, proxy] :
         {std::tuple{"0.0.0.0", "ona", true}, std::tuple{"0.0.0.0", "", false}, std::tuple{"::", "", false}}) {
        Web::ServerOptions options;
        options.listen = listen;
        options.port = 0;
        options.defaultUser = user;
        options.behindProxy = proxy;
        EXPECT_THROW(Web::WebServer{options}, ValueError) << listen << " " << user;
    }
}

TEST(WebServer, RefusesHostNamesNotItsOwn)
{
    RunningServer running("ona", [](Web::ServerOptions& options) { options.allowedHosts = {"Talvex.Example"}; });
    const std::string port = std::to_string(running.server->Port());
    const auto get = [&](const std::string& host) {
        return running.Exchange("GET /api/config HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n").status;
    };
    for (const std::string& host : std::vector<std::string>{"evil.example", "evil.example:" + port, "127.0.0.2:" + port,
                                                            "talvex.example.evil.example", "localhost.evil.example",
                                                            std::string(), "[::1]:" + port})
        EXPECT_EQ(get(host), 421) << host;
    EXPECT_EQ(running.Exchange("GET / HTTP/1.1\r\nConnection: close\r\n\r\n").status, 421) << "no Host at all";
    for (const std::string& host :
         std::vector<std::string>{"127.0.0.1:" + port, "127.0.0.1", "localhost:" + port, "LOCALHOST", "talvex.example"})
        EXPECT_EQ(get(host), 200) << host;
    auto upgrade = running.Exchange("GET /ws HTTP/1.1\r\nHost: rebound.example:" + port +
                                    "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
    EXPECT_EQ(upgrade.status, 421);
    EXPECT_EQ(running.server->SessionCount(), 0u);
}

} // namespace
} // namespace Talvex::Testing
