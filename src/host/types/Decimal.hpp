#pragma once

#include "host/types/Currency.hpp"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Talvex {

// The host's exact decimal (the COM Decimal the ERP language reads NUMERIC into): a 96-bit
// magnitude, a sign and a scale of 0 to 28 decimals. The scale is kept ("2.50" stays
// "2.50"); a result whose digits do not fit loses decimals, rounding half to even as the
// host's Decimal does, and a result whose whole part does not fit throws ValueError.
class Decimal {
public:
    static constexpr int kMaxScale = 28;

    constexpr Decimal() = default;
    static Decimal FromInteger(std::int64_t whole);
    static Decimal FromCurrency(Currency amount);
    // The language's CDec of a double: its 15 significant digits, trailing zeros dropped.
    static Decimal FromDouble(double d);
    // Exact parse of "-1234.5600", "7", ".5"; decimals beyond 28, or more digits than fit,
    // round half to even. Throws ValueError on text that is no number or too large.
    static Decimal Parse(std::string_view text);
    static bool TryParse(std::string_view text, Decimal& out);

    int Scale() const { return scale_; }
    bool IsNegative() const { return negative_; }
    bool IsZero() const { return low_ == 0 && high_ == 0; }

    // Invariant text, no exponent, every decimal of the scale: "-0.50", "1234".
    std::string ToString() const;
    // The value with the scale raised to `decimals` (exactly) or rounded down to it half
    // away from zero, as a grid shows an amount with a fixed count of decimals.
    std::string ToFixed(int decimals) const;
    double ToDouble() const;
    // Money rounds half to even to four decimals (the language's CCur); ValueError when
    // out of the money range.
    Currency ToCurrency() const;
    // The amount when the value is one exactly (at most four decimals that are not zero,
    // within the money range); nothing otherwise.
    std::optional<Currency> ExactCurrency() const;
    // Half to even, as the language's CLng; ValueError when out of range.
    std::int64_t ToInteger() const;

    // SQL Server's ROUND: half away from zero to `decimals`; the scale becomes `decimals`
    // when it was larger, else the value is returned as it is.
    [[nodiscard]] Decimal RoundHalfAwayFromZero(int decimals) const;
    [[nodiscard]] Decimal RoundHalfToEven(int decimals) const;
    // The same value written with `decimals` decimals (more: exact; fewer: half away from zero).
    [[nodiscard]] Decimal WithScale(int decimals) const;
    // The same value with trailing decimal zeros dropped.
    [[nodiscard]] Decimal Normalized() const;

    Decimal operator+(const Decimal& other) const;
    Decimal operator-(const Decimal& other) const;
    Decimal operator-() const;
    Decimal operator*(const Decimal& other) const;
    // To as many significant digits as fit (28 or 29), never below the scale of the
    // dividend less that of the divisor; ValueError on division by zero.
    Decimal operator/(const Decimal& other) const;

    // Numeric order and equality: 1.5 equals 1.50.
    std::strong_ordering operator<=>(const Decimal& other) const;
    bool operator==(const Decimal& other) const { return (*this <=> other) == 0; }

    // A hash equal for equal values, whatever their scale.
    std::size_t Hash() const;

    // The magnitude as 96 bits in two parts, for the code that needs its digits.
    std::uint64_t Low() const { return low_; }
    std::uint32_t High() const { return high_; }

private:
    friend struct DecimalParts;
    std::uint64_t low_ = 0;
    std::uint32_t high_ = 0;
    std::uint8_t scale_ = 0;
    bool negative_ = false;
};

} // namespace Talvex
