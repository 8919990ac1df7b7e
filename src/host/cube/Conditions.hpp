#pragma once

#include "host/cube/Formula.hpp"

#include <optional>
#include <string>
#include <vector>

namespace Talvex::Cube {

// A rule that gives a cell a named style. Kind 3 compares the cell's value with a number;
// kind 4 evaluates a formula over the cell's facts and holds when the result is not 0.
struct Condition {
    enum Operator { Less = 0, NotGreater = 1, Greater = 2, NotLess = 3, Equal = 4, NotEqual = 5 };
    static constexpr int kComparison = 3;
    static constexpr int kFormula = 4;

    int Kind = kComparison;
    std::string StyleName;
    double Value = 0;
    int Oper = Less;
    std::optional<Cube::Formula> Formula;
};

// An ordered list of conditions: the first that holds for a cell decides its style.
class Conditions {
public:
    Condition& AddComparison(std::string styleName, double value, int oper);
    // Throws FormulaError when the formula does not read.
    Condition& AddFormula(std::string styleName, std::string formula);
    // The cube window's names of the same: allFacts is the host's flag of a condition that
    // applies to every fact of its list, which is what a list's conditions do here.
    Condition& AddCompareCondition(std::string styleName, double value, int oper, bool allFacts = true)
    {
        (void)allFacts;
        return AddComparison(std::move(styleName), value, oper);
    }
    Condition& AddFormulaCondition(std::string styleName, std::string formula, bool allFacts = true)
    {
        (void)allFacts;
        return AddFormula(std::move(styleName), std::move(formula));
    }
    std::size_t Count() const { return items_.size(); }
    const Condition& Item(std::size_t index) const { return items_.at(index); }
    void Clear() { items_.clear(); }

private:
    std::vector<Condition> items_;
};

} // namespace Talvex::Cube
