#include "host/types/Decimal.hpp"

#include "host/types/Errors.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace Talvex {
namespace {

// An unsigned number of any length, 32-bit limbs from the lowest: products and scaled
// dividends of two 96-bit magnitudes need up to about 290 bits before they are rounded.
using Wide = std::vector<std::uint32_t>;

void Trim(Wide& w)
{
    while (!w.empty() && w.back() == 0)
        w.pop_back();
}

Wide WideOf(unsigned __int128 v)
{
    Wide w;
    for (; v != 0; v >>= 32)
        w.push_back(static_cast<std::uint32_t>(v));
    return w;
}

bool FitsIn96(const Wide& w)
{
    return w.size() <= 3;
}

unsigned __int128 Narrow(const Wide& w)
{
    unsigned __int128 v = 0;
    for (std::size_t i = w.size(); i-- > 0;)
        v = (v << 32) | w[i];
    return v;
}

void MultiplySmall(Wide& w, std::uint32_t factor)
{
    std::uint64_t carry = 0;
    for (auto& limb : w) {
        std::uint64_t p = static_cast<std::uint64_t>(limb) * factor + carry;
        limb = static_cast<std::uint32_t>(p);
        carry = p >> 32;
    }
    if (carry != 0) w.push_back(static_cast<std::uint32_t>(carry));
    Trim(w);
}

void AddSmall(Wide& w, std::uint32_t addend)
{
    std::uint64_t carry = addend;
    for (std::size_t i = 0; carry != 0; ++i) {
        if (i == w.size()) w.push_back(0);
        std::uint64_t s = static_cast<std::uint64_t>(w[i]) + carry;
        w[i] = static_cast<std::uint32_t>(s);
        carry = s >> 32;
    }
}

std::uint32_t DivideSmall(Wide& w, std::uint32_t divisor)
{
    std::uint64_t rest = 0;
    for (std::size_t i = w.size(); i-- > 0;) {
        std::uint64_t cur = (rest << 32) | w[i];
        w[i] = static_cast<std::uint32_t>(cur / divisor);
        rest = cur % divisor;
    }
    Trim(w);
    return static_cast<std::uint32_t>(rest);
}

void MultiplyPow10(Wide& w, int exponent)
{
    for (; exponent > 0; --exponent)
        MultiplySmall(w, 10);
}

int Compare(const Wide& a, const Wide& b)
{
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

Wide Add(const Wide& a, const Wide& b)
{
    Wide r(std::max(a.size(), b.size()) + 1, 0);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        std::uint64_t s = carry + (i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0);
        r[i] = static_cast<std::uint32_t>(s);
        carry = s >> 32;
    }
    Trim(r);
    return r;
}

// a - b, where a >= b.
Wide Subtract(const Wide& a, const Wide& b)
{
    Wide r(a.size(), 0);
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::int64_t d = static_cast<std::int64_t>(a[i]) - (i < b.size() ? b[i] : 0) - borrow;
        borrow = d < 0 ? 1 : 0;
        r[i] = static_cast<std::uint32_t>(d + (borrow << 32));
    }
    Trim(r);
    return r;
}

Wide Multiply(const Wide& a, const Wide& b)
{
    Wide r(a.size() + b.size(), 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.size(); ++j) {
            std::uint64_t p = static_cast<std::uint64_t>(a[i]) * b[j] + r[i + j] + carry;
            r[i + j] = static_cast<std::uint32_t>(p);
            carry = p >> 32;
        }
        r[i + b.size()] = static_cast<std::uint32_t>(carry);
    }
    Trim(r);
    return r;
}

void ShiftLeftOne(Wide& w)
{
    std::uint32_t carry = 0;
    for (auto& limb : w) {
        std::uint32_t next = limb >> 31;
        limb = (limb << 1) | carry;
        carry = next;
    }
    if (carry != 0) w.push_back(carry);
}

