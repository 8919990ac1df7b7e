#pragma once

#include "host/cube/Fact.hpp"

#include <deque>
#include <string>
#include <string_view>

namespace Talvex::Cube {

// The facts the grid shows, in column order.
class Facts {
public:
    void Clear() { items_.clear(); }
    // A fact over a base fact; the base fact defaults to the fact's own name.
    Fact& Add(std::string name, std::string caption = {}, std::string baseFact = {},
              Aggregation aggregation = Aggregation::Sum);
    // A formula over other facts' (or base facts') names; throws FormulaError on bad syntax.
    // Names are checked when the engine becomes active, so facts may be added in any order.
    Fact& AddCalculated(std::string name, std::string caption, std::string formula);

    std::size_t Count() const { return items_.size(); }
    Fact& Item(std::size_t index) { return items_.at(index); }
    const Fact& Item(std::size_t index) const { return items_.at(index); }
    Fact& Item(std::string_view name); // throws ValueError naming a missing fact
    bool Exists(std::string_view name) const { return IndexOf(name) < items_.size(); }
    std::size_t IndexOf(std::string_view name) const;

private:
    std::deque<Fact> items_;
};

} // namespace Talvex::Cube
