#include "host/cube/Styles.hpp"

#include "host/types/Errors.hpp"

namespace Talvex::Cube {

Style& Styles::Add(std::string name)
{
    if (Exists(name)) throw ValueError("Styles: style \"" + name + "\" already exists");
    items_.push_back(Style{std::move(name), std::nullopt, std::nullopt});
    return items_.back();
}

const Style* Styles::Find(std::string_view name) const
{
    for (const auto& style : items_)
        if (style.Name == name) return &style;
    return nullptr;
}

Style& Styles::Item(std::string_view name)
{
    for (auto& style : items_)
        if (style.Name == name) return style;
    throw ValueError("Styles: no style \"" + std::string(name) + "\"");
}

} // namespace Talvex::Cube
