#pragma once

#include "host/types/Value.hpp"

#include <string>

namespace Talvex {

class DataList;

// Host field kinds, with the host's own numbers: a swapped kind, operator or plain number
// does not compile. A number from outside becomes a kind only through FieldTypeOfCode.
enum class FieldType : int {
    kInteger = 1,
    kId = 2,
    kPosition = 3,
    kCode = 7,
    kText = 8,
    kDate = 9,
    kNumber = 13,
    kFlag = 14,
    kLongText = 15,
    kAmount = 19,
    kQuantity = 20,
    kMultiSelection = 23,
    kObject = 100,
};

// The kind a host number names; throws ValueError naming the number when the host has no
// such kind.
FieldType FieldTypeOfCode(int code);
// The host's number of a kind.
constexpr int CodeOf(FieldType type)
{
    return static_cast<int>(type);
}

// Parameter direction bits of a field used as a query or procedure parameter.
namespace ParamFlag {
inline constexpr int kInput = 256;
inline constexpr int kOutput = 512;
} // namespace ParamFlag

// Column aggregates of a list field.
enum class Aggregate : int {
    kNone = 0,
    kSum = 4,
    // The expression aggregates by itself (it holds SUM(...)); it is neither wrapped nor grouped by.
    kGroupExpression = 7,
};

// One named item of a FieldList: a parameter with its value, or a column of a DataList
// (a column of the list's table, or a computed column with its SQL expression).
class Field : public Object {
public:
    Field(std::string name, FieldType typeCode, Value value = {});

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_.empty() ? name_ : caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    FieldType TypeCode() const { return typeCode_; }
    void SetTypeCode(FieldType typeCode) { typeCode_ = typeCode; }

    const Value& GetValue() const { return value_; }
    void SetValue(Value value) { value_ = std::move(value); }

    // The SQL of a computed column; empty for a column of the list's own table.
    const std::string& Expression() const { return expression_; }
    void SetExpression(std::string expression) { expression_ = std::move(expression); }
    bool IsComputed() const { return !expression_.empty(); }

    int ParamFlags() const { return paramFlags_; }
    void SetParamFlags(int flags) { paramFlags_ = flags; }
    Aggregate AggregateKind() const { return aggregate_; }
    void SetAggregate(Aggregate aggregate) { aggregate_ = aggregate; }

    // Whether the list returns this column.
    bool Selected() const { return selected_; }
    void SetSelected(bool selected) { selected_ = selected; }

    // The SQL that stands for this field in conditions: the computed expression, or the
    // column qualified by its list's alias ("Doc.DocumentDate"), or the bare name.
    std::string SqlExpression() const;

    // Set by the list that owns the field.
    void SetOwner(const DataList* owner) { owner_ = owner; }
    const DataList* Owner() const { return owner_; }

private:
    std::string name_;
    std::string caption_;
    FieldType typeCode_;
    Value value_;
    std::string expression_;
    int paramFlags_ = 0;
    Aggregate aggregate_ = Aggregate::kNone;
    bool selected_ = true;
    const DataList* owner_ = nullptr;
};

} // namespace Talvex
