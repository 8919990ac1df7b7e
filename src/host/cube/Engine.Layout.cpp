#include "host/cube/Engine.hpp"

#include "host/cube/internal/MemberKey.hpp"
#include "host/cube/internal/Units.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <limits>
#include <numeric>
#include <unordered_map>

namespace Talvex::Cube {

namespace {

// Up to this many member combinations the leaf groups are found through a plain array
// indexed by the combination; beyond it, through a hash table.
constexpr std::uint64_t kDenseLimit = std::uint64_t{1} << 22;

// The header index of a group's prefix whose header a collapsed member hides.
constexpr std::uint32_t kHiddenHeader = 0xFFFFFFFFu;

std::uint64_t CheckedProduct(std::uint64_t a, std::uint64_t b)
{
    std::uint64_t out = 0;
    if (__builtin_mul_overflow(a, b, &out)) throw ValueError("Engine: too many member combinations in this layout");
    return out;
}

// Display position of each member code, by key or by text, ascending or descending.
std::vector<std::uint32_t> RankOf(const Dimension& dim, Dimension::Order order, bool descending)
{
    std::vector<std::uint32_t> byPosition(dim.MemberCount());
    std::iota(byPosition.begin(), byPosition.end(), 0u);
    std::stable_sort(byPosition.begin(), byPosition.end(), [&](std::uint32_t a, std::uint32_t b) {
        int c = 0;
        if (order == Dimension::Order::ByText) c = dim.MemberText(a).compare(dim.MemberText(b));
        if (c == 0) c = Internal::CompareKeys(dim.Member(a), dim.Member(b));
        return descending ? c > 0 : c < 0;
    });
    std::vector<std::uint32_t> rank(byPosition.size());
    for (std::uint32_t i = 0; i < byPosition.size(); ++i)
        rank[byPosition[i]] = i;
    return rank;
}

// The headers of one axis: every prefix of every leaf tuple that occurs, sorted with each
// subtotal after its members and the grand total last. Fills the header index of each
// group at each level (group * (depth + 1) + level).
std::vector<AxisHeader> BuildHeaders(std::size_t groupCount, const std::vector<std::vector<std::uint32_t>>& groupCodes,
                                     const std::vector<std::uint32_t>& radix,
                                     const std::vector<std::vector<std::uint32_t>>& ranks,
                                     std::vector<std::uint32_t>& headerOf)
{
    const std::size_t depth = radix.size();
    // Prefix keys: radix + 1 per dimension, the extra code standing for "all members".
    std::vector<std::uint64_t> stride(depth, 1);
    std::uint64_t space = 1;
    for (std::size_t i = 0; i < depth; ++i) {
        stride[i] = space;
        space = CheckedProduct(space, std::uint64_t{radix[i]} + 1);
    }
    std::unordered_map<std::uint64_t, std::uint32_t> indexOf;
    std::vector<AxisHeader> headers;
    headerOf.assign(groupCount * (depth + 1), 0);
    for (std::size_t g = 0; g < groupCount; ++g) {
        for (std::size_t level = 0; level <= depth; ++level) {
            std::uint64_t key = 0;
            for (std::size_t i = 0; i < depth; ++i)
                key += (i < level ? groupCodes[i][g] : radix[i]) * stride[i];
            const auto [it, inserted] = indexOf.try_emplace(key, static_cast<std::uint32_t>(headers.size()));
            if (inserted) {
                AxisHeader header;
                for (std::size_t i = 0; i < level; ++i)
                    header.Codes.push_back(groupCodes[i][g]);
                headers.push_back(std::move(header));
            }
            headerOf[g * (depth + 1) + level] = it->second;
        }
    }
    if (headers.empty()) headers.push_back(AxisHeader{}); // the grand total of no rows
    std::vector<std::uint32_t> order(headers.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const auto& ca = headers[a].Codes;
        const auto& cb = headers[b].Codes;
        const auto common = std::min(ca.size(), cb.size());
        for (std::size_t i = 0; i < common; ++i)
            if (ca[i] != cb[i]) return ranks[i][ca[i]] < ranks[i][cb[i]];
        return ca.size() > cb.size(); // members before their subtotal
    });
    std::vector<std::uint32_t> newIndex(headers.size());
    std::vector<AxisHeader> sorted;
    sorted.reserve(headers.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        newIndex[order[i]] = i;
        sorted.push_back(std::move(headers[order[i]]));
    }
    for (auto& index : headerOf)
        index = newIndex[index];
    return sorted;
}

} // namespace

