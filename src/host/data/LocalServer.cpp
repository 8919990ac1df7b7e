#include "host/data/LocalServer.hpp"

#include "host/data/Connection.hpp"
#include "host/data/QuoteText.hpp"
#include "host/data/internal/ServerPrograms.hpp"
#include "host/types/Errors.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace Talvex::Data {
namespace fs = std::filesystem;
using Internal::LastLine;
using Internal::RunShellCommand;
using Internal::ShellQuote;
namespace {

constexpr int kPort = 5432; // the socket lives in our own folder, so no other server competes

// Both kinds of cluster get these; they only size memory and checkpoints.
constexpr const char* kSizing =
    " -c shared_buffers=256MB -c max_wal_size=4GB -c work_mem=64MB -c maintenance_work_mem=512MB";

// Given on the command line, which outranks postgresql.conf and postgresql.auto.conf, so a
// setting left in either by hand cannot make the company's cluster unsafe.
constexpr const char* kFlushEveryCommit = " -c fsync=on -c synchronous_commit=on -c full_page_writes=on";
// Unsafe on purpose, for throwaway clusters only (Durability::Throwaway): tests and
// benchmarks rebuild their databases many times, and none of them holds anything to keep.
constexpr const char* kFlushNothing = " -c fsync=off -c synchronous_commit=off -c full_page_writes=off";

// Holds an exclusive lock on a file for its lifetime: two commands starting the same server
// at once must not both run initdb or pg_ctl start.
class HomeLock {
public:
    explicit HomeLock(const fs::path& path) : fd_(open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666))
    {
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~HomeLock()
    {
        if (fd_ >= 0) close(fd_);
    }
    HomeLock(const HomeLock&) = delete;
    HomeLock& operator=(const HomeLock&) = delete;

private:
    int fd_;
};

} // namespace

fs::path LocalServer::DefaultHome()
{
    if (const char* env = std::getenv("TALVEX_HOME"); env && *env) return env;
    if (geteuid() == 0) return "/var/lib/talvex";
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fs::path(xdg) / "talvex";
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "/tmp") / ".local" / "share" / "talvex";
}

fs::path LocalServer::TestHome()
{
    if (const char* env = std::getenv("TALVEX_TEST_HOME"); env && *env) return env;
    return DefaultHome() / "test-cluster";
}

LocalServer::LocalServer(fs::path home, Durability durability) : home_(std::move(home)), durability_(durability)
{
    if (geteuid() == 0) owner_ = "postgres";
}

std::string LocalServer::RunAsOwner(const std::string& command) const
{
    if (owner_.empty()) return command;
    return "runuser -u " + owner_ + " -- " + command;
}

std::string LocalServer::Program(const std::string& name) const
{
    return ShellQuote((binDir_ / name).string());
}

void LocalServer::PrepareHome() const
{
    std::error_code ec;
    fs::create_directories(home_, ec);
    if (ec) throw DatabaseError("Cannot create " + home_.string() + ": " + ec.message());
    fs::create_directories(SocketDir(), ec);
    if (owner_.empty()) return;
    passwd* pw = getpwnam(owner_.c_str());
    if (!pw)
        throw DatabaseError("The account '" + owner_ +
                            "' that runs the local server does not exist "
                            "(run scripts/setup.sh)");
    // The folder must be the server account's: it writes the cluster and the socket there.
    if (chown(home_.c_str(), pw->pw_uid, pw->pw_gid) != 0 || chown(SocketDir().c_str(), pw->pw_uid, pw->pw_gid) != 0)
        throw DatabaseError("Cannot hand " + home_.string() + " to the account '" + owner_ + "'");
}

void LocalServer::CreateCluster()
{
    // initdb flushes the new cluster to disk unless told not to; only a throwaway one may skip it.
    const std::string noSync = durability_ == Durability::Throwaway ? " -N" : "";
    auto r = RunShellCommand(RunAsOwner(Program("initdb") + " -D " + ShellQuote(DataDir().string()) +
                                        " -U postgres --auth=trust --encoding=UTF8 --locale=C.UTF-8" + noSync));
    if (r.exitCode != 0) throw DatabaseError("Creating the local database cluster failed: " + LastLine(r.output));
}

bool LocalServer::IsRunning() const
{
    return RunShellCommand(RunAsOwner(Program("pg_ctl") + " -D " + ShellQuote(DataDir().string()) + " status"))
               .exitCode == 0;
}

