#include "host/ui/FieldMap.hpp"

#include "host/ui/UiError.hpp"

#include <algorithm>
#include <cctype>

namespace Talvex::Ui {

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

void FieldMap::Set(std::string_view name, Value value)
{
    for (auto& [key, held] : items_) {
        if (SameName(key, name)) {
            held = std::move(value);
            return;
        }
    }
    items_.emplace_back(std::string(name), std::move(value));
}

const Value& FieldMap::Item(std::string_view name) const
{
    if (const Value* v = Find(name)) return *v;
    throw UiError("FieldMap: no field '" + std::string(name) + "'");
}

std::vector<std::string> FieldMap::Names() const
{
    std::vector<std::string> names;
    for (const auto& item : items_)
        names.push_back(item.first);
    return names;
}

const Value* FieldMap::Find(std::string_view name) const
{
    for (const auto& [key, held] : items_) {
        if (SameName(key, name)) return &held;
    }
    return nullptr;
}

} // namespace Talvex::Ui
