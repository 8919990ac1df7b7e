#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace Talvex::Web {

using Clock = std::function<std::chrono::steady_clock::time_point()>;

// Hex text of that many bytes from the operating system's random source.
std::string RandomToken(std::size_t bytes);

// The browsers signed in to the server, each by a token its cookie carries. A sign-in ends
// when its browser signs out, when it has been idle longer than the idle limit, or when the
// table is full and a newer sign-in pushes out the one idle longest. Only a digest of each
// token is kept, so the table's lookups take no time that depends on a secret. Thread-safe.
class SignIns {
public:
    SignIns(std::chrono::seconds idleLimit, std::size_t capacity, Clock clock);

    // A new sign-in for the user; returns its token (256 bits, hex).
    std::string Begin(const std::string& user);
    // The user of a live sign-in, which counts as a use of it; nothing for a token that is
    // unknown, ended or idle too long (which ends it).
    std::optional<std::string> Use(const std::string& token);
    // The key the server files a sign-in's tabs under: the token's digest, never the token.
    static std::string KeyOf(const std::string& token);
    bool Live(const std::string& key);
    void End(const std::string& token);
    std::size_t Count();

private:
    struct Entry {
        std::string user;
        std::chrono::steady_clock::time_point lastUse;
    };
    bool Expired(const Entry& entry, std::chrono::steady_clock::time_point now) const;
    void MakeRoom(std::chrono::steady_clock::time_point now);

    std::chrono::seconds idleLimit_;
    std::size_t capacity_;
    Clock clock_;
    std::mutex mutex_;
    std::map<std::string, Entry> entries_; // by KeyOf(token)
};

} // namespace Talvex::Web
