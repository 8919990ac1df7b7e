#include "host/data/recordset/ValueCompare.hpp"

#include "host/types/Errors.hpp"

#include <charconv>
#include <memory>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace Talvex::Data::RecordsetDetail {
namespace {

// Stands for '*' and '%' in a folded LIKE pattern; no character of a text folds to it.
constexpr char32_t kAnyRun = 0xFFFFFFFF;

// One code point of UTF-8 text; a byte that starts no valid sequence stands for itself,
// so that text in another encoding still compares byte by byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length <= 1 || pos + length > text.size()) {
        ++pos;
        return lead;
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        code = (code << 6) | (next & 0x3F);
    }
    pos += length;
    return code;
}

char32_t FoldCase(char32_t c)
{
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c >= 0x100 && c <= 0x137) return c | 1;
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177) return c | 1;
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

char32_t NextFolded(std::string_view text, std::size_t& pos)
{
    return FoldCase(NextCodePoint(text, pos));
}

std::string_view WithoutTrailingBlanks(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// The company's collation at the strength that tells letters and their marks apart but not
// case. Opened once and only read afterwards: ICU's comparisons on one collator may run on
// several threads at once.
const UCollator& CompanyCollator()
{
    static const std::unique_ptr<UCollator, decltype(&ucol_close)> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UCollator, decltype(&ucol_close)> opened(ucol_open("lt_LT", &status), &ucol_close);
        if (U_FAILURE(status) || !opened) throw DatabaseError("The Lithuanian collation of ICU cannot be opened");
        ucol_setStrength(opened.get(), UCOL_SECONDARY);
        return opened;
    }();
    return *collator;
}

// Ranks of value kinds for sorting; numbers of any storage share one rank.
enum class Rank { Missing, Flag, Number, Date, Text, Object };

Rank RankOf(const Value& v)
{
    const auto& raw = v.Raw();
    if (v.IsNull() || v.IsEmpty()) return Rank::Missing;
    if (std::holds_alternative<bool>(raw)) return Rank::Flag;
    if (v.IsNumber()) return Rank::Number;
    if (v.IsDate()) return Rank::Date;
    if (v.IsText()) return Rank::Text;
    return Rank::Object;
}

template <class T> int Order(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Numbers compare exactly while both are integers, amounts or decimals; a double makes it
// a comparison of doubles, as it would be in the language.
int CompareNumbers(const Value& a, const Value& b)
{
    const auto& ra = a.Raw();
    const auto& rb = b.Raw();
    if (std::holds_alternative<double>(ra) || std::holds_alternative<double>(rb))
        return Order(a.ToDouble(), b.ToDouble());
    if (std::holds_alternative<Decimal>(ra) || std::holds_alternative<Decimal>(rb))
        return Order(a.ToDecimal(), b.ToDecimal());
    auto units = [](const Value::Storage& raw) -> __int128 {
        if (auto i = std::get_if<std::int64_t>(&raw)) return static_cast<__int128>(*i) * Currency::kScale;
        return std::get<Currency>(raw).Units();
    };
    return Order(units(ra), units(rb));
}

// Text read as a number: exactly when it is written as one, as a double only with an exponent.
std::optional<Value> TextAsNumber(const std::string& text)
{
    Currency amount;
    if (Currency::ParseExact(text, amount)) return Value(amount);
    Decimal exact;
    if (Decimal::TryParse(text, exact)) return Value(exact);
    double d = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), d);
    if (r.ec == std::errc{} && r.ptr == text.data() + text.size()) return Value(d);
    return std::nullopt;
}

std::optional<int> CompareTextWith(const std::string& text, const Value& other, bool textFirst)
{
    auto flip = [&](int r) { return textFirst ? r : -r; };
    if (other.IsNumber()) {
        // Blanks around the digits do not stop text from being read as a number.
        std::string_view digits = WithoutTrailingBlanks(text);
        while (!digits.empty() && digits.front() == ' ')
            digits.remove_prefix(1);
        auto number = TextAsNumber(std::string(digits));
        if (!number) return std::nullopt;
        return flip(CompareNumbers(*number, other));
    }
    if (other.IsDate()) {
        Date d;
        if (!Date::TryParse(text, d)) return std::nullopt;
        return flip(Order(d, other.ToDate()));
    }
    if (auto flag = std::get_if<bool>(&other.Raw())) {
        bool b = false;
        if (EqualTextNoCase(text, "true"))
            b = true;
        else if (!EqualTextNoCase(text, "false"))
            return std::nullopt;
        return flip(Order(b, *flag));
    }
    return std::nullopt;
}

} // namespace

int CompareTextNoCase(std::string_view a, std::string_view b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[j]);
        char32_t x, y;
        if (ca < 0x80 && cb < 0x80) {
            x = FoldCase(ca);
            y = FoldCase(cb);
            ++i;
            ++j;
        } else {
            x = NextFolded(a, i);
            y = NextFolded(b, j);
        }
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool EqualTextNoCase(std::string_view a, std::string_view b)
{
    // Folding keeps the length of every letter it folds, so texts of different lengths differ.
    return a.size() == b.size() && CompareTextNoCase(a, b) == 0;
}

