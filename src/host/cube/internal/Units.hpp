#pragma once

#include "host/cube/Engine.hpp"

#include <cstdint>
#include <vector>

namespace Talvex::Cube {

// What a layout is folded from: the source rows themselves, or with PreGrouping the groups
// of rows that agree on every dimension. Columns are indexed like the engine's Dims and
// BaseFacts; for plain rows they point into the dimensions' codes and the measures.
struct Engine::Units {
    std::size_t count = 0;
    std::vector<const std::uint32_t*> codes;
    std::vector<const double*> sums;
    std::vector<const double*> mins;
    std::vector<const double*> maxs;
    const std::uint64_t* rowCounts = nullptr; // null: one row per unit

    std::vector<std::vector<std::uint32_t>> codeStore;
    std::vector<std::vector<double>> sumStore, minStore, maxStore;
    std::vector<std::uint64_t> countStore;
};

} // namespace Talvex::Cube
