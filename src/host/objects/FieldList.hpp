#pragma once

#include "host/objects/Field.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {

// Named items in order: the parameter lists InParams and OutParams, a list's columns, a
// list's query parameters. Names are found ignoring case.
class FieldList : public Object {
public:
    FieldList() = default;

    // The item named so; throws ValueError naming the item when it is absent.
    Field& Item(std::string_view name) const;
    Field& Item(std::size_t index) const;
    Field& operator()(std::string_view name) const { return Item(name); }
    bool ExistsField(std::string_view name) const;
    std::size_t Count() const { return items_.size(); }

    // Adds a named item with a value (replacing the value when the name exists).
    Field& Add(const std::string& name, FieldType typeCode, Value value = {});
    // Adds a computed column with its SQL expression (replacing the expression when it exists).
    Field& AddField(const std::string& name, FieldType typeCode, const std::string& expression);
    void Remove(std::string_view name);
    // Chooses the returned columns: exactly the named ones (an empty list: none).
    void SelectFields(const std::vector<std::string>& names);

    std::vector<std::shared_ptr<Field>>::const_iterator begin() const { return items_.begin(); }
    std::vector<std::shared_ptr<Field>>::const_iterator end() const { return items_.end(); }

    void SetOwner(const DataList* owner);

private:
    Field* Find(std::string_view name) const;
    std::vector<std::shared_ptr<Field>> items_;
    const DataList* owner_ = nullptr;
};

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

} // namespace Talvex