// Quotient and remainder by schoolbook division bit by bit; the operands stay a few
// hundred bits long, so this is cheap beside the server round trip that produced them.
void DivideWide(const Wide& dividend, const Wide& divisor, Wide& quotient, Wide& remainder)
{
    quotient.assign(dividend.size(), 0);
    remainder.clear();
    for (std::size_t bit = dividend.size() * 32; bit-- > 0;) {
        ShiftLeftOne(remainder);
        if ((dividend[bit / 32] >> (bit % 32)) & 1u) {
            if (remainder.empty()) remainder.push_back(0);
            remainder[0] |= 1u;
        }
        if (Compare(remainder, divisor) >= 0) {
            remainder = Subtract(remainder, divisor);
            quotient[bit / 32] |= 1u << (bit % 32);
        }
    }
    Trim(quotient);
    Trim(remainder);
}

// What was cut off a magnitude, measured against half a unit of its last kept digit.
enum class Tail { Zero, BelowHalf, Half, AboveHalf };

Tail AfterDroppingDigit(std::uint32_t digit, Tail before)
{
    if (digit == 0 && before == Tail::Zero) return Tail::Zero;
    if (digit < 5) return Tail::BelowHalf;
    if (digit == 5) return before == Tail::Zero ? Tail::Half : Tail::AboveHalf;
    return Tail::AboveHalf;
}

enum class Rounding { HalfToEven, HalfAwayFromZero };

bool RoundsUp(Tail tail, bool lastDigitOdd, Rounding mode)
{
    if (tail == Tail::AboveHalf) return true;
    if (tail != Tail::Half) return false;
    return mode == Rounding::HalfAwayFromZero || lastDigitOdd;
}

[[noreturn]] void Overflow(const char* what)
{
    throw ValueError(std::string("Decimal: ") + what + " is out of range");
}

} // namespace

// Builds values from wide magnitudes; a friend, so the arithmetic stays out of the header.
struct DecimalParts {
    static Wide Magnitude(const Decimal& d) { return WideOf((static_cast<unsigned __int128>(d.high_) << 64) | d.low_); }

    // Drops decimals until the magnitude fits in 96 bits and the scale in 28, then rounds
    // by what was dropped (and by `tail`, what the caller had already cut off).
    static Decimal Make(Wide magnitude, int scale, bool negative, Tail tail, Rounding mode, const char* what,
                        bool* rounded = nullptr)
    {
        for (;;) {
            while (!FitsIn96(magnitude) || scale > Decimal::kMaxScale) {
                if (scale == 0) Overflow(what);
                tail = AfterDroppingDigit(DivideSmall(magnitude, 10), tail);
                --scale;
            }
            if (rounded && tail != Tail::Zero) *rounded = true;
            bool odd = !magnitude.empty() && (magnitude[0] & 1u);
            if (RoundsUp(tail, odd, mode)) AddSmall(magnitude, 1);
            if (FitsIn96(magnitude)) break;
            tail = Tail::Zero; // the carry ran past 96 bits: the rounded value is exact, drop one more digit
        }
        Decimal d;
        unsigned __int128 v = Narrow(magnitude);
        d.low_ = static_cast<std::uint64_t>(v);
        d.high_ = static_cast<std::uint32_t>(v >> 64);
        d.scale_ = static_cast<std::uint8_t>(scale);
        d.negative_ = negative && v != 0;
        return d;
    }

    static Decimal Exact(Wide magnitude, int scale, bool negative, const char* what)
    {
        return Make(std::move(magnitude), scale, negative, Tail::Zero, Rounding::HalfToEven, what);
    }

    static Decimal Round(const Decimal& d, int decimals, Rounding mode)
    {
        if (decimals >= d.scale_) return d;
        if (decimals < -Decimal::kMaxScale) decimals = -Decimal::kMaxScale;
        Wide m = Magnitude(d);
        Tail tail = Tail::Zero;
        for (int i = d.scale_; i > decimals; --i)
            tail = AfterDroppingDigit(DivideSmall(m, 10), tail);
        bool odd = !m.empty() && (m[0] & 1u);
        if (RoundsUp(tail, odd, mode)) AddSmall(m, 1);
        MultiplyPow10(m, -decimals);
        return Exact(std::move(m), std::max(decimals, 0), d.negative_, "rounded value");
    }

