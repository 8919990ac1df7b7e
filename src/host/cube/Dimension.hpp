#pragma once

#include "host/cube/Axis.hpp"
#include "host/cube/PeriodLevel.hpp"
#include "host/types/Value.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Talvex::Cube {

class Dims;
class Engine;

// One way of cutting the source rows: the distinct values of a source column (a buyer, a
// department), or a period level of a date column. Its members are the distinct keys,
// dictionary-encoded when the engine becomes active.
class Dimension {
public:
    enum class Order { ByKey, ByText };

    const std::string& Name() const { return name_; }
    // The source column; for a period level, the date column it rolls up.
    const std::string& FieldName() const { return fieldName_; }
    PeriodLevel Level() const { return level_; }
    bool IsCalculated() const { return level_ != PeriodLevel::None; }

    std::string Caption;
    // 2: members are shown through the engine's OnDimMapping callback.
    int MapType = 0;

    // Moves the dimension to a place on an axis (0 = outermost); a position past the end
    // appends. Allowed while the engine is active: it is a re-layout.
    void MoveTo(Axis axis, int position);
    Axis GetAxis() const { return axis_; }

    // The members that count, wherever the dimension stands; none selected means all.
    void SetSelection(const std::vector<Value>& members);
    void ClearSelection();
    const std::vector<Value>& Selection() const { return selection_; }

    void SetOrder(Order order, bool descending = false);

    // Members, known once the engine is active; codes run from 0 in order of appearance.
    std::size_t MemberCount() const { return members_.size(); }
    const Value& Member(std::uint32_t code) const { return members_.at(code); }
    const std::string& MemberText(std::uint32_t code) const { return texts_.at(code); }
    // The code of a member key; MemberCount() when the key does not occur.
    std::uint32_t CodeOf(const Value& key) const;

private:
    friend class Dims;
    friend class Engine;
    Dimension(Dims& owner, std::string name, std::string fieldName, PeriodLevel level)
        : owner_(&owner), name_(std::move(name)), fieldName_(std::move(fieldName)), level_(level)
    {
    }

    Dims* owner_;
    std::string name_;
    std::string fieldName_;
    PeriodLevel level_;
    Axis axis_ = Axis::Filter;
    std::vector<Value> selection_;
    Order order_ = Order::ByKey;
    bool descending_ = false;

    // Built by the engine.
    std::vector<Value> members_;
    std::vector<std::string> texts_;
    std::vector<std::uint32_t> codes_; // member code of each source row
};

} // namespace Talvex::Cube
