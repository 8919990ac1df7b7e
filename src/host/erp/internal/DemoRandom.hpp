#pragma once

#include <cstdint>
#include <vector>

namespace Talvex::Erp::Demo {

// The demo company's only source of chance: xoshiro256** seeded through splitmix64, so the
// same seed gives the same company on every machine and compiler (no library distributions,
// whose results differ between standard libraries).
class DemoRandom {
public:
    explicit DemoRandom(std::uint64_t seed)
    {
        for (auto& word : state_) {
            seed += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t Next()
    {
        const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = Rotl(state_[3], 45);
        return result;
    }

    // A whole number from low to high, both included.
    std::int64_t Between(std::int64_t low, std::int64_t high)
    {
        if (high <= low) return low;
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<std::int64_t>(Next() % span);
    }
    int Between(int low, int high) { return static_cast<int>(Between(std::int64_t{low}, std::int64_t{high})); }

    // True with the given chance in percent.
    bool Percent(int chance) { return static_cast<int>(Next() % 100) < chance; }

    // An index into a container of the given size (size > 0).
    std::size_t Index(std::size_t size) { return static_cast<std::size_t>(Next() % size); }

    template <class T> const T& Pick(const std::vector<T>& items) { return items[Index(items.size())]; }

    // A derived generator for an independent part of the company, so that adding draws to one
    // part does not reshuffle the others.
    DemoRandom Fork(std::uint64_t salt) { return DemoRandom(Next() ^ (salt * 0x9E3779B97F4A7C15ULL)); }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t state_[4] = {};
};

} // namespace Talvex::Erp::Demo
