#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace Talvex {

// Base of every host object a Value can hold (Book, DataList, a report's result list).
class Object {
public:
    virtual ~Object() = default;
};

struct Empty {
    bool operator==(const Empty&) const = default;
};
struct Null {
    bool operator==(const Null&) const = default;
};

// The ERP language's Variant: empty, null, boolean, integer, money, exact decimal, double,
// text, date or an object. Conversions are written once here, as the language makes them.
class Value {
public:
    using Storage = std::variant<Empty, Null, bool, std::int64_t, Currency, Decimal, double, std::string, Date,
                                 std::shared_ptr<Object>>;

    Value() = default;
    Value(Null n) : v_(n) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(static_cast<std::int64_t>(i)) {}
    Value(std::int64_t i) : v_(i) {}
    Value(Currency c) : v_(c) {}
    Value(Decimal d) : v_(d) {}
    Value(double d) : v_(d) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(Date d) : v_(d) {}
    Value(std::shared_ptr<Object> o) : v_(std::move(o)) {}

    bool IsEmpty() const { return std::holds_alternative<Empty>(v_); }
    bool IsNull() const { return std::holds_alternative<Null>(v_); }
    bool IsText() const { return std::holds_alternative<std::string>(v_); }
    bool IsNumber() const;
    bool IsDate() const { return std::holds_alternative<Date>(v_); }
    bool IsObject() const { return std::holds_alternative<std::shared_ptr<Object>>(v_); }

    // Conversions as the language makes them: empty is 0 or "", null fails where a value
    // is needed (ValueError naming the wanted kind), text converts when it reads as one.
    std::string ToText() const;
    std::int64_t ToInteger() const; // rounds half to even, as the language's CLng
    Currency ToCurrency() const;
    // Exact for integers, amounts, decimals and numeric text; a double gives its 15 digits.
    Decimal ToDecimal() const;
    double ToDouble() const;
    Date ToDate() const;
    bool ToBool() const;
    std::shared_ptr<Object> ToObject() const;

    // Invariant text for export: numbers without exponent, dates as yyyy-mm-dd, null as "".
    std::string ToInvariantText() const;

    const Storage& Raw() const { return v_; }
    bool operator==(const Value& other) const = default;

private:
    Storage v_;
};

} // namespace Talvex
