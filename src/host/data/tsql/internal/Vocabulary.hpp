#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// What the front end knows of T-SQL's vocabulary: date parts and type names, shared by the
// parser (which rejects unknown ones) and the writers.
namespace Talvex::Data::TSql {

enum class DatePart { Year, Quarter, Month, DayOfYear, Day, Week, IsoWeek, Weekday, Hour, Minute, Second, Millisecond };

// day, dd, d, month, mm, m, ... in any case; nullopt for a word that is no date part.
std::optional<DatePart> DatePartOf(std::string_view word);

// The canonical name the compatibility functions take: "day", "month", "weekday", ...
std::string_view DatePartName(DatePart part);

enum class TypeFamily { Integer, Decimal, Money, Float, Bit, Char, VarChar, Text, Date, DateTime, Time, Other };

// The family of a lower-case T-SQL type name; nullopt for a name T-SQL does not have.
std::optional<TypeFamily> TypeFamilyOf(std::string_view lowerName);
inline bool IsKnownType(std::string_view lowerName)
{
    return TypeFamilyOf(lowerName).has_value();
}

struct ArgumentCount {
    std::size_t least;
    std::size_t most;
};

// How many arguments a T-SQL built-in the writers translate takes (name in upper case);
// nullopt for the functions passed through as they stand (aggregates, the ERP's own).
std::optional<ArgumentCount> ArgumentCountOf(std::string_view upperName);

} // namespace Talvex::Data::TSql