int CompareText(std::string_view a, std::string_view b)
{
    a = WithoutTrailingBlanks(a);
    b = WithoutTrailingBlanks(b);
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult order = ucol_strcollUTF8(&CompanyCollator(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                                              static_cast<int32_t>(b.size()), &status);
    if (U_FAILURE(status)) return CompareTextNoCase(a, b);
    return order == UCOL_LESS ? -1 : order == UCOL_GREATER ? 1 : 0;
}

std::string TextKey(std::string_view text)
{
    text = WithoutTrailingBlanks(text);
    // Bytes that are no UTF-8 become U+FFFD, as the comparison reads them.
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    std::u16string wide(text.size() + 1, u'\0');
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &length, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) return std::string(text);
    std::string key(text.size() * 4 + 16, '\0');
    int32_t needed = ucol_getSortKey(&CompanyCollator(), wide.data(), length, reinterpret_cast<uint8_t*>(key.data()),
                                     static_cast<int32_t>(key.size()));
    if (needed > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<std::size_t>(needed));
        needed = ucol_getSortKey(&CompanyCollator(), wide.data(), length, reinterpret_cast<uint8_t*>(key.data()),
                                 static_cast<int32_t>(key.size()));
    }
    key.resize(static_cast<std::size_t>(needed));
    return key;
}

std::u32string FoldLikePattern(std::string_view pattern)
{
    std::u32string folded;
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        char32_t c = NextFolded(pattern, pos);
        if (c == U'*' || c == U'%') {
            if (folded.empty() || folded.back() != kAnyRun) folded.push_back(kAnyRun);
        } else {
            folded.push_back(c);
        }
    }
    return folded;
}

namespace {

bool MatchesLikeExactly(std::string_view text, std::u32string_view pattern)
{
    std::size_t t = 0, p = 0;
    std::size_t starPattern = std::u32string_view::npos, starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == kAnyRun) {
            starPattern = p++;
            starText = t;
            continue;
        }
        std::size_t next = t;
        char32_t c = NextFolded(text, next);
        if (p < pattern.size() && pattern[p] == c) {
            t = next;
            ++p;
            continue;
        }
        if (starPattern == std::u32string_view::npos) return false;
        // Let the last run swallow one more character and try again after it.
        p = starPattern + 1;
        NextCodePoint(text, starText);
        t = starText;
    }
    while (p < pattern.size() && pattern[p] == kAnyRun)
        ++p;
    return p == pattern.size();
}

} // namespace

bool MatchesLike(std::string_view text, std::u32string_view pattern)
{
    if (MatchesLikeExactly(text, pattern)) return true;
    std::size_t patternBlanks = pattern.size() - (pattern.find_last_not_of(U' ') + 1);
    std::string_view core = WithoutTrailingBlanks(text);
    if (text.size() - core.size() < patternBlanks) return false;
    return MatchesLikeExactly(text.substr(0, core.size() + patternBlanks), pattern);
}

std::optional<int> CompareValues(const Value& a, const Value& b)
{
    Rank ra = RankOf(a), rb = RankOf(b);
    if (ra == Rank::Missing || rb == Rank::Missing || ra == Rank::Object || rb == Rank::Object) return std::nullopt;
    if (ra == rb) {
        switch (ra) {
        case Rank::Flag: return Order(std::get<bool>(a.Raw()), std::get<bool>(b.Raw()));
        case Rank::Number: return CompareNumbers(a, b);
        case Rank::Date: return Order(std::get<Date>(a.Raw()), std::get<Date>(b.Raw()));
        case Rank::Text: return CompareText(std::get<std::string>(a.Raw()), std::get<std::string>(b.Raw()));
        default: return std::nullopt;
        }
    }
    if (ra == Rank::Text) return CompareTextWith(std::get<std::string>(a.Raw()), b, true);
    if (rb == Rank::Text) return CompareTextWith(std::get<std::string>(b.Raw()), a, false);
    if (ra == Rank::Flag && rb == Rank::Number) return Order(std::get<bool>(a.Raw()), b.ToDouble() != 0);
    if (ra == Rank::Number && rb == Rank::Flag) return Order(a.ToDouble() != 0, std::get<bool>(b.Raw()));
    return std::nullopt;
}

int CompareForSort(const Value& a, const Value& b)
{
    Rank ra = RankOf(a), rb = RankOf(b);
    // Kinds first, so that a column of mixed kinds still sorts in one consistent order.
    if (ra != rb) return Order(static_cast<int>(ra), static_cast<int>(rb));
    if (ra == Rank::Missing || ra == Rank::Object) return 0;
    return CompareValues(a, b).value_or(0);
}

} // namespace Talvex::Data::RecordsetDetail