bool LocalServer::RunningServerFlushes() const
{
    Connection admin = Connection::Open(ConnectString("postgres"));
    auto rs = admin.QueryPostgres("SELECT count(*) FROM pg_settings WHERE name IN "
                                  "('fsync', 'synchronous_commit', 'full_page_writes') AND setting = 'on'");
    return rs.rows[0][0].ToInteger() == 3;
}

// pg_ctl keeps the command line of the last start in postmaster.opts.
bool LocalServer::LastStartFlushed() const
{
    std::ifstream in(DataDir() / "postmaster.opts");
    std::stringstream text;
    text << in.rdbuf();
    const std::string opts = text.str();
    for (const char* unsafe : {"fsync=off", "synchronous_commit=off", "full_page_writes=off"})
        if (opts.find(unsafe) != std::string::npos) return false;
    return true;
}

// A server that ran without fsync may have left the cluster's files in the machine's memory
// only; they reach the disk now, before anything relies on them.
void LocalServer::SyncClusterToDisk() const
{
    auto r = RunShellCommand(RunAsOwner(Program("initdb") + " --sync-only -D " + ShellQuote(DataDir().string())));
    if (r.exitCode != 0)
        throw DatabaseError("Writing the local database cluster to disk failed: " + LastLine(r.output));
}

void LocalServer::Start()
{
    std::string options = "-c listen_addresses='' -c unix_socket_directories=" + SocketDir().string() +
                          " -c port=" + std::to_string(kPort) +
                          (durability_ == Durability::Durable ? kFlushEveryCommit : kFlushNothing) + kSizing;
    auto r = RunShellCommand(RunAsOwner(Program("pg_ctl") + " -D " + ShellQuote(DataDir().string()) + " -l " +
                                        ShellQuote((home_ / "server.log").string()) + " -w -t 60 -o " +
                                        ShellQuote(options) + " start"));
    if (r.exitCode != 0)
        throw DatabaseError("Starting the local database server failed: " + LastLine(r.output) + " (see " +
                            (home_ / "server.log").string() + ")");
}

void LocalServer::EnsureRunning(const std::function<void(std::string_view)>& report)
{
    if (binDir_.empty()) binDir_ = Internal::PostgresBinDir();
    PrepareHome();
    HomeLock lock(home_ / "server.lock");
    if (!fs::exists(DataDir() / "PG_VERSION")) CreateCluster();

    const bool durable = durability_ == Durability::Durable;
    if (IsRunning()) {
        if (!durable || RunningServerFlushes()) return;
        if (report)
            report("Restarting the local database server so that every commit is kept on disk "
                   "(its open sessions are closed)");
        Stop();
    }
    if (durable && !LastStartFlushed()) SyncClusterToDisk();
    Start();
}

void LocalServer::Stop()
{
    if (binDir_.empty()) binDir_ = Internal::PostgresBinDir();
    RunShellCommand(RunAsOwner(Program("pg_ctl") + " -D " + ShellQuote(DataDir().string()) + " -m fast stop"));
}

std::string LocalServer::ConnectString(const std::string& database) const
{
    return "host=" + SocketDir().string() + " port=" + std::to_string(kPort) + " user=postgres dbname=" + database;
}

bool LocalServer::EnsureDatabase(const std::string& database)
{
    Connection admin = Connection::Open(ConnectString("postgres"));
    auto rs =
        admin.QueryPostgres("SELECT coalesce(daticulocale, '') FROM pg_database WHERE datname = $1", {Value(database)});
    const std::string name = QuoteByDoubling(database, '"');
    if (!rs.rows.empty()) {
        if (rs.rows[0][0].ToText() == kCompanyTextLocale || durability_ == Durability::Durable) return false;
        admin.ExecutePostgresScript("DROP DATABASE " + name + " WITH (FORCE)");
    }
    // The locale of character classes stays C.UTF-8; only the order of text is the company's.
    admin.ExecutePostgresScript("CREATE DATABASE " + name +
                                " TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C.UTF-8' LOCALE_PROVIDER icu ICU_LOCALE " +
                                QuoteByDoubling(std::string(kCompanyTextLocale), '\''));
    return true;
}

void LocalServer::DropDatabase(const std::string& database)
{
    Connection admin = Connection::Open(ConnectString("postgres"));
    admin.ExecutePostgresScript("DROP DATABASE IF EXISTS " + QuoteByDoubling(database, '"') + " WITH (FORCE)");
}

} // namespace Talvex::Data
