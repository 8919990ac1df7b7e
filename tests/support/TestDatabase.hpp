#pragma once

#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace Talvex {
class Book;
class StopSignal;
}

namespace Talvex::Testing {

// The local server the tests share: a throwaway cluster in LocalServer::TestHome(), apart from
// the company's own, run without flushing commits to disk.
Data::LocalServer TestServer();

// Connection string of the demo company the tests read: $TALVEX_TEST_DB when set, else the
// database "talvex_test" on the test server, built once (scale 0, the fixed test seed) and
// rebuilt whenever the schema scripts or the generator change. Safe when several test
// programs start at once.
const std::string& DemoDatabaseConnectString();

// A fresh connection to the demo company.
Data::Connection OpenDemoDatabase();

// The demo company's Book for a user, on a connection of its own.
std::shared_ptr<Book> OpenDemoBook(const std::string& userName);

// A database with only the T-SQL compatibility functions installed (no ERP schema), for
// tests of the front end that make their own rows: "talvex_scratch" on the test server,
// refreshed whenever the compatibility scripts change.
Data::Connection OpenScratchDatabase();

// Raises the stop once the server runs, in a session other than the watcher's, a statement
// whose text holds `pattern` (without regard to case): the stop then meets the statement on
// the server, not before it starts. Watches on a thread of its own through its own connection,
// and gives up after two minutes (the test then fails on the statement that was not stopped).
// The destructor waits for the thread.
class StopWhenActive {
public:
    StopWhenActive(Data::Connection& watcher, std::string pattern, std::shared_ptr<StopSignal> signal);
    StopWhenActive(const StopWhenActive&) = delete;
    StopWhenActive& operator=(const StopWhenActive&) = delete;
    ~StopWhenActive();
    // Whether the statement was seen and the stop raised; waits for the thread first.
    bool Raised();

private:
    std::atomic<bool> raised_{false};
    std::thread thread_;
};

// The seed the test company is generated from.
inline constexpr unsigned long long kTestSeed = 20240101ULL;

} // namespace Talvex::Testing
