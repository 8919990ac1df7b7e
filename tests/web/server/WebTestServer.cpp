// The web server over the test demo company, with the web tests' own classes in its menu:
// the browser tests start it on a free loopback port and read its address from stdout.

#include "WebTestClasses.hpp"
#include "support/TestDatabase.hpp"
#include "web/WebServer.hpp"

#include <iostream>

int main(int argc, char** argv)
{
    try {
        Talvex::Web::ServerOptions options;
        options.port = 0;
        options.connectString = Talvex::Testing::DemoDatabaseConnectString();
        options.extraClasses = Talvex::Testing::WebTestClasses();
        options.handleSignals = true;
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
