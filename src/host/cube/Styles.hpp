#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Cube {

// How a cell looks when a condition picks it: colours as 0x00BBGGRR, as the host's RGB().
struct Style {
    std::string Name;
    std::optional<std::uint32_t> BackColor;
    std::optional<std::uint32_t> TextColor;
};

// The cube's named styles.
class Styles {
public:
    Style& Add(std::string name); // throws ValueError when the name is taken
    bool Exists(std::string_view name) const { return Find(name) != nullptr; }
    const Style* Find(std::string_view name) const;
    Style& Item(std::string_view name); // throws ValueError naming a missing style
    std::size_t Count() const { return items_.size(); }

private:
    std::vector<Style> items_;
};

} // namespace Talvex::Cube
