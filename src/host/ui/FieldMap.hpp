#pragma once

#include "host/types/Value.hpp"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Talvex::Ui {

// Named values a dialog loads into its form and writes back (a record's fields, a dialog's
// user parameters). Names compare without case, as the ERP's field lists do; order is the
// order of adding.
class FieldMap {
public:
    // Adds or replaces.
    void Set(std::string_view name, Value value);
    bool Exists(std::string_view name) const { return Find(name) != nullptr; }
    // Throws UiError naming the field when absent.
    const Value& Item(std::string_view name) const;
    std::vector<std::string> Names() const;
    std::size_t Count() const { return items_.size(); }

private:
    const Value* Find(std::string_view name) const;
    std::vector<std::pair<std::string, Value>> items_;
};

} // namespace Talvex::Ui