void Engine::MarkExpansion(Axis axis, std::vector<AxisHeader>& headers, std::vector<std::uint32_t>& headerOf,
                           const std::vector<const Dimension*>& shown) const
{
    const std::size_t depth = shown.size();
    const int level = drillDown_[static_cast<int>(axis)];
    const auto& toggled = toggled_[static_cast<int>(axis)];
    if (toggled.empty()) {
        // The level alone decides: every header shorter than the shown depth is a subtotal.
        for (auto& header : headers)
            header.Expanded = !header.Codes.empty() && header.Codes.size() < depth;
        return;
    }
    // The members whose expansion differs from the level, as codes of the shown dimensions.
    std::vector<std::vector<std::uint32_t>> flipped;
    for (const auto& keys : toggled) {
        if (keys.size() >= depth) continue;
        std::vector<std::uint32_t> codes;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto code = shown[i]->CodeOf(keys[i]);
            if (code >= shown[i]->MemberCount()) break;
            codes.push_back(code);
        }
        if (codes.size() == keys.size()) flipped.push_back(std::move(codes));
    }
    auto expanded = [&](const std::vector<std::uint32_t>& codes, std::size_t length) {
        if (length == 0 || length >= depth) return false;
        const bool byLevel = level < 0 || static_cast<int>(length) <= level;
        const bool isFlipped = std::any_of(flipped.begin(), flipped.end(), [&](const auto& f) {
            return f.size() == length && std::equal(f.begin(), f.end(), codes.begin());
        });
        return byLevel != isFlipped;
    };
    // A header shows when every member above it is expanded.
    std::vector<std::uint32_t> newIndex(headers.size(), kHiddenHeader);
    std::vector<AxisHeader> kept;
    for (std::size_t h = 0; h < headers.size(); ++h) {
        auto& header = headers[h];
        bool visible = true;
        for (std::size_t p = 1; p < header.Codes.size() && visible; ++p)
            visible = expanded(header.Codes, p);
        if (!visible) continue;
        header.Expanded = expanded(header.Codes, header.Codes.size());
        newIndex[h] = static_cast<std::uint32_t>(kept.size());
        kept.push_back(std::move(header));
    }
    headers = std::move(kept);
    for (auto& index : headerOf)
        index = newIndex[index];
}

const CubeGrid& Engine::Grid() const
{
    if (!active_) throw ValueError("Engine: the grid is computed once the engine is active");
    if (!gridValid_) ComputeGrid();
    return grid_;
}

