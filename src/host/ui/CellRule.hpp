#pragma once

#include "host/types/Value.hpp"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace Talvex::Ui {

class Grid;

// What a cell of an editable column holds once accepted.
enum class CellType { Text, Number, Integer, Date };

// What an editable column accepts: a type, whether it may be left empty, a range, and a
// check of the form's own (a code that must exist, a sum that must not pass a limit).
struct CellRule {
    static CellRule Of(CellType type)
    {
        CellRule rule;
        rule.type = type;
        return rule;
    }

    CellType type = CellType::Text;
    bool required = false;
    int decimals = 2;                // Number: how many decimals are taken
    std::optional<Currency> minimum; // Number, Integer: inclusive
    std::optional<Currency> maximum; // Number, Integer: inclusive
    std::optional<Date> earliest;    // Date: inclusive
    std::optional<Date> latest;      // Date: inclusive
    std::size_t maxLength = 0;       // Text: 0 takes any length
    // Runs on a value of the right type; returns the problem, or empty to accept.
    std::function<std::string(const Value& value, const Grid& grid, std::size_t row)> check;

    // The typed input as the cell keeps it; throws ValueError "<column>: <problem>".
    Value Accept(const std::string& column, const Value& input, const Grid& grid, std::size_t row) const;
};

} // namespace Talvex::Ui
