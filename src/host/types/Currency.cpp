#include "host/types/Currency.hpp"

#include "host/types/Errors.hpp"

#include <cstdlib>
#include <limits>

namespace Talvex {
namespace {

constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000};

[[noreturn]] void Overflow(const char* what)
{
    throw ValueError(std::string("Currency: ") + what + " is out of range");
}

std::int64_t CheckedAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t r = 0;
    if (__builtin_add_overflow(a, b, &r)) Overflow("sum");
    return r;
}

// Rounds a/b half away from zero, in 128 bits.
std::int64_t DivideHalfAway(__int128 numerator, __int128 denominator)
{
    if (denominator == 0) throw ValueError("Currency: division by zero");
    bool negative = (numerator < 0) != (denominator < 0);
    __int128 n = numerator < 0 ? -numerator : numerator;
    __int128 d = denominator < 0 ? -denominator : denominator;
    __int128 q = n / d;
    if ((n % d) * 2 >= d) ++q;
    if (negative) q = -q;
    if (q > std::numeric_limits<std::int64_t>::max() || q < std::numeric_limits<std::int64_t>::min())
        Overflow("quotient");
    return static_cast<std::int64_t>(q);
}

// Parses the text into units; digitsLost tells whether decimals beyond four were non-zero.
bool ParseUnits(std::string_view text, std::int64_t& units, bool& digitsLost)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::size_t end = text.size();
    while (end > i && text[end - 1] == ' ')
        --end;
    if (i == end) return false;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        ++i;
    }
    __int128 whole = 0;
    int digits = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > std::numeric_limits<std::int64_t>::max()) return false;
    }
    __int128 fraction = 0;
    int decimals = 0;
    bool roundUp = false;
    digitsLost = false;
    if (i < end && text[i] == '.') {
        ++i;
        for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
            if (decimals < 4) {
                fraction = fraction * 10 + (text[i] - '0');
                ++decimals;
            } else {
                if (decimals == 4 && !digitsLost && text[i] >= '5') roundUp = true;
                if (text[i] != '0') digitsLost = true;
                if (decimals == 4) decimals = 5; // only the first dropped digit decides rounding
            }
        }
    }
    if (i != end || digits == 0) return false;
    int kept = decimals > 4 ? 4 : decimals;
    __int128 value = whole * Currency::kScale + fraction * kPow10[4 - kept];
    if (roundUp) ++value;
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int64_t>::max() || value < std::numeric_limits<std::int64_t>::min())
        return false;
    units = static_cast<std::int64_t>(value);
    return true;
}

} // namespace

Currency Currency::FromInteger(std::int64_t whole)
{
    std::int64_t r = 0;
    if (__builtin_mul_overflow(whole, kScale, &r)) Overflow("amount");
    return Currency(r);
}

Currency Currency::Parse(std::string_view text)
{
    std::int64_t units = 0;
    bool lost = false;
    if (!ParseUnits(text, units, lost)) throw ValueError("Currency: '" + std::string(text) + "' is not an amount");
    return Currency(units);
}

bool Currency::ParseExact(std::string_view text, Currency& out)
{
    std::int64_t units = 0;
    bool lost = false;
    if (!ParseUnits(text, units, lost) || lost) return false;
    out = Currency(units);
    return true;
}

std::string Currency::ToString() const
{
    std::string s = ToFixed(4);
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

std::string Currency::ToFixed(int decimals) const
{
    if (decimals < 0 || decimals > 4) throw ValueError("Currency: decimals must be 0 to 4");
    std::int64_t rounded = RoundHalfAwayFromZero(decimals).units_;
    bool negative = rounded < 0;
    unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(rounded) : static_cast<unsigned long long>(rounded);
    std::string whole = std::to_string(magnitude / kScale);
    std::string result = negative ? "-" + whole : whole;
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % kScale);
        fraction.insert(0, 4 - fraction.size(), '0');
        result += "." + fraction.substr(0, static_cast<std::size_t>(decimals));
    }
    return result;
}

Currency Currency::RoundHalfAwayFromZero(int decimals) const
{
    if (decimals >= 4) return *this;
    if (decimals < 0) throw ValueError("Currency: decimals must not be negative");
    std::int64_t step = kPow10[4 - decimals];
    return Currency(DivideHalfAway(units_, step) * step);
}

Currency Currency::operator+(Currency other) const
{
    return Currency(CheckedAdd(units_, other.units_));
}

Currency Currency::operator-(Currency other) const
{
    std::int64_t r = 0;
    if (__builtin_sub_overflow(units_, other.units_, &r)) Overflow("difference");
    return Currency(r);
}

Currency Currency::operator-() const
{
    if (units_ == std::numeric_limits<std::int64_t>::min()) Overflow("negation");
    return Currency(-units_);
}

Currency Currency::operator*(std::int64_t factor) const
{
    std::int64_t r = 0;
    if (__builtin_mul_overflow(units_, factor, &r)) Overflow("product");
    return Currency(r);
}

Currency Currency::MultiplyRoundHalfAwayFromZero(Currency factor) const
{
    return Currency(DivideHalfAway(static_cast<__int128>(units_) * factor.units_, kScale));
}

Currency Currency::DivideRoundHalfAwayFromZero(Currency divisor) const
{
    return Currency(DivideHalfAway(static_cast<__int128>(units_) * kScale, divisor.units_));
}

} // namespace Talvex
