#include "host/cube/BaseFacts.hpp"

#include "host/types/Errors.hpp"

namespace Talvex::Cube {

void BaseFacts::Add(std::string fieldName)
{
    if (Exists(fieldName)) throw ValueError("BaseFacts: \"" + fieldName + "\" is already defined");
    names_.push_back(std::move(fieldName));
}

std::size_t BaseFacts::IndexOf(std::string_view name) const
{
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return i;
    return names_.size();
}

} // namespace Talvex::Cube
