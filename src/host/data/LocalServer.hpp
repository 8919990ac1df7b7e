#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace Talvex::Data {

// The ICU locale by which a company's database orders text: Lithuanian, letters with marks
// beside their base letters (C < Č < D), case weighed only after the letters.
inline constexpr std::string_view kCompanyTextLocale = "lt-LT";

// How a cluster treats a commit.
enum class Durability {
    // PostgreSQL's defaults (fsync, synchronous_commit, full_page_writes on): a commit returns
    // once it is on disk, so it survives a crash of the server or of the machine. The
    // company's own cluster always runs so.
    Durable,
    // Nothing is flushed: far faster, and a crash of the machine may lose the last commits or
    // corrupt the whole cluster. Only for clusters whose databases can be made again at will.
    Throwaway,
};

// The PostgreSQL server the product runs on when no other is named: a cluster of its own,
// created on first use, reached only through a Unix socket in its data folder, and left
// running for the next command. PostgreSQL refuses to run as root, so under root the
// cluster belongs to the unprivileged "postgres" account.
class LocalServer {
public:
    // The folder: $TALVEX_HOME, else /var/lib/talvex for root, else ~/.local/share/talvex.
    static std::filesystem::path DefaultHome();
    // The folder of the throwaway cluster the tests and benchmarks share: $TALVEX_TEST_HOME,
    // else "test-cluster" inside DefaultHome(). Apart from the company's cluster, so that its
    // fast settings never touch the company.
    static std::filesystem::path TestHome();

    explicit LocalServer(std::filesystem::path home = DefaultHome(), Durability durability = Durability::Durable);

    // Creates the cluster if needed and starts the server if it is not running. A durable
    // server found running (or last run) without flushing is restarted (or synced to disk
    // first), so that no commit from then on can be lost. Says what it does beyond the
    // ordinary through `report`; throws DatabaseError with one line.
    void EnsureRunning(const std::function<void(std::string_view)>& report = {});
    void Stop();

    // libpq connection string for a database of this server.
    std::string ConnectString(const std::string& database) const;
    // Creates the database when it does not exist yet, ordering text by kCompanyTextLocale;
    // true when it was created. A throwaway server's database that orders text otherwise is
    // made again; a durable server's is left for its owner to replace.
    bool EnsureDatabase(const std::string& database);
    void DropDatabase(const std::string& database);

    const std::filesystem::path& Home() const { return home_; }
    std::filesystem::path DataDir() const { return home_ / "pgdata"; }

private:
    std::filesystem::path SocketDir() const { return home_ / "socket"; }
    std::string RunAsOwner(const std::string& command) const;
    std::string Program(const std::string& name) const;
    void PrepareHome() const;
    void CreateCluster();
    bool IsRunning() const;
    bool RunningServerFlushes() const;
    bool LastStartFlushed() const;
    void SyncClusterToDisk() const;
    void Start();

    std::filesystem::path home_;
    Durability durability_;
    std::filesystem::path binDir_;
    std::string owner_; // empty: the current user
};

} // namespace Talvex::Data
