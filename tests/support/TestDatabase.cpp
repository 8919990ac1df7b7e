#include "support/TestDatabase.hpp"

#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace Talvex::Testing {
namespace {

// Holds an exclusive lock on a file for its lifetime.
class FileLock {
public:
    explicit FileLock(const std::string& path) : fd_(open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666))
    {
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~FileLock()
    {
        if (fd_ >= 0) {
            flock(fd_, LOCK_UN);
            close(fd_);
        }
    }

private:
    int fd_;
};

std::string PrepareDemoDatabase()
{
    if (const char* env = std::getenv("TALVEX_TEST_DB"); env && *env) return env;
    Data::LocalServer server = TestServer();
    FileLock lock("/tmp/talvex-test-db.lock");
    server.EnsureRunning();
    const std::string name = "talvex_test";
    server.EnsureDatabase(name);
    std::string connect = server.ConnectString(name);
    Data::Connection db = Data::Connection::Open(connect);
    auto info = Erp::ReadInstallInfo(db);
    if (!info || info->schemaVersion != Erp::CurrentSchemaVersion() || info->seed != kTestSeed || info->scale != 0) {
        Erp::DropErpSchema(db);
        Erp::InstallErpDatabase(db, Erp::DemoOptions{0, kTestSeed});
    }
    return connect;
}

std::string PrepareScratchDatabase()
{
    if (const char* env = std::getenv("TALVEX_SCRATCH_DB"); env && *env) return env;
    Data::LocalServer server = TestServer();
    FileLock lock("/tmp/talvex-test-db.lock");
    server.EnsureRunning();
    const std::string name = "talvex_scratch";
    server.EnsureDatabase(name);
    std::string connect = server.ConnectString(name);
    Data::Connection db = Data::Connection::Open(connect);
    // Reinstalled only when the scripts changed: test programs run side by side, and one
    // must never drop the functions another is using.
    db.ExecutePostgresScript("CREATE TABLE IF NOT EXISTS talvex_scratch_version (version TEXT NOT NULL)");
    const std::string version = Erp::CurrentSchemaVersion();
    auto installed = db.QueryPostgres("SELECT version FROM talvex_scratch_version");
    if (installed.rows.empty() || installed.rows[0][0].ToText() != version) {
        Erp::InstallCompatibilityFunctions(db);
        db.ExecutePostgresScript("DELETE FROM talvex_scratch_version");
        db.QueryPostgres("INSERT INTO talvex_scratch_version (version) VALUES ($1)", {Value(version)});
    }
    return connect;
}

} // namespace

Data::LocalServer TestServer()
{
    // Fast and unsafe on purpose: every database on it is made again whenever it is needed.
    return Data::LocalServer(Data::LocalServer::TestHome(), Data::Durability::Throwaway);
}

Data::Connection OpenScratchDatabase()
{
    static const std::string connect = PrepareScratchDatabase();
    return Data::Connection::Open(connect);
}

const std::string& DemoDatabaseConnectString()
{
    static const std::string connect = PrepareDemoDatabase();
    return connect;
}

Data::Connection OpenDemoDatabase()
{
    return Data::Connection::Open(DemoDatabaseConnectString());
}

std::shared_ptr<Book> OpenDemoBook(const std::string& userName)
{
    return Erp::OpenBook(DemoDatabaseConnectString(), userName);
}

} // namespace Talvex::Testing
