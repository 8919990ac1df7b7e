#include "web/SignInThrottle.hpp"

#include "host/types/Errors.hpp"

#include <algorithm>

namespace Talvex::Web {

SignInThrottle::SignInThrottle(std::size_t capacity, Clock clock) : clock_(std::move(clock)), slots_(capacity)
{
    if (capacity == 0) throw ValueError("sign-in throttle: the table must hold at least one address");
    if (!clock_) clock_ = [] { return std::chrono::steady_clock::now(); };
}

SignInThrottle::Slot* SignInThrottle::Find(const std::string& address, std::chrono::steady_clock::time_point now)
{
    for (auto& slot : slots_) {
        if (slot.address != address) continue;
        if (now - slot.lastFailure >= kMemory) {
            slot = Slot{};
            return nullptr;
        }
        return &slot;
    }
    return nullptr;
}

std::optional<std::chrono::seconds> SignInThrottle::WaitFor(const std::string& address)
{
    std::lock_guard lock(mutex_);
    const auto now = clock_();
    const Slot* slot = Find(address, now);
    if (!slot || slot->failures < kFreeFailures) return std::nullopt;
    const int doublings = std::min(slot->failures - kFreeFailures, 16);
    const auto wait = std::min(std::chrono::seconds(1LL << doublings), kLongestWait);
    const auto waited = std::chrono::duration_cast<std::chrono::seconds>(now - slot->lastFailure);
    if (waited >= wait) return std::nullopt;
    return wait - waited;
}

void SignInThrottle::Failed(const std::string& address)
{
    std::lock_guard lock(mutex_);
    const auto now = clock_();
    Slot* slot = Find(address, now);
    if (!slot) {
        slot = &*std::min_element(slots_.begin(), slots_.end(), [](const Slot& a, const Slot& b) {
            if (a.address.empty() != b.address.empty()) return a.address.empty();
            return a.lastFailure < b.lastFailure;
        });
        *slot = Slot{address, 0, now};
    }
    ++slot->failures;
    slot->lastFailure = now;
}

void SignInThrottle::Succeeded(const std::string& address)
{
    std::lock_guard lock(mutex_);
    for (auto& slot : slots_) {
        if (slot.address == address) slot = Slot{};
    }
}

} // namespace Talvex::Web
