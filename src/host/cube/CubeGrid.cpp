#include "host/cube/CubeGrid.hpp"

#include "host/cube/Dimension.hpp"
#include "host/cube/Engine.hpp"
#include "host/cube/FormulaError.hpp"
#include "host/types/Errors.hpp"

#include <map>

namespace Talvex::Cube {

namespace {

// Formulas may build on formulas; a chain deeper than this means a definition loops.
constexpr int kMaxFormulaDepth = 64;

} // namespace

std::optional<std::size_t> CubeGrid::Find(const std::vector<AxisHeader>& headers,
                                          const std::vector<const Dimension*>& dims, const std::vector<Value>& members)
{
    if (members.size() > dims.size()) return std::nullopt;
    std::vector<std::uint32_t> codes;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const auto code = dims[i]->CodeOf(members[i]);
        if (code >= dims[i]->MemberCount()) return std::nullopt;
        codes.push_back(code);
    }
    for (std::size_t i = 0; i < headers.size(); ++i)
        if (headers[i].Codes == codes) return i;
    return std::nullopt;
}

std::optional<std::size_t> CubeGrid::FindRow(const std::vector<Value>& members) const
{
    return Find(rowHeaders_, rowDims_, members);
}

std::optional<std::size_t> CubeGrid::FindColHeader(const std::vector<Value>& members) const
{
    return Find(colHeaders_, colDims_, members);
}

std::size_t CubeGrid::ColumnOf(std::size_t colHeader, std::string_view factName) const
{
    for (std::size_t f = 0; f < facts_.size(); ++f)
        if (facts_[f]->Name() == factName) return colHeader * facts_.size() + f;
    throw ValueError("grid: fact \"" + std::string(factName) + "\" is not shown");
}

GridCell CubeGrid::Cell(std::size_t row, std::size_t col) const
{
    if (row >= RowCount() || col >= ColCount())
        throw ValueError("grid: no cell at row " + std::to_string(row) + ", column " + std::to_string(col));
    return GridCell(*this, row, col);
}

std::optional<double> CubeGrid::FactValue(std::size_t rowHeader, std::size_t colHeader, std::string_view factName) const
{
    return FactValueAt(rowHeader * colHeaders_.size() + colHeader, factName, 0);
}

std::optional<double> CubeGrid::FactValueAt(std::size_t cell, std::string_view name, int depth) const
{
    const auto& facts = engine_->Facts();
    const auto index = facts.IndexOf(name);
    if (index < facts.Count()) return FactOf(cell, facts.Item(index), depth);
    const auto base = engine_->BaseFacts().IndexOf(name);
    if (base == baseCount_) throw ValueError("grid: no fact \"" + std::string(name) + "\"");
    if (counts_[cell] == 0) return std::nullopt;
    return sums_[cell * baseCount_ + base];
}

// A formula's view of one cell of the grid.
class CubeGrid::CellContext : public Formula::Context {
public:
    CellContext(const CubeGrid& grid, std::size_t cell, int depth) : grid_(grid), cell_(cell), depth_(depth) {}

    std::optional<double> Value(const std::string& name, int offset) const override
    {
        if (offset == 0) return grid_.FactValueAt(cell_, name, depth_ + 1);
        const auto colHeaders = grid_.colHeaders_.size();
        std::size_t row = cell_ / colHeaders;
        std::size_t col = cell_ % colHeaders;
        const bool columns = grid_.PositionsAlongColumns();
        const auto neighbour = grid_.NeighbourOf(columns, columns ? col : row, offset);
        if (!neighbour) return std::nullopt;
        (columns ? col : row) = *neighbour;
        return grid_.FactValueAt(row * colHeaders + col, name, depth_ + 1);
    }
    bool IsTotal() const override
    {
        const auto colHeaders = grid_.colHeaders_.size();
        return grid_.IsTotalAt(cell_ / colHeaders, cell_ % colHeaders);
    }
    const Functions* UserFunctions() const override { return &grid_.engine_->UserFunctions(); }

private:
    const CubeGrid& grid_;
    std::size_t cell_;
    int depth_;
};

