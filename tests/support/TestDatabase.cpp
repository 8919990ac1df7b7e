#include "support/TestDatabase.hpp"

#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/types/StopSignal.hpp"

#include <chrono>
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

StopWhenActive::StopWhenActive(Data::Connection& watcher, std::string pattern, std::shared_ptr<StopSignal> signal)
{
    thread_ = std::thread([this, &watcher, pattern = "%" + std::move(pattern) + "%", signal = std::move(signal)] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (std::chrono::steady_clock::now() < deadline) {
            const auto active =
                watcher.QueryPostgres("SELECT COUNT(*) FROM pg_stat_activity WHERE state = 'active' AND query ILIKE $1 "
                                      "AND pid <> pg_backend_pid() AND datname = current_database()",
                                      {Value(pattern)});
            if (active.rows.at(0).at(0).ToInteger() > 0) {
                signal->Request();
                raised_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
}

StopWhenActive::~StopWhenActive()
{
    if (thread_.joinable()) thread_.join();
}

bool StopWhenActive::Raised()
{
    if (thread_.joinable()) thread_.join();
    return raised_;
}

} // namespace Talvex::Testing
