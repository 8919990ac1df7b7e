#include "host/cube/Facts.hpp"

#include "host/types/Errors.hpp"

namespace Talvex::Cube {

Fact& Facts::Add(std::string name, std::string caption, std::string baseFact, Aggregation aggregation)
{
    if (Exists(name)) throw ValueError("Facts: fact \"" + name + "\" is already defined");
    if (baseFact.empty()) baseFact = name;
    items_.emplace_back(std::move(name), std::move(caption), std::move(baseFact), aggregation);
    return items_.back();
}

Fact& Facts::AddCalculated(std::string name, std::string caption, std::string formula)
{
    if (Exists(name)) throw ValueError("Facts: fact \"" + name + "\" is already defined");
    items_.emplace_back(std::move(name), std::move(caption), Formula(std::move(formula)));
    return items_.back();
}

Fact& Facts::Item(std::string_view name)
{
    const auto index = IndexOf(name);
    if (index == items_.size()) throw ValueError("Facts: no fact \"" + std::string(name) + "\"");
    return items_[index];
}

std::size_t Facts::IndexOf(std::string_view name) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].Name() == name) return i;
    return items_.size();
}

} // namespace Talvex::Cube
