#include "host/cube/Engine.hpp"

#include "host/cube/internal/MemberKey.hpp"
#include "host/cube/internal/Units.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <limits>
#include <map>
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

// The units folded into leaf groups: one group per combination of members of the shown row
// and column dimensions that some unit has. A group's key is the mixed-radix number of its
// member codes, row dimensions first; its sums, least and greatest values are stored base
// fact by base fact.
struct Engine::LeafGroups {
    std::vector<const Dimension*> keyed; // row dimensions, then column dimensions
    std::vector<std::uint32_t> radix;
    std::vector<std::uint64_t> stride;
    std::size_t baseCount = 0;
    std::vector<std::uint64_t> key;
    std::vector<std::uint64_t> count;
    std::vector<double> sum, min, max;
    std::vector<std::int64_t> unitGroup; // per unit its group, -1 when a selection drops it

    LeafGroups(const std::vector<const Dimension*>& rowDims, const std::vector<const Dimension*>& colDims,
               std::size_t baseFactCount)
        : keyed(rowDims), baseCount(baseFactCount)
    {
        keyed.insert(keyed.end(), colDims.begin(), colDims.end());
        std::uint64_t space = 1;
        for (const auto* dim : keyed) {
            radix.push_back(static_cast<std::uint32_t>(std::max<std::size_t>(1, dim->MemberCount())));
            stride.push_back(space);
            space = CheckedProduct(space, radix.back());
        }
        keySpace_ = space;
        if (keySpace_ <= kDenseLimit) denseSlot_.assign(keySpace_, -1);
    }

    std::size_t Count() const { return key.size(); }

    // The member code of a group on the keyed dimension at position i.
    std::uint32_t Code(std::size_t group, std::size_t i) const
    {
        return static_cast<std::uint32_t>((key[group] / stride[i]) % radix[i]);
    }

    // The group of a key, added empty when it is new.
    std::size_t SlotOf(std::uint64_t groupKey)
    {
        const std::size_t slot = key.size();
        if (keySpace_ <= kDenseLimit) {
            auto& entry = denseSlot_[groupKey];
            if (entry >= 0) return static_cast<std::size_t>(entry);
            entry = static_cast<std::int32_t>(slot);
        } else {
            const auto [it, inserted] = sparseSlot_.try_emplace(groupKey, static_cast<std::uint32_t>(slot));
            if (!inserted) return it->second;
        }
        key.push_back(groupKey);
        count.push_back(0);
        sum.resize(sum.size() + baseCount, 0.0);
        min.resize(min.size() + baseCount, std::numeric_limits<double>::infinity());
        max.resize(max.size() + baseCount, -std::numeric_limits<double>::infinity());
        return slot;
    }

private:
    std::uint64_t keySpace_ = 1;
    std::vector<std::int32_t> denseSlot_;
    std::unordered_map<std::uint64_t, std::uint32_t> sparseSlot_;
};

const CubeGrid& Engine::Grid() const
{
    if (!active_) throw ValueError("Engine: the grid is computed once the engine is active");
    if (!gridValid_) ComputeGrid();
    return grid_;
}

// The layout's grid: the units folded into leaf groups by the shown dimensions, the headers
// of both axes, and every group added to its cell and to the subtotals and totals above it.
void Engine::ComputeGrid() const
{
    CubeGrid grid;
    grid.engine_ = this;
    grid.rowDims_ = ShownDimensions(Axis::Rows);
    grid.colDims_ = ShownDimensions(Axis::Columns);
    for (std::size_t i = 0; i < facts_.Count(); ++i) {
        const auto& fact = facts_.Item(i);
        if (fact.FactVisible && fact.FactEnabled) grid.facts_.push_back(&fact);
    }
    grid.baseCount_ = baseFacts_.Count();
    LeafGroups groups(grid.rowDims_, grid.colDims_, grid.baseCount_);
    FoldUnits(groups);
    std::vector<std::uint32_t> rowHeaderOf, colHeaderOf;
    grid.rowHeaders_ = HeadersOf(Axis::Rows, groups, 0, grid.rowDims_, rowHeaderOf);
    grid.colHeaders_ = HeadersOf(Axis::Columns, groups, grid.rowDims_.size(), grid.colDims_, colHeaderOf);
    AddGroupsToCells(grid, groups, rowHeaderOf, colHeaderOf);
    FoldLastValues(grid, groups, rowHeaderOf, colHeaderOf);
    grid_ = std::move(grid);
    gridValid_ = true;
}

// The dimensions of an axis down to its drill-down level; all of them when the level is -1
// or a member is expanded past it.
std::vector<const Dimension*> Engine::ShownDimensions(Axis axis) const
{
    const auto& onAxis = dims_.OnAxis(axis);
    const int level = drillDown_[static_cast<int>(axis)];
    const bool full = level < 0 || !toggled_[static_cast<int>(axis)].empty();
    const auto depth = full ? onAxis.size() : std::min(onAxis.size(), static_cast<std::size_t>(level) + 1);
    return std::vector<const Dimension*>(onAxis.begin(), onAxis.begin() + static_cast<std::ptrdiff_t>(depth));
}