    static Decimal FromDigits(std::string_view digits, int exponentOfLast, bool negative)
    {
        Wide m;
        for (char c : digits) {
            MultiplySmall(m, 10);
            AddSmall(m, static_cast<std::uint32_t>(c - '0'));
        }
        if (exponentOfLast > 0) {
            MultiplyPow10(m, exponentOfLast);
            exponentOfLast = 0;
        }
        return Exact(std::move(m), -exponentOfLast, negative, "number");
    }
};

Decimal Decimal::FromInteger(std::int64_t whole)
{
    unsigned __int128 magnitude = whole < 0 ? static_cast<unsigned __int128>(-static_cast<__int128>(whole))
                                            : static_cast<unsigned __int128>(whole);
    return DecimalParts::Exact(WideOf(magnitude), 0, whole < 0, "number");
}

Decimal Decimal::FromCurrency(Currency amount)
{
    std::int64_t units = amount.Units();
    unsigned __int128 magnitude = units < 0 ? static_cast<unsigned __int128>(-static_cast<__int128>(units))
                                            : static_cast<unsigned __int128>(units);
    return DecimalParts::Exact(WideOf(magnitude), 4, units < 0, "amount");
}

Decimal Decimal::FromDouble(double d)
{
    if (!std::isfinite(d)) throw ValueError("Decimal: the number is not finite");
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 14);
    std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);
    auto e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e))
        if (c != '.') digits += c;
    int exponent = 0;
    std::string_view exponentText = text.substr(e + 1);
    if (exponentText.front() == '+') exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    if (exponent > 28) Overflow("number");
    int lastExponent = exponent - static_cast<int>(digits.size()) + 1;
    while (lastExponent < 0 && digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++lastExponent;
    }
    return DecimalParts::FromDigits(digits, lastExponent, negative).Normalized();
}

bool Decimal::TryParse(std::string_view text, Decimal& out)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // The usual case, up to 19 significant digits and 28 decimals, straight into the mantissa;
    // anything else (or a text that is no number) takes the general way below.
    {
        std::uint64_t mantissa = 0;
        int decimals = 0;
        int significant = 0;
        bool point = false;
        bool anyDigit = false;
        bool fits = true;
        for (char c : text) {
            if (c == '.' && !point) {
                point = true;
                continue;
            }
            if (c < '0' || c > '9') {
                fits = false;
                break;
            }
            anyDigit = true;
            if (point) ++decimals;
            if (mantissa == 0 && c == '0') continue; // a leading zero
            if (++significant > 19) {
                fits = false;
                break;
            }
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (fits && anyDigit && decimals <= kMaxScale) {
            out = Decimal();
            out.low_ = mantissa;
            out.scale_ = static_cast<std::uint8_t>(decimals);
            out.negative_ = negative && mantissa != 0;
            return true;
        }
    }
    std::string digits;
    int decimals = 0;
    bool point = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits += c;
            if (point) ++decimals;
        } else {
            return false;
        }
    }
    if (digits.empty()) return false;
    int exponentOfLast = -decimals;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    // No more than 29 digits survive; the rest only tell which way to round, so a long
    // text is cut to a few dozen digits with a last one that keeps "above half" so.
    constexpr std::size_t kKept = 60;
    if (digits.size() > kKept) {
        bool restNonZero = digits.find_first_not_of('0', kKept - 1) != std::string::npos;
        exponentOfLast += static_cast<int>(digits.size() - kKept);
        digits.resize(kKept - 1);
        digits += restNonZero ? '1' : '0';
    }
    if (exponentOfLast > 40) return false;
    try {
        out = DecimalParts::FromDigits(digits, exponentOfLast, negative);
    } catch (const ValueError&) {
        return false;
    }
    return true;
}

Decimal Decimal::Parse(std::string_view text)
{
    Decimal d;
    if (!TryParse(text, d)) throw ValueError("Decimal: '" + std::string(text) + "' is not a number in range");
    return d;
}

