#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Cube {

// The source columns the engine folds: amounts and quantities read as doubles once, when
// the engine becomes active. A null amount counts as 0.
class BaseFacts {
public:
    void Clear() { names_.clear(); }
    void Add(std::string fieldName);
    bool Exists(std::string_view name) const { return IndexOf(name) < names_.size(); }
    std::size_t IndexOf(std::string_view name) const;
    std::size_t Count() const { return names_.size(); }
    const std::string& Item(std::size_t index) const { return names_.at(index); }

private:
    std::vector<std::string> names_;
};

} // namespace Talvex::Cube
