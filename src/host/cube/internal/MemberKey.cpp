#include "host/cube/internal/MemberKey.hpp"

#include <bit>
#include <functional>
#include <type_traits>

namespace Talvex::Cube::Internal {

std::size_t ValueHash::operator()(const Value& v) const
{
    const auto& raw = v.Raw();
    const std::size_t seed = raw.index() * 0x9E3779B97F4A7C15ull;
    return seed ^ std::visit(
                      [](const auto& x) -> std::size_t {
                          using T = std::decay_t<decltype(x)>;
                          if constexpr (std::is_same_v<T, Empty> || std::is_same_v<T, Null>)
                              return 0;
                          else if constexpr (std::is_same_v<T, Currency>)
                              return std::hash<std::int64_t>{}(x.Units());
                          else if constexpr (std::is_same_v<T, Decimal>)
                              return x.Hash();
                          else if constexpr (std::is_same_v<T, Date>)
                              return std::hash<std::int32_t>{}(x.Serial());
                          else
                              return std::hash<T>{}(x);
                      },
                      raw);
}

namespace {

int Group(const Value& v)
{
    if (v.IsEmpty() || v.IsNull()) return 0;
    if (v.IsNumber()) return 1;
    if (v.IsDate()) return 2;
    if (v.IsText()) return 3;
    return 4;
}

template <class T> int Three(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

int CompareKeys(const Value& a, const Value& b)
{
    const int ga = Group(a);
    const int gb = Group(b);
    if (ga != gb) return ga < gb ? -1 : 1;
    switch (ga) {
    case 1: return Three(a.ToDouble(), b.ToDouble());
    case 2: return Three(a.ToDate(), b.ToDate());
    case 3: return Three(std::get<std::string>(a.Raw()), std::get<std::string>(b.Raw()));
    default: return 0;
    }
}

std::string KeyText(const Value& v)
{
    if (v.IsEmpty() || v.IsNull()) return {};
    if (v.IsDate()) return v.ToDate().ToIso();
    return v.ToText();
}

} // namespace Talvex::Cube::Internal
