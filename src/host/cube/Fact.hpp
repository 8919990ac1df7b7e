#pragma once

#include "host/cube/Conditions.hpp"
#include "host/cube/Formula.hpp"

#include <optional>
#include <string>
#include <vector>

namespace Talvex::Cube {

// How a fact folds the base values of a cell's rows.
enum class Aggregation { Sum, Count, Min, Max, Average };

// How a fact folds along one dimension: added up, or taken at the dimension's last member
// (a rest at the end of a period is not the sum of the rests of its days).
enum class DimAggregation { Sum, Last };

// A figure the grid shows: a base fact folded over the cell's rows, or a formula over other
// facts evaluated at the cell (so a percentage at a total is the total's percentage, not a
// sum of percentages).
class Fact {
public:
    const std::string& Name() const { return name_; }
    std::string Caption;
    const std::string& BaseFact() const { return baseFact_; }
    Cube::Aggregation Aggregation() const { return aggregation_; }
    bool IsCalculated() const { return formula_.has_value(); }
    const std::optional<Cube::Formula>& Formula() const { return formula_; }

    bool FactVisible = true;
    bool FactEnabled = true;
    // When set, the fact's own conditions decide its cells' styles instead of the cube's.
    bool OwnConditions = false;
    Cube::Conditions& Conditions() { return conditions_; }
    const Cube::Conditions& Conditions() const { return conditions_; }

    // The dimensions the fact is taken at the last member of (every period level of a
    // rest). Within a cell each series of rows that agree on every other dimension counts
    // with its value at its own latest combination of those dimensions' members (by key, in
    // the order the dimensions were named); the series add up as usual.
    void SetDimAggregation(const std::string& dimName, DimAggregation kind)
    {
        std::erase(lastOver_, dimName);
        if (kind == DimAggregation::Last) lastOver_.push_back(dimName);
    }
    const std::vector<std::string>& LastOverDims() const { return lastOver_; }

    Fact(std::string name, std::string caption, std::string baseFact, Cube::Aggregation aggregation)
        : Caption(std::move(caption)), name_(std::move(name)), baseFact_(std::move(baseFact)), aggregation_(aggregation)
    {
    }
    Fact(std::string name, std::string caption, Cube::Formula formula)
        : Caption(std::move(caption)), name_(std::move(name)), formula_(std::move(formula))
    {
    }

private:
    std::string name_;
    std::string baseFact_;
    Cube::Aggregation aggregation_ = Cube::Aggregation::Sum;
    std::optional<Cube::Formula> formula_;
    Cube::Conditions conditions_;
    std::vector<std::string> lastOver_;
};

} // namespace Talvex::Cube
