#pragma once

#include "host/types/Date.hpp"

#include <string>

namespace Quarn_DuzAde {

// The longest period a report's form takes: a hundred years of months. Far beyond any
// business question, and short enough that a report over it ends in reasonable time; a
// slip of the year (0001 to 9999) is refused instead of running for hours.
inline constexpr int kMaxPeriodMonths = 1200;

// Calendar months the period touches, both ends counted (January to March: 3).
[[nodiscard]] int MonthsInPeriod(Talvex::Date beg, Talvex::Date end);

// Empty when the period is within kMaxPeriodMonths, else the refusal naming the field.
[[nodiscard]] std::string PeriodTooLong(const std::string& endField, Talvex::Date beg, Talvex::Date end);

} // namespace Quarn_DuzAde
