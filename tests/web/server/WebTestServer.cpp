// The web server over a demo company of its own, with the web tests' classes in its menu:
// the browser tests start it on a free loopback port and read its address from stdout.
// The company is the test company (same generator, same seed) in a database of its own,
// "talvex_web_test", made anew at each start: the browser tests write documents, and the
// other test programs, which read the shared test company at the same time, must never see them.

#include "WebTestClasses.hpp"
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "support/TestDatabase.hpp"
#include "web/WebServer.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::string PrepareWebTestDatabase()
{
    if (const char* env = std::getenv("TALVEX_WEB_TEST_DB"); env && *env) return env;
    const int lock = open("/tmp/talvex-web-test-db.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (lock >= 0) flock(lock, LOCK_EX);
    Talvex::Data::LocalServer server = Talvex::Testing::TestServer();
    server.EnsureRunning();
    const std::string name = "talvex_web_test";
    server.EnsureDatabase(name);
    const std::string connect = server.ConnectString(name);
    Talvex::Data::Connection db = Talvex::Data::Connection::Open(connect);
    // Made anew at every start (a few seconds): a run that stopped half way leaves nothing
    // for the next one.
    Talvex::Erp::DropErpSchema(db);
    Talvex::Erp::InstallErpDatabase(db, Talvex::Erp::DemoOptions{0, Talvex::Testing::kTestSeed});
    if (lock >= 0) {
        flock(lock, LOCK_UN);
        close(lock);
    }
    return connect;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        Talvex::Web::ServerOptions options;
        options.port = 0;
        options.connectString = PrepareWebTestDatabase();
        options.extraClasses = Talvex::Testing::WebTestClasses();
        options.handleSignals = true;
        options.revealSessionCount = true; // the browser tests wait on it
        for (int i = 1; i + 1 < argc; i += 2) {
            const std::string name = argv[i];
            if (name == "--user") options.defaultUser = argv[i + 1];
            if (name == "--static") options.staticDir = argv[i + 1];
        }
        Talvex::Web::WebServer server(options);
        std::cout << "Database: " << options.connectString << "\n";
        std::cout << "Talvex web client: http://127.0.0.1:" << server.Port() << "/" << std::endl;
        server.Run();
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "web_test_server: " << error.what() << "\n";
        return 1;
    }
}
