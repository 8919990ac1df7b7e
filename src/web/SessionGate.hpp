#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace Talvex::Web {

// How many tabs the server keeps and how many database connections their Books hold.
struct SessionLimits {
    std::size_t maxSessions = 500;       // tabs open at once, all users together
    std::size_t maxSessionsPerUser = 20; // tabs one user name may hold
    // Books open at once (each is one database connection); 0: half of what the database
    // server lets ordinary users open, so that the command line and maintenance always find
    // a connection.
    std::size_t maxConnections = 0;
    // How long a tab that needs its Book waits for another tab to give a connection back.
    std::chrono::milliseconds connectionPatience{std::chrono::seconds(10)};
};

// Counts the tabs of each user and the database connections the tabs' Books hold, and
// refuses a tab or a connection beyond the limits with a message the person can act on.
// Thread-safe; what it hands out gives its place back when the last copy goes.
class SessionGate {
public:
    explicit SessionGate(SessionLimits limits);
    SessionGate(const SessionGate&) = delete;
    SessionGate& operator=(const SessionGate&) = delete;

    using Place = std::shared_ptr<void>;

    // A tab's place; throws ValueError ("too many sessions ...") beyond the limits.
    Place AdmitSession(const std::string& userName);
    // A connection's place; waits while all are taken, for at most the patience or until
    // giveUp says so, then throws ValueError.
    Place TakeConnection(const std::function<bool()>& giveUp);

    std::size_t Sessions() const;
    std::size_t Connections() const;
    const SessionLimits& Limits() const { return limits_; }

    // The company's name as the first Book read it, so that a tab is welcomed without a
    // connection of its own.
    std::optional<std::string> CompanyName() const;
    void RememberCompanyName(const std::string& name);

private:
    void Leave(const std::string& userName);
    void GiveBack();

    SessionLimits limits_;
    mutable std::mutex mutex_;
    std::condition_variable connectionFreed_;
    std::map<std::string, std::size_t> sessionsByUser_;
    std::size_t sessions_ = 0;
    std::size_t connections_ = 0;
    std::optional<std::string> companyName_;
};

// The connection limit a server allows for ordinary users: max_connections less the
// connections reserved for superusers (and other reserved roles). Throws DatabaseError.
std::size_t ReadServerConnectionLimit(const std::string& connectString);

} // namespace Talvex::Web
