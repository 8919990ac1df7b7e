#include "web/SignIns.hpp"

#include "host/types/Errors.hpp"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace Talvex::Web {

namespace {

std::string Hex(const unsigned char* bytes, std::size_t count)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0f];
    }
    return out;
}

void InitSodium()
{
    static const int ready = sodium_init();
    if (ready < 0) throw std::runtime_error("libsodium could not be initialised");
}

} // namespace

std::string RandomToken(std::size_t bytes)
{
    InitSodium();
    std::vector<unsigned char> buffer(bytes);
    randombytes_buf(buffer.data(), buffer.size());
    return Hex(buffer.data(), buffer.size());
}

SignIns::SignIns(std::chrono::seconds idleLimit, std::size_t capacity, Clock clock)
    : idleLimit_(idleLimit), capacity_(capacity), clock_(std::move(clock))
{
    if (idleLimit_.count() <= 0) throw ValueError("idle limit: must be at least one second");
    if (capacity_ == 0) throw ValueError("sign-ins: the table must hold at least one");
    if (!clock_) clock_ = [] { return std::chrono::steady_clock::now(); };
}

std::string SignIns::KeyOf(const std::string& token)
{
    InitSodium();
    unsigned char digest[crypto_generichash_BYTES];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(token.data()), token.size(),
                       nullptr, 0);
    return Hex(digest, sizeof digest);
}

bool SignIns::Expired(const Entry& entry, std::chrono::steady_clock::time_point now) const
{
    return now - entry.lastUse >= idleLimit_;
}

void SignIns::MakeRoom(std::chrono::steady_clock::time_point now)
{
    std::erase_if(entries_, [&](const auto& item) { return Expired(item.second, now); });
    while (entries_.size() >= capacity_) {
        auto idlest = std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        entries_.erase(idlest);
    }
}

std::string SignIns::Begin(const std::string& user)
{
    const std::string token = RandomToken(32);
    const std::string key = KeyOf(token);
    std::lock_guard lock(mutex_);
    const auto now = clock_();
    MakeRoom(now);
    entries_[key] = Entry{user, now};
    return token;
}

std::optional<std::string> SignIns::Use(const std::string& token)
{
    if (token.empty()) return std::nullopt;
    const std::string key = KeyOf(token);
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) return std::nullopt;
    const auto now = clock_();
    if (Expired(it->second, now)) {
        entries_.erase(it);
        return std::nullopt;
    }
    it->second.lastUse = now;
    return it->second.user;
}

bool SignIns::Live(const std::string& key)
{
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) return false;
    const auto now = clock_();
    if (Expired(it->second, now)) {
        entries_.erase(it);
        return false;
    }
    it->second.lastUse = now;
    return true;
}

void SignIns::End(const std::string& token)
{
    const std::string key = KeyOf(token);
    std::lock_guard lock(mutex_);
    entries_.erase(key);
}

std::size_t SignIns::Count()
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

} // namespace Talvex::Web
