#include "host/types/Value.hpp"

#include "host/types/Errors.hpp"
#include "host/types/Overloaded.hpp"

#include <charconv>
#include <cmath>
#include <limits>

namespace Talvex {
namespace {

std::string DoubleText(double d)
{
    if (std::isnan(d) || std::isinf(d)) throw ValueError("Value: the number is not finite");
    // Shortest text that reads back exactly, in fixed notation (no exponent).
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
    std::string s(buf, r.ptr);
    char shortest[64];
    auto g = std::to_chars(shortest, shortest + sizeof shortest, d);
    std::string_view sv(shortest, static_cast<std::size_t>(g.ptr - shortest));
    if (sv.find('e') == std::string_view::npos) return std::string(sv);
    return s;
}

[[noreturn]] void CannotConvert(const Value& v, const char* to)
{
    std::string what = v.IsNull() ? "null" : v.IsObject() ? "an object" : "'" + v.ToText() + "'";
    throw ValueError("Value: " + what + " cannot be read as " + to);
}

} // namespace

bool Value::IsNumber() const
{
    return std::holds_alternative<std::int64_t>(v_) || std::holds_alternative<Currency>(v_) ||
           std::holds_alternative<Decimal>(v_) || std::holds_alternative<double>(v_);
}

std::string Value::ToText() const
{
    return std::visit(Overloaded{
                          [](const Empty&) { return std::string(); },
                          [](const Null&) -> std::string { throw ValueError("Value: null cannot be read as text"); },
                          [](bool b) { return std::string(b ? "True" : "False"); },
                          [](std::int64_t i) { return std::to_string(i); },
                          [](Currency c) { return c.ToString(); },
                          [](const Decimal& d) { return d.ToString(); },
                          [](double d) { return DoubleText(d); },
                          [](const std::string& s) { return s; },
                          [](Date d) { return d.ToIso(); },
                          [](const std::shared_ptr<Object>&) -> std::string {
                              throw ValueError("Value: an object cannot be read as text");
                          },
                      },
                      v_);
}

std::string Value::ToInvariantText() const
{
    if (IsNull() || IsEmpty()) return {};
    if (auto b = std::get_if<bool>(&v_)) return *b ? "1" : "0";
    return ToText();
}

std::int64_t Value::ToInteger() const
{
    return std::visit(
        Overloaded{
            [](const Empty&) -> std::int64_t { return 0; },
            [this](const Null&) -> std::int64_t { CannotConvert(*this, "an integer"); },
            [](bool b) -> std::int64_t { return b ? -1 : 0; },
            [](std::int64_t i) { return i; },
            [](Currency c) { return Decimal::FromCurrency(c).ToInteger(); },
            [](const Decimal& d) { return d.ToInteger(); },
            [this](double d) -> std::int64_t {
                if (!(std::fabs(d) < 9.2e18)) CannotConvert(*this, "an integer");
                return static_cast<std::int64_t>(std::nearbyint(d));
            },
            [this](const std::string& s) -> std::int64_t {
                Currency c;
                if (!Currency::ParseExact(s, c)) CannotConvert(*this, "an integer");
                return static_cast<std::int64_t>(std::nearbyint(c.ToDouble()));
            },
            [](Date d) -> std::int64_t { return d.Serial(); },
            [this](const std::shared_ptr<Object>&) -> std::int64_t { CannotConvert(*this, "an integer"); },
        },
        v_);
}

Currency Value::ToCurrency() const
{
    return std::visit(Overloaded{
                          [](const Empty&) { return Currency(); },
                          [this](const Null&) -> Currency { CannotConvert(*this, "an amount"); },
                          [](bool b) { return Currency::FromInteger(b ? -1 : 0); },
                          [](std::int64_t i) { return Currency::FromInteger(i); },
                          [](Currency c) { return c; },
                          [](const Decimal& d) { return d.ToCurrency(); },
                          [this](double d) -> Currency {
                              if (!(std::fabs(d) < 9.2e14)) CannotConvert(*this, "an amount");
                              return Currency::Parse(DoubleText(d));
                          },
                          [this](const std::string& s) -> Currency {
                              Currency c;
                              try {
                                  c = Currency::Parse(s);
                              } catch (const ValueError&) {
                                  CannotConvert(*this, "an amount");
                              }
                              return c;
                          },
                          [this](Date) -> Currency { CannotConvert(*this, "an amount"); },
                          [this](const std::shared_ptr<Object>&) -> Currency { CannotConvert(*this, "an amount"); },
                      },
                      v_);
}

Decimal Value::ToDecimal() const
{
    if (auto d = std::get_if<Decimal>(&v_)) return *d;
    if (auto c = std::get_if<Currency>(&v_)) return Decimal::FromCurrency(*c);
    if (auto i = std::get_if<std::int64_t>(&v_)) return Decimal::FromInteger(*i);
    if (auto d = std::get_if<double>(&v_)) return Decimal::FromDouble(*d);
    if (auto b = std::get_if<bool>(&v_)) return Decimal::FromInteger(*b ? -1 : 0);
    if (IsEmpty()) return Decimal();
    if (auto s = std::get_if<std::string>(&v_)) {
        Decimal d;
        if (!Decimal::TryParse(*s, d)) CannotConvert(*this, "a number");
        return d;
    }
    CannotConvert(*this, "a number");
}

double Value::ToDouble() const
{
    if (auto d = std::get_if<double>(&v_)) return *d;
    if (auto d = std::get_if<Decimal>(&v_)) return d->ToDouble();
    if (auto i = std::get_if<std::int64_t>(&v_)) return static_cast<double>(*i);
    if (auto s = std::get_if<std::string>(&v_)) {
        double d = 0;
        auto r = std::from_chars(s->data(), s->data() + s->size(), d);
        if (r.ec != std::errc{} || r.ptr != s->data() + s->size()) CannotConvert(*this, "a number");
        return d;
    }
    return ToCurrency().ToDouble();
}

Date Value::ToDate() const
{
    if (auto d = std::get_if<Date>(&v_)) return *d;
    if (auto s = std::get_if<std::string>(&v_)) {
        Date d;
        if (!Date::TryParse(*s, d)) CannotConvert(*this, "a date");
        return d;
    }
    CannotConvert(*this, "a date");
}

bool Value::ToBool() const
{
    if (auto b = std::get_if<bool>(&v_)) return *b;
    if (IsEmpty()) return false;
    if (auto s = std::get_if<std::string>(&v_)) {
        if (*s == "True" || *s == "true") return true;
        if (*s == "False" || *s == "false") return false;
    }
    if (IsNumber() || IsText()) return ToDouble() != 0;
    CannotConvert(*this, "a flag");
}

std::shared_ptr<Object> Value::ToObject() const
{
    if (auto o = std::get_if<std::shared_ptr<Object>>(&v_)) return *o;
    CannotConvert(*this, "an object");
}

} // namespace Talvex
