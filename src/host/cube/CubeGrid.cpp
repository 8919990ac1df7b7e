#include "host/cube/CubeGrid.hpp"

#include "host/cube/Engine.hpp"
#include "host/cube/FormulaError.hpp"
#include "host/types/Errors.hpp"

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

std::optional<double> CubeGrid::FactOf(std::size_t cell, const Fact& fact, int depth) const
{
    if (fact.IsCalculated()) {
        if (depth > kMaxFormulaDepth)
            throw FormulaError("formula \"" + fact.Formula()->Text() + "\" of fact \"" + fact.Name() +
                               "\": nested too deeply");
        return fact.Formula()->Evaluate([&](const std::string& name) { return FactValueAt(cell, name, depth + 1); });
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
