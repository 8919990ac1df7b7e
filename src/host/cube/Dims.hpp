#pragma once

#include "host/cube/Dimension.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Cube {

class Engine;

// The engine's dimensions and the order they stand in on the rows and the columns.
// A new dimension waits in the filter area with nothing selected, so it changes nothing
// until it is moved onto an axis.
class Dims {
public:
    void Clear();
    Dimension& Add(std::string fieldName, std::string caption = {}, int mapType = 0);
    // A period level of a date dimension already added: AddCalculated("Year", "DocumentDate", Year).
    Dimension& AddCalculated(std::string name, std::string_view sourceDim, PeriodLevel level, std::string caption = {});

    std::size_t Count() const { return dims_.size(); }
    Dimension& Item(std::size_t index) { return *dims_.at(index); }
    const Dimension& Item(std::size_t index) const { return *dims_.at(index); }
    Dimension& Item(std::string_view name); // throws ValueError naming a missing dimension
    const Dimension& Item(std::string_view name) const;
    bool Exists(std::string_view name) const;

    // The dimensions on an axis, outermost first.
    const std::vector<Dimension*>& OnAxis(Axis axis) const { return axes_[static_cast<int>(axis)]; }

private:
    friend class Engine;
    friend class Dimension;
    explicit Dims(Engine& engine) : engine_(&engine) {}
    void Move(Dimension& dim, Axis axis, int position);
    void RequireDefining() const;
    Dimension* Find(std::string_view name) const;

    Engine* engine_;
    std::vector<std::unique_ptr<Dimension>> dims_;
    std::vector<Dimension*> axes_[3];
};

} // namespace Talvex::Cube
