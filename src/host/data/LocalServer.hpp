#pragma once

#include <filesystem>
#include <string>

namespace Talvex::Data {

// The PostgreSQL server the product runs on when no other is named: a cluster of its own,
// created on first use, reached only through a Unix socket in its data folder, and left
// running for the next command. PostgreSQL refuses to run as root, so under root the
// cluster belongs to the unprivileged "postgres" account.
class LocalServer {
public:
    // The folder: $TALVEX_HOME, else /var/lib/talvex for root, else ~/.local/share/talvex.
    static std::filesystem::path DefaultHome();

    explicit LocalServer(std::filesystem::path home = DefaultHome());

    // Creates the cluster if needed and starts the server if it is not running.
    // Reports what it does through the callback; throws DatabaseError with one line.
    void EnsureRunning();
    void Stop();

    // libpq connection string for a database of this server.
    std::string ConnectString(const std::string& database) const;
    // Creates the database when it does not exist yet; true when it was created.
    bool EnsureDatabase(const std::string& database);
    void DropDatabase(const std::string& database);

    const std::filesystem::path& Home() const { return home_; }

private:
    std::filesystem::path DataDir() const { return home_ / "pgdata"; }
    std::filesystem::path SocketDir() const { return home_ / "socket"; }
    std::string RunAsOwner(const std::string& command) const;

    std::filesystem::path home_;
    std::filesystem::path binDir_;
    std::string owner_; // empty: the current user
};

} // namespace Talvex::Data