std::string Decimal::ToString() const
{
    unsigned __int128 v = (static_cast<unsigned __int128>(high_) << 64) | low_;
    std::string digits;
    do {
        digits += static_cast<char>('0' + static_cast<int>(v % 10));
        v /= 10;
    } while (v != 0);
    while (digits.size() <= scale_)
        digits += '0';
    std::reverse(digits.begin(), digits.end());
    if (scale_ > 0) digits.insert(digits.size() - scale_, 1, '.');
    return negative_ ? "-" + digits : digits;
}

std::string Decimal::ToFixed(int decimals) const
{
    if (decimals < 0 || decimals > kMaxScale) throw ValueError("Decimal: decimals must be 0 to 28");
    return WithScale(decimals).ToString();
}

double Decimal::ToDouble() const
{
    std::string text = ToString();
    double d = 0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    return d;
}

Currency Decimal::ToCurrency() const
{
    Decimal r = RoundHalfToEven(4);
    unsigned __int128 units = (static_cast<unsigned __int128>(r.high_) << 64) | r.low_;
    for (int i = r.scale_; i < 4; ++i)
        units *= 10;
    const unsigned __int128 limit =
        static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + (r.negative_ ? 1 : 0);
    if (units > limit) throw ValueError("Decimal: " + ToString() + " is out of the range of an amount");
    return Currency::FromUnits(r.negative_ ? static_cast<std::int64_t>(-static_cast<__int128>(units))
                                           : static_cast<std::int64_t>(units));
}

std::optional<Currency> Decimal::ExactCurrency() const
{
    if (high_ == 0) {
        // Within 64 bits: the trailing zeros beyond four decimals dropped in place.
        std::uint64_t m = low_;
        int scale = scale_;
        while (scale > 4 && m % 10 == 0 && m != 0) {
            m /= 10;
            --scale;
        }
        if (m == 0) return Currency::FromUnits(0);
        if (scale > 4) return std::nullopt;
        unsigned __int128 units = m;
        for (int i = scale; i < 4; ++i)
            units *= 10;
        const unsigned __int128 limit =
            static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + (negative_ ? 1 : 0);
        if (units > limit) return std::nullopt;
        return Currency::FromUnits(negative_ ? static_cast<std::int64_t>(-static_cast<__int128>(units))
                                             : static_cast<std::int64_t>(units));
    }
    Decimal n = Normalized();
    if (n.scale_ > 4) return std::nullopt;
    unsigned __int128 units = (static_cast<unsigned __int128>(n.high_) << 64) | n.low_;
    for (int i = n.scale_; i < 4; ++i)
        units *= 10;
    const unsigned __int128 limit =
        static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + (n.negative_ ? 1 : 0);
    if (units > limit) return std::nullopt;
    return Currency::FromUnits(n.negative_ ? static_cast<std::int64_t>(-static_cast<__int128>(units))
                                           : static_cast<std::int64_t>(units));
}

std::int64_t Decimal::ToInteger() const
{
    Decimal r = RoundHalfToEven(0);
    unsigned __int128 v = (static_cast<unsigned __int128>(r.high_) << 64) | r.low_;
    const unsigned __int128 limit =
        static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + (r.negative_ ? 1 : 0);
    if (v > limit) throw ValueError("Decimal: " + ToString() + " is out of the range of an integer");
    return r.negative_ ? static_cast<std::int64_t>(-static_cast<__int128>(v)) : static_cast<std::int64_t>(v);
}

Decimal Decimal::RoundHalfAwayFromZero(int decimals) const
{
    return DecimalParts::Round(*this, decimals, Rounding::HalfAwayFromZero);
}

Decimal Decimal::RoundHalfToEven(int decimals) const
{
    return DecimalParts::Round(*this, decimals, Rounding::HalfToEven);
}

Decimal Decimal::WithScale(int decimals) const
{
    if (decimals < 0 || decimals > kMaxScale) throw ValueError("Decimal: decimals must be 0 to 28");
    if (decimals <= scale_) return RoundHalfAwayFromZero(decimals);
    Wide m = DecimalParts::Magnitude(*this);
    MultiplyPow10(m, decimals - scale_);
    return DecimalParts::Exact(std::move(m), decimals, negative_, "number");
}

