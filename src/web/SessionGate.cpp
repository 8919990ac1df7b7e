#include "web/SessionGate.hpp"

#include "host/data/Connection.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>

namespace Talvex::Web {

SessionGate::SessionGate(SessionLimits limits) : limits_(limits)
{
    if (limits_.maxSessions == 0 || limits_.maxSessionsPerUser == 0 || limits_.maxConnections == 0)
        throw ValueError("Session limits: every limit must be at least 1");
}

SessionGate::Place SessionGate::AdmitSession(const std::string& userName)
{
    {
        std::lock_guard lock(mutex_);
        if (sessions_ >= limits_.maxSessions)
            throw ValueError("Too many sessions: the server keeps at most " + std::to_string(limits_.maxSessions) +
                             " tabs open; close one or try again later");
        std::size_t& mine = sessionsByUser_[userName];
        if (mine >= limits_.maxSessionsPerUser)
            throw ValueError("Too many sessions for " + userName + ": at most " +
                             std::to_string(limits_.maxSessionsPerUser) + " tabs at once; close one of them first");
        ++mine;
        ++sessions_;
    }
    return Place(static_cast<void*>(this), [this, userName](void*) { Leave(userName); });
}

void SessionGate::Leave(const std::string& userName)
{
    std::lock_guard lock(mutex_);
    --sessions_;
    auto it = sessionsByUser_.find(userName);
    if (it != sessionsByUser_.end() && --it->second == 0) sessionsByUser_.erase(it);
}

SessionGate::Place SessionGate::TakeConnection(const std::function<bool()>& giveUp)
{
    std::unique_lock lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + limits_.connectionPatience;
    // Looks again now and then: giveUp (a tab closing, the server stopping) has no way to wake us.
    while (connections_ >= limits_.maxConnections) {
        if ((giveUp && giveUp()) || std::chrono::steady_clock::now() >= deadline)
            throw ValueError("Too many sessions are working with the company's database now (" +
                             std::to_string(limits_.maxConnections) + " at most); try again in a moment");
        connectionFreed_.wait_until(
            lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(200)));
    }
    ++connections_;
    return Place(static_cast<void*>(this), [this](void*) { GiveBack(); });
}

void SessionGate::GiveBack()
{
    {
        std::lock_guard lock(mutex_);
        --connections_;
    }
    connectionFreed_.notify_one();
}

std::size_t SessionGate::Sessions() const
{
    std::lock_guard lock(mutex_);
    return sessions_;
}

std::size_t SessionGate::Connections() const
{
    std::lock_guard lock(mutex_);
    return connections_;
}

std::optional<std::string> SessionGate::CompanyName() const
{
    std::lock_guard lock(mutex_);
    return companyName_;
}

void SessionGate::RememberCompanyName(const std::string& name)
{
    std::lock_guard lock(mutex_);
    companyName_ = name;
}

std::size_t ReadServerConnectionLimit(const std::string& connectString)
{
    Data::Connection db = Data::Connection::Open(connectString);
    const auto rows = db.QueryPostgres("SELECT name, setting FROM pg_settings WHERE name IN "
                                       "('max_connections', 'superuser_reserved_connections', "
                                       "'reserved_connections')");
    long long maxConnections = 0;
    long long reserved = 0;
    for (const auto& row : rows.rows) {
        const long long value = std::stoll(row[1].ToText());
        if (row[0].ToText() == "max_connections")
            maxConnections = value;
        else
            reserved += value;
    }
    return static_cast<std::size_t>(std::max(1LL, maxConnections - reserved));
}

} // namespace Talvex::Web
