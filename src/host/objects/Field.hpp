#pragma once

#include "host/types/Value.hpp"

#include <string>

namespace Talvex {

class DataList;

// Host field type codes.
namespace FieldType {
inline constexpr int kInteger = 1;
inline constexpr int kId = 2;
inline constexpr int kPosition = 3;
inline constexpr int kCode = 7;
inline constexpr int kText = 8;
inline constexpr int kDate = 9;
inline constexpr int kNumber = 13;
inline constexpr int kFlag = 14;
inline constexpr int kLongText = 15;
inline constexpr int kAmount = 19;
inline constexpr int kQuantity = 20;
inline constexpr int kMultiSelection = 23;
inline constexpr int kObject = 100;
} // namespace FieldType

// Parameter direction bits of a field used as a query or procedure parameter.
namespace ParamFlag {
inline constexpr int kInput = 256;
inline constexpr int kOutput = 512;
} // namespace ParamFlag

// Column aggregates of a list field.
namespace Aggregate {
inline constexpr int kNone = 0;
inline constexpr int kSum = 4;
// The expression aggregates by itself (it holds SUM(...)); it is neither wrapped nor grouped by.
inline constexpr int kGroupExpression = 7;
} // namespace Aggregate

// One named item of a FieldList: a parameter with its value, or a column of a DataList
// (a column of the list's table, or a computed column with its SQL expression).
class Field : public Object {
public:
    Field(std::string name, int typeCode, Value value = {});

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_.empty() ? name_ : caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    int TypeCode() const { return typeCode_; }
    void SetTypeCode(int typeCode) { typeCode_ = typeCode; }

    const Value& GetValue() const { return value_; }
    void SetValue(Value value) { value_ = std::move(value); }

    // The SQL of a computed column; empty for a column of the list's own table.
    const std::string& Expression() const { return expression_; }
    void SetExpression(std::string expression) { expression_ = std::move(expression); }
    bool IsComputed() const { return !expression_.empty(); }

    int ParamFlags() const { return paramFlags_; }
    void SetParamFlags(int flags) { paramFlags_ = flags; }
    int AggregateKind() const { return aggregate_; }
    void SetAggregate(int aggregate) { aggregate_ = aggregate; }

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
    int typeCode_;
    Value value_;
    std::string expression_;
    int paramFlags_ = 0;
    int aggregate_ = Aggregate::kNone;
    bool selected_ = true;
    const DataList* owner_ = nullptr;
};

} // namespace Talvex