Decimal Decimal::Normalized() const
{
    Wide m = DecimalParts::Magnitude(*this);
    int scale = scale_;
    while (scale > 0 && !m.empty()) {
        Wide q = m;
        if (DivideSmall(q, 10) != 0) break;
        m = std::move(q);
        --scale;
    }
    if (m.empty()) scale = 0;
    return DecimalParts::Exact(std::move(m), scale, negative_, "number");
}

Decimal Decimal::operator-() const
{
    Decimal d = *this;
    d.negative_ = !negative_ && !IsZero();
    return d;
}

Decimal Decimal::operator+(const Decimal& other) const
{
    int scale = std::max(scale_, other.scale_);
    Wide a = DecimalParts::Magnitude(*this), b = DecimalParts::Magnitude(other);
    MultiplyPow10(a, scale - scale_);
    MultiplyPow10(b, scale - other.scale_);
    if (negative_ == other.negative_) return DecimalParts::Exact(Add(a, b), scale, negative_, "sum");
    if (Compare(a, b) >= 0) return DecimalParts::Exact(Subtract(a, b), scale, negative_, "sum");
    return DecimalParts::Exact(Subtract(b, a), scale, other.negative_, "sum");
}

Decimal Decimal::operator-(const Decimal& other) const
{
    return *this + -other;
}

Decimal Decimal::operator*(const Decimal& other) const
{
    return DecimalParts::Exact(Multiply(DecimalParts::Magnitude(*this), DecimalParts::Magnitude(other)),
                               scale_ + other.scale_, negative_ != other.negative_, "product");
}

Decimal Decimal::operator/(const Decimal& other) const
{
    if (other.IsZero()) throw ValueError("Decimal: division by zero");
    // The quotient is first taken to 28 decimals (more than any 96-bit result can keep
    // once its whole part is there), then cut to what fits and rounded once.
    const int extra = kMaxScale - scale_ + other.scale_;
    Wide dividend = DecimalParts::Magnitude(*this);
    MultiplyPow10(dividend, extra);
    Wide quotient, remainder;
    const Wide divisor = DecimalParts::Magnitude(other);
    DivideWide(dividend, divisor, quotient, remainder);
    Tail tail = Tail::Zero;
    if (!remainder.empty()) {
        Wide twice = remainder;
        ShiftLeftOne(twice);
        int c = Compare(twice, divisor);
        tail = c < 0 ? Tail::BelowHalf : c == 0 ? Tail::Half : Tail::AboveHalf;
    }
    bool rounded = false;
    Decimal q = DecimalParts::Make(std::move(quotient), kMaxScale, negative_ != other.negative_, tail,
                                   Rounding::HalfToEven, "quotient", &rounded);
    if (rounded) return q;
    // An exact quotient keeps no more decimals than it needs, nor fewer than the operands'.
    const int least = std::max(scale_ - other.scale_, 0);
    Decimal shorter = q.Normalized();
    return shorter.scale_ >= least ? shorter : (q.scale_ >= least ? q.WithScale(least) : q);
}

std::strong_ordering Decimal::operator<=>(const Decimal& other) const
{
    const bool neg = negative_ && !IsZero(), otherNeg = other.negative_ && !other.IsZero();
    if (neg != otherNeg) return neg ? std::strong_ordering::less : std::strong_ordering::greater;
    int scale = std::max(scale_, other.scale_);
    Wide a = DecimalParts::Magnitude(*this), b = DecimalParts::Magnitude(other);
    MultiplyPow10(a, scale - scale_);
    MultiplyPow10(b, scale - other.scale_);
    int c = Compare(a, b);
    if (neg) c = -c;
    return c < 0 ? std::strong_ordering::less : c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal;
}

std::size_t Decimal::Hash() const
{
    Decimal n = Normalized();
    std::size_t h = std::hash<std::uint64_t>{}(n.low_);
    h ^= std::hash<std::uint64_t>{}((static_cast<std::uint64_t>(n.high_) << 8) | n.scale_) * 0x9E3779B97F4A7C15ull;
    return n.negative_ ? ~h : h;
}

} // namespace Talvex
