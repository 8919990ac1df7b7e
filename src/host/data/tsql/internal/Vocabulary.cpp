#include "host/data/tsql/internal/Vocabulary.hpp"

#include "host/data/tsql/internal/Text.hpp"

#include <algorithm>
#include <cctype>
#include <string>

namespace Talvex::Data::TSql {
namespace {

struct DatePartSpelling {
    std::string_view word;
    DatePart part;
};

constexpr DatePartSpelling kDateParts[] = {
    {"year", DatePart::Year},
    {"yy", DatePart::Year},
    {"yyyy", DatePart::Year},
    {"quarter", DatePart::Quarter},
    {"qq", DatePart::Quarter},
    {"q", DatePart::Quarter},
    {"month", DatePart::Month},
    {"mm", DatePart::Month},
    {"m", DatePart::Month},
    {"dayofyear", DatePart::DayOfYear},
    {"dy", DatePart::DayOfYear},
    {"y", DatePart::DayOfYear},
    {"day", DatePart::Day},
    {"dd", DatePart::Day},
    {"d", DatePart::Day},
    {"week", DatePart::Week},
    {"wk", DatePart::Week},
    {"ww", DatePart::Week},
    {"iso_week", DatePart::IsoWeek},
    {"isowk", DatePart::IsoWeek},
    {"isoww", DatePart::IsoWeek},
    {"weekday", DatePart::Weekday},
    {"dw", DatePart::Weekday},
    {"w", DatePart::Weekday},
    {"hour", DatePart::Hour},
    {"hh", DatePart::Hour},
    {"minute", DatePart::Minute},
    {"mi", DatePart::Minute},
    {"n", DatePart::Minute},
    {"second", DatePart::Second},
    {"ss", DatePart::Second},
    {"s", DatePart::Second},
    {"millisecond", DatePart::Millisecond},
    {"ms", DatePart::Millisecond},
};

struct TypeSpelling {
    std::string_view name;
    TypeFamily family;
};

constexpr TypeSpelling kTypes[] = {
    {"int", TypeFamily::Integer},        {"integer", TypeFamily::Integer},
    {"bigint", TypeFamily::Integer},     {"smallint", TypeFamily::Integer},
    {"tinyint", TypeFamily::Integer},    {"bit", TypeFamily::Bit},
    {"decimal", TypeFamily::Decimal},    {"numeric", TypeFamily::Decimal},
    {"dec", TypeFamily::Decimal},        {"money", TypeFamily::Money},
    {"smallmoney", TypeFamily::Money},   {"float", TypeFamily::Float},
    {"real", TypeFamily::Float},         {"char", TypeFamily::Char},
    {"nchar", TypeFamily::Char},         {"character", TypeFamily::Char},
    {"varchar", TypeFamily::VarChar},    {"nvarchar", TypeFamily::VarChar},
    {"text", TypeFamily::Text},          {"ntext", TypeFamily::Text},
    {"date", TypeFamily::Date},          {"datetime", TypeFamily::DateTime},
    {"datetime2", TypeFamily::DateTime}, {"smalldatetime", TypeFamily::DateTime},
    {"time", TypeFamily::Time},          {"uniqueidentifier", TypeFamily::Other},
};

struct FunctionArity {
    std::string_view name;
    ArgumentCount count;
};

constexpr FunctionArity kFunctions[] = {
    {"ISNULL", {2, 2}},
    {"IIF", {3, 3}},
    {"LEN", {1, 1}},
    {"LEFT", {2, 2}},
    {"RIGHT", {2, 2}},
    {"SUBSTRING", {3, 3}},
    {"CHARINDEX", {2, 3}},
    {"LTRIM", {1, 1}},
    {"RTRIM", {1, 1}},
    {"UPPER", {1, 1}},
    {"LOWER", {1, 1}},
    {"REVERSE", {1, 1}},
    {"REPLACE", {3, 3}},
    {"REPLICATE", {2, 2}},
    {"SPACE", {1, 1}},
    {"CHAR", {1, 1}},
    {"NCHAR", {1, 1}},
    {"ASCII", {1, 1}},
    {"STR", {1, 3}},
    {"ROUND", {2, 3}},
    {"LOG", {1, 1}},
    {"LOG10", {1, 1}},
    {"YEAR", {1, 1}},
    {"MONTH", {1, 1}},
    {"DAY", {1, 1}},
    {"DATEPART", {2, 2}},
    {"DATENAME", {2, 2}},
    {"DATEADD", {3, 3}},
    {"DATEDIFF", {3, 3}},
    {"GETDATE", {0, 0}},
    {"SYSDATETIME", {0, 0}},
    {"NULLIF", {2, 2}},
    {"ABS", {1, 1}},
    {"FLOOR", {1, 1}},
    {"CEILING", {1, 1}},
    {"SIGN", {1, 1}},
    {"SCOPE_IDENTITY", {0, 0}},
};

} // namespace

std::optional<ArgumentCount> ArgumentCountOf(std::string_view upperName)
{
    for (const auto& f : kFunctions)
        if (f.name == upperName) return f.count;
    return std::nullopt;
}

std::optional<DatePart> DatePartOf(std::string_view word)
{
    std::string lower = AsciiLower(word);
    for (const auto& s : kDateParts)
        if (s.word == lower) return s.part;
    return std::nullopt;
}

std::string_view DatePartName(DatePart part)
{
    switch (part) {
    case DatePart::Year: return "year";
    case DatePart::Quarter: return "quarter";
    case DatePart::Month: return "month";
    case DatePart::DayOfYear: return "dayofyear";
    case DatePart::Day: return "day";
    case DatePart::Week: return "week";
    case DatePart::IsoWeek: return "iso_week";
    case DatePart::Weekday: return "weekday";
    case DatePart::Hour: return "hour";
    case DatePart::Minute: return "minute";
    case DatePart::Second: return "second";
    case DatePart::Millisecond: return "millisecond";
    }
    return "day";
}

std::optional<TypeFamily> TypeFamilyOf(std::string_view lowerName)
{
    for (const auto& t : kTypes)
        if (t.name == lowerName) return t.family;
    return std::nullopt;
}

} // namespace Talvex::Data::TSql
