#pragma once

#include "web/SignIns.hpp"

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace Talvex::Web {

// Slows password guessing from one address: after a few failed sign-ins in a row, each
// further attempt must wait twice as long as the last (up to a ceiling) since the latest
// failure. The addresses are kept in a table of fixed size; when it is full, a new address
// takes the place of the one whose last failure is oldest. A success clears its address.
// Thread-safe.
class SignInThrottle {
public:
    static constexpr int kFreeFailures = 5;
    static constexpr std::chrono::seconds kLongestWait{300};
    // Failures older than this are forgotten: a person who mistyped yesterday starts afresh.
    static constexpr std::chrono::seconds kMemory{900};

    SignInThrottle(std::size_t capacity, Clock clock);

    // How long the address must still wait before its next attempt is heard; nothing when
    // it may try now.
    std::optional<std::chrono::seconds> WaitFor(const std::string& address);
    void Failed(const std::string& address);
    void Succeeded(const std::string& address);

private:
    struct Slot {
        std::string address; // empty: free
        int failures = 0;
        std::chrono::steady_clock::time_point lastFailure;
    };
    Slot* Find(const std::string& address, std::chrono::steady_clock::time_point now);

    Clock clock_;
    std::mutex mutex_;
    std::vector<Slot> slots_;
};

} // namespace Talvex::Web
