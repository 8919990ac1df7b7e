#include "host/objects/FieldList.hpp"

#include "host/objects/DataList.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <cctype>

namespace Talvex {

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

FieldType FieldTypeOfCode(int code)
{
    switch (static_cast<FieldType>(code)) {
    case FieldType::kInteger:
    case FieldType::kId:
    case FieldType::kPosition:
    case FieldType::kCode:
    case FieldType::kText:
    case FieldType::kDate:
    case FieldType::kNumber:
    case FieldType::kFlag:
    case FieldType::kLongText:
    case FieldType::kAmount:
    case FieldType::kQuantity:
    case FieldType::kMultiSelection:
    case FieldType::kObject: return static_cast<FieldType>(code);
    }
    throw ValueError("field type " + std::to_string(code) + ": not a kind the host knows");
}

Field::Field(std::string name, FieldType typeCode, Value value)
    : name_(std::move(name)), typeCode_(typeCode), value_(std::move(value))
{
    if (name_.empty()) throw ValueError("Field: the name must not be empty");
}

std::string Field::SqlExpression() const
{
    if (IsComputed()) return expression_;
    if (owner_) return owner_->Alias() + "." + name_;
    return name_;
}

Field* FieldList::Find(std::string_view name) const
{
    for (const auto& f : items_)
        if (EqualsIgnoreCase(f->Name(), name)) return f.get();
    return nullptr;
}

Field& FieldList::Item(std::string_view name) const
{
    if (Field* f = Find(name)) return *f;
    throw ValueError("The list has no item '" + std::string(name) + "'");
}

Field& FieldList::Item(std::size_t index) const
{
    if (index >= items_.size())
        throw ValueError("The list has no item number " + std::to_string(index) + " (it holds " +
                         std::to_string(items_.size()) + ")");
    return *items_[index];
}

bool FieldList::ExistsField(std::string_view name) const
{
    return Find(name) != nullptr;
}

Field& FieldList::Add(const std::string& name, FieldType typeCode, Value value)
{
    if (Field* f = Find(name)) {
        f->SetValue(std::move(value));
        return *f;
    }
    auto field = std::make_shared<Field>(name, typeCode, std::move(value));
    field->SetOwner(owner_);
    items_.push_back(field);
    return *field;
}

Field& FieldList::AddField(const std::string& name, FieldType typeCode, const std::string& expression)
{
    if (expression.empty()) throw ValueError("Field '" + name + "': the expression must not be empty");
    Field* f = Find(name);
    if (!f) {
        auto field = std::make_shared<Field>(name, typeCode);
        field->SetOwner(owner_);
        items_.push_back(field);
        f = field.get();
    }
    f->SetTypeCode(typeCode);
    f->SetExpression(expression);
    f->SetSelected(true);
    return *f;
}

void FieldList::Remove(std::string_view name)
{
    std::erase_if(items_, [&](const auto& f) { return EqualsIgnoreCase(f->Name(), name); });
}

void FieldList::SelectFields(const std::vector<std::string>& names)
{
    for (const auto& n : names)
        if (!Find(n)) throw ValueError("SelectFields: the list has no column '" + n + "'");
    for (const auto& f : items_)
        f->SetSelected(std::any_of(names.begin(), names.end(),
                                   [&](const std::string& n) { return EqualsIgnoreCase(n, f->Name()); }));
}

void FieldList::SetOwner(const DataList* owner)
{
    owner_ = owner;
    for (const auto& f : items_)
        f->SetOwner(owner);
}

} // namespace Talvex
