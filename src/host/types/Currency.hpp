#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace Talvex {

// The ERP's money type: a signed 64-bit count of ten-thousandths. Exact addition,
// subtraction and comparison; every operation that could lose a digit says how it rounds.
class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromUnits(std::int64_t tenThousandths) { return Currency(tenThousandths); }
    static Currency FromInteger(std::int64_t whole);
    // Exact parse of "-1234.5678", "1234", "0.5"; more than four decimals round half away
    // from zero (the server's NUMERIC to money conversion). Throws ValueError on bad text.
    static Currency Parse(std::string_view text);
    // True when the text holds a number whose value is exact in four decimals.
    static bool ParseExact(std::string_view text, Currency& out);

    constexpr std::int64_t Units() const { return units_; }
    // Invariant text with exactly the decimals needed ("12.5", "-3", "0.0001").
    std::string ToString() const;
    // Invariant text with a fixed count of decimals, rounding half away from zero.
    std::string ToFixed(int decimals) const;
    double ToDouble() const { return static_cast<double>(units_) / kScale; }

    [[nodiscard]] Currency RoundHalfAwayFromZero(int decimals) const;

    Currency operator+(Currency other) const;
    Currency operator-(Currency other) const;
    Currency operator-() const;
    Currency& operator+=(Currency other) { return *this = *this + other; }
    Currency& operator-=(Currency other) { return *this = *this - other; }
    // Multiplication by a whole count is exact; by another amount it rounds half away from zero.
    Currency operator*(std::int64_t factor) const;
    [[nodiscard]] Currency MultiplyRoundHalfAwayFromZero(Currency factor) const;
    [[nodiscard]] Currency DivideRoundHalfAwayFromZero(Currency divisor) const;

    constexpr auto operator<=>(const Currency&) const = default;
    constexpr bool IsZero() const { return units_ == 0; }

private:
    constexpr explicit Currency(std::int64_t units) : units_(units) {}
    std::int64_t units_ = 0;
};

} // namespace Talvex
