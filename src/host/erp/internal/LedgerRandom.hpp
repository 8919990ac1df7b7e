#pragma once

#include <cstdint>
#include <vector>

namespace Talvex::Erp::Ledger {

// The ledger stage's own random numbers (SplitMix64): the same seed gives the same company on
// every machine and library version, which std::uniform_*_distribution does not promise.
class LedgerRandom {
public:
    explicit LedgerRandom(std::uint64_t seed) : state_(seed ^ 0x4c45444745523031ULL) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // A whole number in [0, bound); bound must be positive.
    std::int64_t Below(std::int64_t bound)
    {
        return static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(bound));
    }

    // A whole number in [low, high].
    std::int64_t Between(std::int64_t low, std::int64_t high) { return low + Below(high - low + 1); }

    // True with the given chance in percent.
    bool Percent(int chance) { return Below(100) < chance; }

    template <typename T> const T& Pick(const std::vector<T>& items)
    {
        return items[static_cast<std::size_t>(Below(static_cast<std::int64_t>(items.size())))];
    }

    // A seed for the SQL side's hash of row ids, below 2^31.
    std::int64_t SqlSalt() { return Below(2147483647); }

private:
    std::uint64_t state_;
};

} // namespace Talvex::Erp::Ledger
