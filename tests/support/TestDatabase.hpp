#pragma once

#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
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

// The seed the test company is generated from.
inline constexpr unsigned long long kTestSeed = 20240101ULL;

} // namespace Talvex::Testing
