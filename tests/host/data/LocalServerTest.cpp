#include "host/data/LocalServer.hpp"
#include "host/data/Connection.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace Talvex::Data;
namespace fs = std::filesystem;

namespace {

// A home of its own in the temporary folder, its server stopped and its files removed at the end.
class ScratchHome {
public:
    ScratchHome()
    {
        std::string pattern = (fs::temp_directory_path() / "talvex-durable-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchHome()
    {
        LocalServer(path_).Stop();
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

std::string Settings(LocalServer& server)
{
    auto db = Connection::Open(server.ConnectString("postgres"));
    auto rs = db.QueryPostgres("SELECT string_agg(name || '=' || setting, ' ' ORDER BY name) FROM pg_settings "
                               "WHERE name IN ('fsync', 'synchronous_commit', 'full_page_writes')");
    return rs.rows.at(0).at(0).ToText();
}

// Every process of the server: each works in the cluster's folder, and a child forked a moment
// ago inherits it, so none slips through as one found by its parent could.
std::vector<int> ServerProcesses(const fs::path& dataDir)
{
    const fs::path cluster = fs::canonical(dataDir);
    std::vector<int> pids;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const int pid = std::atoi(entry.path().filename().c_str());
        std::error_code ec;
        if (pid > 0 && fs::read_symlink(entry.path() / "cwd", ec) == cluster) pids.push_back(pid);
    }
    return pids;
}

// The whole server killed at once, as a power cut would stop it: the postmaster and every
// process it started, none given the chance to write anything more. Returns once all are gone
// and the postmaster reaped, since pg_ctl takes a postmaster that waits to be reaped for one
// still running.
void KillServer(const LocalServer& server)
{
    std::ifstream pidFile(server.DataDir() / "postmaster.pid");
    int postmaster = 0;
    pidFile >> postmaster;
    ASSERT_GT(postmaster, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto reaped = [&] { return !fs::exists("/proc/" + std::to_string(postmaster)); };
    for (auto pids = ServerProcesses(server.DataDir()); !pids.empty() || !reaped();
         pids = ServerProcesses(server.DataDir())) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the server outlived SIGKILL";
        kill(postmaster, SIGKILL);
        for (int pid : pids)
            kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

TEST(LocalServer, UnsafeClusterIsMadeDurableAndKeepsACommitThroughAKilledServer)
{
    ScratchHome home;
    {
        // A cluster as earlier versions ran the company's: nothing flushed.
        LocalServer fast(home.Path(), Durability::Throwaway);
        fast.EnsureRunning();
        ASSERT_EQ(Settings(fast), "fsync=off full_page_writes=off synchronous_commit=off");
    }

    // Found running unsafe, the company's server is restarted with PostgreSQL's defaults.
    LocalServer server(home.Path());
    std::vector<std::string> notes;
    server.EnsureRunning([&](std::string_view note) { notes.emplace_back(note); });
    EXPECT_EQ(notes.size(), 1u);
    EXPECT_EQ(Settings(server), "fsync=on full_page_writes=on synchronous_commit=on");
    // Once safe, it is left running as it is.
    notes.clear();
    server.EnsureRunning([&](std::string_view note) { notes.emplace_back(note); });
    EXPECT_TRUE(notes.empty());

    server.EnsureDatabase("company");
    {
        auto db = Connection::Open(server.ConnectString("company"));
        db.ExecutePostgresScript("CREATE TABLE kept (n integer NOT NULL)");
        Transaction tx(db);
        db.QueryPostgres("INSERT INTO kept SELECT generate_series(1, 1000)");
        tx.Commit();
        KillServer(server);
    }
    if (HasFatalFailure()) return;

    server.EnsureRunning();
    auto db = Connection::Open(server.ConnectString("company"));
    auto rs = db.QueryPostgres("SELECT count(*), sum(n) FROM kept");
    EXPECT_EQ(rs.rows.at(0).at(0).ToInteger(), 1000);
    EXPECT_EQ(rs.rows.at(0).at(1).ToInteger(), 500500);
    EXPECT_EQ(Settings(server), "fsync=on full_page_writes=on synchronous_commit=on");
}