void Engine::ComputeGrid() const
{
    CubeGrid grid;
    grid.engine_ = this;
    auto expanded = [&](Axis axis) {
        const auto& onAxis = dims_.OnAxis(axis);
        const int level = drillDown_[static_cast<int>(axis)];
        // A member expanded past the level needs every dimension of the axis folded.
        const bool full = level < 0 || !toggled_[static_cast<int>(axis)].empty();
        const auto depth = full ? onAxis.size() : std::min(onAxis.size(), static_cast<std::size_t>(level) + 1);
        return std::vector<const Dimension*>(onAxis.begin(), onAxis.begin() + static_cast<std::ptrdiff_t>(depth));
    };
    grid.rowDims_ = expanded(Axis::Rows);
    grid.colDims_ = expanded(Axis::Columns);
    for (std::size_t i = 0; i < facts_.Count(); ++i) {
        const auto& fact = facts_.Item(i);
        if (fact.FactVisible && fact.FactEnabled) grid.facts_.push_back(&fact);
    }
    const std::size_t baseCount = baseFacts_.Count();
    grid.baseCount_ = baseCount;
    const auto& units = *units_;

    auto indexOfDim = [&](const Dimension* dim) {
        for (std::size_t i = 0; i < dims_.Count(); ++i)
            if (&dims_.Item(i) == dim) return i;
        return dims_.Count();
    };

    // The dimensions a leaf group is keyed by: row dimensions, then column dimensions.
    std::vector<const Dimension*> keyed = grid.rowDims_;
    keyed.insert(keyed.end(), grid.colDims_.begin(), grid.colDims_.end());
    std::vector<const std::uint32_t*> keyCodes;
    std::vector<std::uint32_t> radix;
    std::vector<std::uint64_t> stride;
    std::uint64_t space = 1;
    for (const auto* dim : keyed) {
        keyCodes.push_back(units.codes[indexOfDim(dim)]);
        radix.push_back(static_cast<std::uint32_t>(std::max<std::size_t>(1, dim->MemberCount())));
        stride.push_back(space);
        space = CheckedProduct(space, radix.back());
    }
    const auto masks = SelectionMasks();
    std::vector<std::pair<const std::uint32_t*, const std::vector<char>*>> filters;
    for (std::size_t i = 0; i < masks.size(); ++i)
        if (!masks[i].empty()) filters.emplace_back(units.codes[i], &masks[i]);

    // Fold the units into leaf groups.
    std::vector<std::uint64_t> groupKey;
    std::vector<std::uint64_t> groupCount;
    std::vector<double> groupSum, groupMin, groupMax;
    const bool dense = space <= kDenseLimit;
    std::vector<std::int32_t> denseSlot(dense ? space : 0, -1);
    std::unordered_map<std::uint64_t, std::uint32_t> sparseSlot;
    auto slotOf = [&](std::uint64_t key) -> std::size_t {
        std::size_t slot = groupKey.size();
        if (dense) {
            auto& entry = denseSlot[key];
            if (entry >= 0) return static_cast<std::size_t>(entry);
            entry = static_cast<std::int32_t>(slot);
        } else {
            const auto [it, inserted] = sparseSlot.try_emplace(key, static_cast<std::uint32_t>(slot));
            if (!inserted) return it->second;
        }
        groupKey.push_back(key);
        groupCount.push_back(0);
        groupSum.resize(groupSum.size() + baseCount, 0.0);
        groupMin.resize(groupMin.size() + baseCount, std::numeric_limits<double>::infinity());
        groupMax.resize(groupMax.size() + baseCount, -std::numeric_limits<double>::infinity());
        return slot;
    };
    // Least and greatest values cost two comparisons per row and fact; fold them only when
    // some fact shows them.
    bool foldExtremes = false;
    for (std::size_t i = 0; i < facts_.Count(); ++i) {
        const auto kind = facts_.Item(i).Aggregation();
        if (!facts_.Item(i).IsCalculated() && (kind == Aggregation::Min || kind == Aggregation::Max))
            foldExtremes = true;
    }
    const std::size_t keyedCount = keyed.size();
    for (std::size_t u = 0; u < units.count; ++u) {
        bool selected = true;
        for (const auto& [codes, mask] : filters)
            if (!(*mask)[codes[u]]) {
                selected = false;
                break;
            }
        if (!selected) continue;
        std::uint64_t key = 0;
        for (std::size_t i = 0; i < keyedCount; ++i)
            key += keyCodes[i][u] * stride[i];
        const auto g = slotOf(key);
        groupCount[g] += units.rowCounts ? units.rowCounts[u] : 1;
        double* sum = &groupSum[g * baseCount];
        double* lo = &groupMin[g * baseCount];
        double* hi = &groupMax[g * baseCount];
        for (std::size_t b = 0; b < baseCount; ++b)
            sum[b] += units.sums[b][u];
        if (foldExtremes) {
            for (std::size_t b = 0; b < baseCount; ++b) {
                lo[b] = std::min(lo[b], units.mins[b][u]);
                hi[b] = std::max(hi[b], units.maxs[b][u]);
            }
        }
    }

    // Headers of each axis from the groups' member codes.
    const std::size_t groups = groupKey.size();
    const std::size_t rowDepth = grid.rowDims_.size();
    const std::size_t colDepth = grid.colDims_.size();
    std::vector<std::vector<std::uint32_t>> rowCodes(rowDepth, std::vector<std::uint32_t>(groups));
    std::vector<std::vector<std::uint32_t>> colCodes(colDepth, std::vector<std::uint32_t>(groups));
    for (std::size_t g = 0; g < groups; ++g) {
        for (std::size_t i = 0; i < keyedCount; ++i) {
            const auto code = static_cast<std::uint32_t>((groupKey[g] / stride[i]) % radix[i]);
            if (i < rowDepth)
                rowCodes[i][g] = code;
            else
                colCodes[i - rowDepth][g] = code;
        }
    }
    std::vector<std::vector<std::uint32_t>> ranks;
    for (const auto* dim : keyed)
        ranks.push_back(RankOf(*dim, dim->order_, dim->descending_));
    const std::vector<std::vector<std::uint32_t>> rowRanks(ranks.begin(),
                                                           ranks.begin() + static_cast<std::ptrdiff_t>(rowDepth));
    const std::vector<std::vector<std::uint32_t>> colRanks(ranks.begin() + static_cast<std::ptrdiff_t>(rowDepth),
                                                           ranks.end());
    std::vector<std::uint32_t> rowHeaderOf, colHeaderOf;
    grid.rowHeaders_ =
        BuildHeaders(groups, rowCodes,
                     std::vector<std::uint32_t>(radix.begin(), radix.begin() + static_cast<std::ptrdiff_t>(rowDepth)),
                     rowRanks, rowHeaderOf);
    grid.colHeaders_ =
        BuildHeaders(groups, colCodes,
                     std::vector<std::uint32_t>(radix.begin() + static_cast<std::ptrdiff_t>(rowDepth), radix.end()),
                     colRanks, colHeaderOf);

    MarkExpansion(Axis::Rows, grid.rowHeaders_, rowHeaderOf, grid.rowDims_);
    MarkExpansion(Axis::Columns, grid.colHeaders_, colHeaderOf, grid.colDims_);

    // Every group adds to its leaf cell and to each subtotal and total above it.
    const std::size_t cols = grid.colHeaders_.size();
    const std::size_t cells = grid.rowHeaders_.size() * cols;
    grid.counts_.assign(cells, 0);
    grid.sums_.assign(cells * baseCount, 0.0);
    grid.mins_.assign(cells * baseCount, std::numeric_limits<double>::infinity());
    grid.maxs_.assign(cells * baseCount, -std::numeric_limits<double>::infinity());
    for (std::size_t g = 0; g < groups; ++g) {
        for (std::size_t r = 0; r <= rowDepth; ++r) {
            const auto row = rowHeaderOf[g * (rowDepth + 1) + r];
            if (row == kHiddenHeader) continue;
            for (std::size_t c = 0; c <= colDepth; ++c) {
                const auto col = colHeaderOf[g * (colDepth + 1) + c];
                if (col == kHiddenHeader) continue;
                const auto cell = std::size_t{row} * cols + col;
                grid.counts_[cell] += groupCount[g];
                for (std::size_t b = 0; b < baseCount; ++b) {
                    grid.sums_[cell * baseCount + b] += groupSum[g * baseCount + b];
                    grid.mins_[cell * baseCount + b] =
                        std::min(grid.mins_[cell * baseCount + b], groupMin[g * baseCount + b]);
                    grid.maxs_[cell * baseCount + b] =
                        std::max(grid.maxs_[cell * baseCount + b], groupMax[g * baseCount + b]);
                }
            }
        }
    }
    grid_ = std::move(grid);
    gridValid_ = true;
}

} // namespace Talvex::Cube
