#include "host/cube/Dims.hpp"

#include "host/cube/Engine.hpp"
#include "host/cube/internal/MemberKey.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>

namespace Talvex::Cube {

void Dimension::MoveTo(Axis axis, int position)
{
    owner_->Move(*this, axis, position);
}

void Dimension::SetSelection(const std::vector<Value>& members)
{
    selection_ = members;
    owner_->engine_->Invalidate();
}

void Dimension::ClearSelection()
{
    selection_.clear();
    owner_->engine_->Invalidate();
}

void Dimension::SetOrder(Order order, bool descending)
{
    order_ = order;
    descending_ = descending;
    owner_->engine_->Invalidate();
}

std::uint32_t Dimension::CodeOf(const Value& key) const
{
    for (std::uint32_t code = 0; code < members_.size(); ++code)
        if (Internal::CompareKeys(members_[code], key) == 0 && members_[code].Raw().index() == key.Raw().index())
            return code;
    for (std::uint32_t code = 0; code < members_.size(); ++code)
        if (Internal::CompareKeys(members_[code], key) == 0) return code;
    return static_cast<std::uint32_t>(members_.size());
}

void Dims::RequireDefining() const
{
    if (engine_->Active()) throw ValueError("Dims: dimensions are defined while the engine is not active");
}

Dimension* Dims::Find(std::string_view name) const
{
    for (const auto& dim : dims_)
        if (dim->Name() == name) return dim.get();
    return nullptr;
}

void Dims::Clear()
{
    RequireDefining();
    dims_.clear();
    for (auto& axis : axes_)
        axis.clear();
    engine_->ClearMemberExpansion(Axis::Rows);
    engine_->ClearMemberExpansion(Axis::Columns);
}

Dimension& Dims::Add(std::string fieldName, std::string caption, int mapType)
{
    RequireDefining();
    if (Find(fieldName)) throw ValueError("Dims: dimension \"" + fieldName + "\" is already defined");
    auto name = fieldName;
    dims_.push_back(
        std::unique_ptr<Dimension>(new Dimension(*this, std::move(name), std::move(fieldName), PeriodLevel::None)));
    auto& dim = *dims_.back();
    dim.Caption = std::move(caption);
    dim.MapType = mapType;
    axes_[static_cast<int>(Axis::Filter)].push_back(&dim);
    return dim;
}

Dimension& Dims::AddCalculated(std::string name, std::string_view sourceDim, PeriodLevel level, std::string caption)
{
    RequireDefining();
    if (level == PeriodLevel::None) throw ValueError("Dims: period level of \"" + name + "\" is missing");
    if (Find(name)) throw ValueError("Dims: dimension \"" + name + "\" is already defined");
    const auto* source = Find(sourceDim);
    if (!source || source->IsCalculated())
        throw ValueError("Dims: \"" + name + "\" needs the date dimension \"" + std::string(sourceDim) +
                         "\" added first");
    dims_.push_back(std::unique_ptr<Dimension>(new Dimension(*this, std::move(name), source->FieldName(), level)));
    auto& dim = *dims_.back();
    dim.Caption = caption.empty() ? std::string(PeriodLevelName(level)) : std::move(caption);
    axes_[static_cast<int>(Axis::Filter)].push_back(&dim);
    return dim;
}

Dimension& Dims::Item(std::string_view name)
{
    if (auto* dim = Find(name)) return *dim;
    throw ValueError("Dims: no dimension \"" + std::string(name) + "\"");
}

const Dimension& Dims::Item(std::string_view name) const
{
    if (auto* dim = Find(name)) return *dim;
    throw ValueError("Dims: no dimension \"" + std::string(name) + "\"");
}

bool Dims::Exists(std::string_view name) const
{
    return Find(name) != nullptr;
}

void Dims::Move(Dimension& dim, Axis axis, int position)
{
    // Expanded members name keys by the axis's dimensions: a new order makes them void.
    engine_->ClearMemberExpansion(dim.axis_);
    engine_->ClearMemberExpansion(axis);
    auto& from = axes_[static_cast<int>(dim.axis_)];
    from.erase(std::remove(from.begin(), from.end(), &dim), from.end());
    auto& to = axes_[static_cast<int>(axis)];
    const auto at = position < 0 ? to.size() : std::min(static_cast<std::size_t>(position), to.size());
    to.insert(to.begin() + static_cast<std::ptrdiff_t>(at), &dim);
    dim.axis_ = axis;
    engine_->Invalidate();
}

} // namespace Talvex::Cube