std::optional<double> CubeGrid::EvaluateAt(const Formula& formula, std::size_t rowHeader, std::size_t colHeader) const
{
    return formula.Evaluate(CellContext(*this, rowHeader * colHeaders_.size() + colHeader, 0));
}

bool CubeGrid::IsTotalAt(std::size_t rowHeader, std::size_t colHeader) const
{
    auto isTotal = [](const AxisHeader& header, std::size_t dims) {
        return header.Codes.size() < dims && (header.Expanded || header.Codes.empty());
    };
    return isTotal(rowHeaders_.at(rowHeader), rowDims_.size()) || isTotal(colHeaders_.at(colHeader), colDims_.size());
}

bool CubeGrid::PositionsAlongColumns() const
{
    auto holdsPeriod = [](const std::vector<const Dimension*>& dims) {
        for (const auto* dim : dims)
            if (dim->IsCalculated()) return true;
        return false;
    };
    if (holdsPeriod(colDims_)) return true;
    if (holdsPeriod(rowDims_)) return false;
    return !colDims_.empty();
}

std::optional<std::size_t> CubeGrid::NeighbourOf(bool columns, std::size_t header, int offset) const
{
    const int axis = columns ? 1 : 0;
    const auto& headers = columns ? colHeaders_ : rowHeaders_;
    if (!siblingsKnown_[axis]) {
        // Headers come in member order, so the last header seen with the same outer members
        // and the same level is the previous sibling.
        auto& prev = prevSibling_[axis];
        auto& next = nextSibling_[axis];
        prev.assign(headers.size(), -1);
        next.assign(headers.size(), -1);
        std::map<std::vector<std::uint32_t>, std::size_t> lastOf;
        for (std::size_t i = 0; i < headers.size(); ++i) {
            const auto& codes = headers[i].Codes;
            if (codes.empty()) continue;
            std::vector<std::uint32_t> key(codes.begin(), codes.end() - 1);
            key.push_back(static_cast<std::uint32_t>(codes.size()));
            const auto [it, inserted] = lastOf.try_emplace(std::move(key), i);
            if (!inserted) {
                prev[i] = static_cast<std::int64_t>(it->second);
                next[it->second] = static_cast<std::int64_t>(i);
                it->second = i;
            }
        }
        siblingsKnown_[axis] = true;
    }
    std::int64_t at = static_cast<std::int64_t>(header);
    for (int step = 0; step < std::abs(offset) && at >= 0; ++step)
        at = offset < 0 ? prevSibling_[axis][static_cast<std::size_t>(at)]
                        : nextSibling_[axis][static_cast<std::size_t>(at)];
    if (at < 0) return std::nullopt;
    return static_cast<std::size_t>(at);
}

std::optional<double> CubeGrid::FactOf(std::size_t cell, const Fact& fact, int depth) const
{
    if (fact.IsCalculated()) {
        if (depth > kMaxFormulaDepth)
            throw FormulaError("formula \"" + fact.Formula()->Text() + "\" of fact \"" + fact.Name() +
                               "\": nested too deeply");
        try {
            return fact.Formula()->Evaluate(CellContext(*this, cell, depth));
        } catch (const FormulaError& e) {
            // The innermost fact names itself; the ones that read it add nothing.
            const std::string message = e.what();
            if (message.find("fact \"") != std::string::npos) throw;
            throw FormulaError(message + " (fact \"" + fact.Name() + "\")");
        }
    }
    const auto count = counts_[cell];
    if (count == 0) return std::nullopt;
    for (const auto& [lastFact, values] : lasts_)
        if (lastFact == &fact) return values[cell];
    const auto at = cell * baseCount_ + engine_->BaseFacts().IndexOf(fact.BaseFact());
    switch (fact.Aggregation()) {
    case Aggregation::Sum: return sums_[at];
    case Aggregation::Count: return static_cast<double>(count);
    case Aggregation::Min: return mins_[at];
    case Aggregation::Max: return maxs_[at];
    case Aggregation::Average: return sums_[at] / static_cast<double>(count);
    }
    return std::nullopt;
}

} // namespace Talvex::Cube
