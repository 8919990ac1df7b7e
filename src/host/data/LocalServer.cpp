#include "host/data/LocalServer.hpp"

#include "host/data/Connection.hpp"
#include "host/data/QuoteText.hpp"
#include "host/types/Errors.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Talvex::Data {
namespace fs = std::filesystem;
namespace {

constexpr int kPort = 5432; // the socket lives in our own folder, so no other server competes

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct CommandResult {
    int exitCode;
    std::string output;
};

CommandResult RunCommand(const std::string& command)
{
    std::string full = command + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) throw DatabaseError("Cannot run: " + command);
    std::string output;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe))
        output.append(buf.data(), n);
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

fs::path FindBinDir()
{
    if (const char* env = std::getenv("TALVEX_PG_BIN")) return env;
    fs::path best;
    int bestVersion = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        int version = std::atoi(entry.path().filename().c_str());
        if (version > bestVersion && fs::exists(entry.path() / "bin" / "pg_ctl")) {
            bestVersion = version;
            best = entry.path() / "bin";
        }
    }
    if (best.empty())
        throw DatabaseError("PostgreSQL server programs were not found under /usr/lib/postgresql "
                            "(run scripts/setup.sh, or give --db)");
    return best;
}

std::string LastLine(const std::string& text)
{
    std::string t = text;
    while (!t.empty() && (t.back() == '\n' || t.back() == ' '))
        t.pop_back();
    auto pos = t.rfind('\n');
    return pos == std::string::npos ? t : t.substr(pos + 1);
}

} // namespace

fs::path LocalServer::DefaultHome()
{
    if (const char* env = std::getenv("TALVEX_HOME"); env && *env) return env;
    if (geteuid() == 0) return "/var/lib/talvex";
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fs::path(xdg) / "talvex";
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "/tmp") / ".local" / "share" / "talvex";
}

LocalServer::LocalServer(fs::path home) : home_(std::move(home))
{
    if (geteuid() == 0) owner_ = "postgres";
}

std::string LocalServer::RunAsOwner(const std::string& command) const
{
    if (owner_.empty()) return command;
    return "runuser -u " + owner_ + " -- " + command;
}

void LocalServer::EnsureRunning()
{
    if (binDir_.empty()) binDir_ = FindBinDir();
    std::error_code ec;
    fs::create_directories(home_, ec);
    if (ec) throw DatabaseError("Cannot create " + home_.string() + ": " + ec.message());
    if (!owner_.empty()) {
        passwd* pw = getpwnam(owner_.c_str());
        if (!pw)
            throw DatabaseError("The account '" + owner_ +
                                "' that runs the local server does not exist "
                                "(run scripts/setup.sh)");
        fs::create_directories(SocketDir(), ec);
        // The folder must be the server account's: it writes the cluster and the socket there.
        if (chown(home_.c_str(), pw->pw_uid, pw->pw_gid) != 0 ||
            chown(SocketDir().c_str(), pw->pw_uid, pw->pw_gid) != 0)
            throw DatabaseError("Cannot hand " + home_.string() + " to the account '" + owner_ + "'");
    } else {
        fs::create_directories(SocketDir(), ec);
    }

    if (!fs::exists(DataDir() / "PG_VERSION")) {
        auto r = RunCommand(RunAsOwner(Quote((binDir_ / "initdb").string()) + " -D " + Quote(DataDir().string()) +
                                       " -U postgres --auth=trust --encoding=UTF8 --locale=C.UTF-8 -N"));
        if (r.exitCode != 0) throw DatabaseError("Creating the local database cluster failed: " + LastLine(r.output));
    }

    auto status =
        RunCommand(RunAsOwner(Quote((binDir_ / "pg_ctl").string()) + " -D " + Quote(DataDir().string()) + " status"));
    if (status.exitCode == 0) return;
    std::string options = "-c listen_addresses='' -c unix_socket_directories=" + SocketDir().string() +
                          " -c port=" + std::to_string(kPort) +
                          " -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
                          " -c shared_buffers=256MB -c max_wal_size=4GB -c work_mem=64MB"
                          " -c maintenance_work_mem=512MB";
    auto r =
        RunCommand(RunAsOwner(Quote((binDir_ / "pg_ctl").string()) + " -D " + Quote(DataDir().string()) + " -l " +
                              Quote((home_ / "server.log").string()) + " -w -t 60 -o " + Quote(options) + " start"));
    if (r.exitCode != 0)
        throw DatabaseError("Starting the local database server failed: " + LastLine(r.output) + " (see " +
                            (home_ / "server.log").string() + ")");
}

void LocalServer::Stop()
{
    if (binDir_.empty()) binDir_ = FindBinDir();
    RunCommand(RunAsOwner(Quote((binDir_ / "pg_ctl").string()) + " -D " + Quote(DataDir().string()) + " -m fast stop"));
}

std::string LocalServer::ConnectString(const std::string& database) const
{
    return "host=" + SocketDir().string() + " port=" + std::to_string(kPort) + " user=postgres dbname=" + database;
}

bool LocalServer::EnsureDatabase(const std::string& database)
{
    Connection admin = Connection::Open(ConnectString("postgres"));
    auto rs = admin.QueryPostgres("SELECT 1 FROM pg_database WHERE datname = $1", {Value(database)});
    if (!rs.rows.empty()) return false;
    admin.ExecutePostgresScript("CREATE DATABASE " + QuoteByDoubling(database, '"'));
    return true;
}

void LocalServer::DropDatabase(const std::string& database)
{
    Connection admin = Connection::Open(ConnectString("postgres"));
    admin.ExecutePostgresScript("DROP DATABASE IF EXISTS " + QuoteByDoubling(database, '"') + " WITH (FORCE)");
}

} // namespace Talvex::Data