// Least and greatest values cost two comparisons per row and fact; they are folded only when
// some fact shows them.
bool Engine::FoldsExtremes() const
{
    for (std::size_t i = 0; i < facts_.Count(); ++i) {
        const auto kind = facts_.Item(i).Aggregation();
        if (!facts_.Item(i).IsCalculated() && (kind == Aggregation::Min || kind == Aggregation::Max)) return true;
    }
    return false;
}

// Adds every unit whose members the selections keep to its leaf group.
void Engine::FoldUnits(LeafGroups& groups) const
{
    const auto& units = *units_;
    std::vector<const std::uint32_t*> keyCodes;
    for (const auto* dim : groups.keyed) {
        std::size_t index = 0;
        while (index < dims_.Count() && &dims_.Item(index) != dim)
            ++index;
        keyCodes.push_back(units.codes[index]);
    }
    const auto masks = SelectionMasks();
    std::vector<std::pair<const std::uint32_t*, const std::vector<char>*>> filters;
    for (std::size_t i = 0; i < masks.size(); ++i)
        if (!masks[i].empty()) filters.emplace_back(units.codes[i], &masks[i]);
    const bool foldExtremes = FoldsExtremes();
    const std::size_t baseCount = groups.baseCount;
    const std::size_t keyedCount = keyCodes.size();
    groups.unitGroup.assign(units.count, -1);
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
            key += keyCodes[i][u] * groups.stride[i];
        const auto g = groups.SlotOf(key);
        groups.unitGroup[u] = static_cast<std::int64_t>(g);
        groups.count[g] += units.rowCounts ? units.rowCounts[u] : 1;
        double* sum = &groups.sum[g * baseCount];
        for (std::size_t b = 0; b < baseCount; ++b)
            sum[b] += units.sums[b][u];
        if (foldExtremes) {
            double* lo = &groups.min[g * baseCount];
            double* hi = &groups.max[g * baseCount];
            for (std::size_t b = 0; b < baseCount; ++b) {
                lo[b] = std::min(lo[b], units.mins[b][u]);
                hi[b] = std::max(hi[b], units.maxs[b][u]);
            }
        }
    }
}

// The headers of one axis from the groups' member codes on its shown dimensions (the keyed
// dimensions from firstKeyed on), in member order, without those under collapsed members.
std::vector<AxisHeader> Engine::HeadersOf(Axis axis, const LeafGroups& groups, std::size_t firstKeyed,
                                          const std::vector<const Dimension*>& shown,
                                          std::vector<std::uint32_t>& headerOf) const
{
    const std::size_t depth = shown.size();
    std::vector<std::vector<std::uint32_t>> codes(depth, std::vector<std::uint32_t>(groups.Count()));
    std::vector<std::vector<std::uint32_t>> ranks;
    for (std::size_t i = 0; i < depth; ++i) {
        for (std::size_t g = 0; g < groups.Count(); ++g)
            codes[i][g] = groups.Code(g, firstKeyed + i);
        ranks.push_back(RankOf(*shown[i], shown[i]->order_, shown[i]->descending_));
    }
    const auto radixBegin = groups.radix.begin() + static_cast<std::ptrdiff_t>(firstKeyed);
    const std::vector<std::uint32_t> radix(radixBegin, radixBegin + static_cast<std::ptrdiff_t>(depth));
    std::vector<AxisHeader> headers = BuildHeaders(groups.Count(), codes, radix, ranks, headerOf);
    MarkExpansion(axis, headers, headerOf, shown);
    return headers;
}

// Every group adds to its leaf cell and to each subtotal and total above it that shows.
void Engine::AddGroupsToCells(CubeGrid& grid, const LeafGroups& groups, const std::vector<std::uint32_t>& rowHeaderOf,
                              const std::vector<std::uint32_t>& colHeaderOf)
{
    const std::size_t baseCount = groups.baseCount;
    const std::size_t rowDepth = grid.rowDims_.size();
    const std::size_t colDepth = grid.colDims_.size();
    const std::size_t cols = grid.colHeaders_.size();
    const std::size_t cells = grid.rowHeaders_.size() * cols;
    grid.counts_.assign(cells, 0);
    grid.sums_.assign(cells * baseCount, 0.0);
    grid.mins_.assign(cells * baseCount, std::numeric_limits<double>::infinity());
    grid.maxs_.assign(cells * baseCount, -std::numeric_limits<double>::infinity());
    for (std::size_t g = 0; g < groups.Count(); ++g) {
        for (std::size_t r = 0; r <= rowDepth; ++r) {
            const auto row = rowHeaderOf[g * (rowDepth + 1) + r];
            if (row == kHiddenHeader) continue;
            for (std::size_t c = 0; c <= colDepth; ++c) {
                const auto col = colHeaderOf[g * (colDepth + 1) + c];
                if (col == kHiddenHeader) continue;
                const auto cell = std::size_t{row} * cols + col;
                grid.counts_[cell] += groups.count[g];
                for (std::size_t b = 0; b < baseCount; ++b) {
                    grid.sums_[cell * baseCount + b] += groups.sum[g * baseCount + b];
                    grid.mins_[cell * baseCount + b] =
                        std::min(grid.mins_[cell * baseCount + b], groups.min[g * baseCount + b]);
                    grid.maxs_[cell * baseCount + b] =
                        std::max(grid.maxs_[cell * baseCount + b], groups.max[g * baseCount + b]);
                }
            }
        }
    }
}

