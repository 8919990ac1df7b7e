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

int ParentOf(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) return -1;
    // After the name: state, then the parent's pid.
    return std::atoi(line.c_str() + line.find(' ', close + 2) + 1);
}

// Gone for good: reaped, not only ended, since pg_ctl and a new postmaster take a process that
// waits to be reaped for a server still running.
bool Gone(int pid)
{
    return !fs::exists("/proc/" + std::to_string(pid));
}

// The whole server killed at once, as a power cut would stop it: the postmaster and every
// process it started, none given the chance to write anything more. Returns when all are gone.
void KillServer(const LocalServer& server)
{
    std::ifstream pidFile(server.DataDir() / "postmaster.pid");
    int postmaster = 0;
    pidFile >> postmaster;
    ASSERT_GT(postmaster, 0);
    std::vector<int> processes{postmaster};
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const int pid = std::atoi(entry.path().filename().c_str());
        if (pid > 0 && ParentOf(pid) == postmaster) processes.push_back(pid);
    }
    for (int pid : processes)
        kill(pid, SIGKILL);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int pid : processes) {
        while (!Gone(pid) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(Gone(pid)) << "process " << pid << " of the server outlived SIGKILL";
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
