#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Cube {

// An arithmetic formula over fact names, as calculated facts and formula conditions are
// written: "max( Profit, 0 )*100/Summa", "Summa - Cost". It knows +, -, *, /, parentheses,
// numbers, the functions max, min (any number of arguments) and abs, and the comparisons
// <, <=, >, >=, =, <> (1 when true, 0 when false) for conditions.
//
// A blank operand (a cell without rows) makes the result blank, and so does a division by
// zero: a percentage of nothing is shown as an empty cell, not as infinity or 0.
class Formula {
public:
    // Reads the text; throws FormulaError quoting the formula and the position of the fault.
    explicit Formula(std::string text);
    // "%0 - (%1 + %2)" with the placeholders replaced by the names, in order.
    static Formula FromTemplate(std::string_view pattern, const std::vector<std::string>& names);

    const std::string& Text() const { return text_; }
    // The fact names the formula refers to, each once, in order of first use.
    const std::vector<std::string>& Names() const { return names_; }

    using Resolver = std::function<std::optional<double>(const std::string& name)>;
    std::optional<double> Evaluate(const Resolver& valueOf) const;

    struct Node;

private:
    std::string text_;
    std::vector<std::string> names_;
    std::shared_ptr<const Node> root_;
};

} // namespace Talvex::Cube
