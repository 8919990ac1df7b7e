#pragma once

#include <chrono>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace Talvex {

// A calendar date as the ERP keeps document dates: no time of day. Month arithmetic
// lives here once: adding months clamps to the month's last day (31 Jan + 1 month = 28/29 Feb).
class Date {
public:
    constexpr Date() = default;
    Date(int year, unsigned month, unsigned day); // throws ValueError on an impossible date
    static Date FromSerial(std::int32_t daysSince1970) { return Date(daysSince1970); }
    // ISO "yyyy-mm-dd"; also accepts a trailing time ("2014-02-01 00:00:00"), which is dropped.
    static Date Parse(std::string_view text);
    static bool TryParse(std::string_view text, Date& out);

    int Year() const;
    unsigned Month() const;
    unsigned Day() const;
    // ISO day of week: Monday 1 .. Sunday 7.
    unsigned IsoWeekday() const;
    std::int32_t Serial() const { return days_; }
    std::chrono::year_month_day ToYmd() const;

    std::string ToIso() const; // yyyy-mm-dd

    [[nodiscard]] Date AddDays(std::int32_t days) const { return Date(days_ + days); }
    [[nodiscard]] Date AddMonthsClamped(int months) const;
    [[nodiscard]] Date FirstOfMonth() const;
    [[nodiscard]] Date LastOfMonth() const;
    std::int32_t DaysUntil(Date later) const { return later.days_ - days_; }

    constexpr auto operator<=>(const Date&) const = default;

private:
    constexpr explicit Date(std::int32_t days) : days_(days) {}
    std::int32_t days_ = 0;
};

} // namespace Talvex