// A fact taken last over some dimensions is a rest: within a cell, each series (the rows
// that agree on every other dimension) counts with its value at its own latest combination
// of those dimensions, and the series add up.
void Engine::FoldLastValues(CubeGrid& grid, const LeafGroups& groups, const std::vector<std::uint32_t>& rowHeaderOf,
                            const std::vector<std::uint32_t>& colHeaderOf) const
{
    const auto& units = *units_;
    const std::size_t rowDepth = grid.rowDims_.size();
    const std::size_t colDepth = grid.colDims_.size();
    const std::size_t cols = grid.colHeaders_.size();
    const std::size_t cells = grid.rowHeaders_.size() * cols;
    for (const Fact* fact : grid.facts_) {
        if (fact->IsCalculated() || fact->LastOverDims().empty()) continue;
        // Each unit's place in key order on the named dimensions, outer first.
        std::vector<const std::uint32_t*> codes;
        std::vector<std::vector<std::uint32_t>> ranks;
        std::vector<char> isLast(dims_.Count(), 0);
        for (const auto& name : fact->LastOverDims()) {
            std::size_t index = 0;
            while (index < dims_.Count() && dims_.Item(index).Name() != name)
                ++index;
            if (index == dims_.Count())
                throw ValueError("fact \"" + fact->Name() + "\": no dimension \"" + name + "\" to take it last over");
            isLast[index] = 1;
            codes.push_back(units.codes[index]);
            ranks.push_back(RankOf(dims_.Item(index), Dimension::Order::ByKey, false));
        }
        auto later = [&](std::size_t a, std::size_t b) { // is unit a's combination after unit b's?
            for (std::size_t i = 0; i < codes.size(); ++i) {
                const auto ra = ranks[i][codes[i][a]], rb = ranks[i][codes[i][b]];
                if (ra != rb) return ra > rb;
            }
            return false;
        };
        // The series of each unit: its members on every other dimension.
        std::vector<std::uint32_t> seriesOf(units.count);
        {
            std::map<std::vector<std::uint32_t>, std::uint32_t> ids;
            std::vector<std::uint32_t> members;
            for (std::size_t u = 0; u < units.count; ++u) {
                members.clear();
                for (std::size_t d = 0; d < dims_.Count(); ++d)
                    if (!isLast[d]) members.push_back(units.codes[d][u]);
                seriesOf[u] = ids.try_emplace(members, static_cast<std::uint32_t>(ids.size())).first->second;
            }
        }
        struct Latest {
            std::size_t unit;
            double value;
        };
        std::vector<std::unordered_map<std::uint32_t, Latest>> latest(cells);
        const auto base = baseFacts_.IndexOf(fact->BaseFact());
        for (std::size_t u = 0; u < units.count; ++u) {
            const auto g = groups.unitGroup[u];
            if (g < 0) continue;
            const double value = units.sums[base][u];
            for (std::size_t r = 0; r <= rowDepth; ++r) {
                const auto row = rowHeaderOf[static_cast<std::size_t>(g) * (rowDepth + 1) + r];
                if (row == kHiddenHeader) continue;
                for (std::size_t c = 0; c <= colDepth; ++c) {
                    const auto col = colHeaderOf[static_cast<std::size_t>(g) * (colDepth + 1) + c];
                    if (col == kHiddenHeader) continue;
                    auto [it, added] = latest[std::size_t{row} * cols + col].try_emplace(seriesOf[u], Latest{u, value});
                    if (added) continue;
                    if (later(u, it->second.unit))
                        it->second = Latest{u, value};
                    else if (!later(it->second.unit, u))
                        it->second.value += value; // the same latest combination
                }
            }
        }
        std::vector<double> values(cells, 0.0);
        for (std::size_t cell = 0; cell < cells; ++cell)
            for (const auto& [series, last] : latest[cell])
                values[cell] += last.value;
        grid.lasts_.emplace_back(fact, std::move(values));
    }
}

} // namespace Talvex::Cube
