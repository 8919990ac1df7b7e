#include "host/types/Date.hpp"

#include "host/types/Errors.hpp"

#include <charconv>
#include <cstdio>

namespace Talvex {

using namespace std::chrono;

Date::Date(int year, unsigned month, unsigned day)
{
    year_month_day ymd{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    if (!ymd.ok())
        throw ValueError("Date: " + std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day) +
                         " is not a calendar date");
    days_ = static_cast<std::int32_t>(sys_days{ymd}.time_since_epoch().count());
}

bool Date::TryParse(std::string_view text, Date& out)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return false;
    int y = 0;
    unsigned m = 0, d = 0;
    auto num = [&](std::size_t pos, std::size_t len, auto& v) {
        auto r = std::from_chars(text.data() + pos, text.data() + pos + len, v);
        return r.ec == std::errc{} && r.ptr == text.data() + pos + len;
    };
    if (!num(0, 4, y) || !num(5, 2, m) || !num(8, 2, d)) return false;
    if (text.size() > 10 && text[10] != ' ' && text[10] != 'T') return false;
    year_month_day ymd{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}};
    if (!ymd.ok()) return false;
    out = Date(static_cast<std::int32_t>(sys_days{ymd}.time_since_epoch().count()));
    return true;
}

Date Date::Parse(std::string_view text)
{
    Date d;
    if (!TryParse(text, d)) throw ValueError("Date: '" + std::string(text) + "' is not a date (yyyy-mm-dd)");
    return d;
}

year_month_day Date::ToYmd() const
{
    return year_month_day{sys_days{days{days_}}};
}
int Date::Year() const
{
    return static_cast<int>(ToYmd().year());
}
unsigned Date::Month() const
{
    return static_cast<unsigned>(ToYmd().month());
}
unsigned Date::Day() const
{
    return static_cast<unsigned>(ToYmd().day());
}
unsigned Date::IsoWeekday() const
{
    return weekday{sys_days{days{days_}}}.iso_encoding();
}

std::string Date::ToIso() const
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", Year(), Month(), Day());
    return buf;
}

Date Date::AddMonthsClamped(int monthCount) const
{
    year_month_day ymd = ToYmd();
    year_month_day moved = ymd + months{monthCount};
    if (!moved.ok()) moved = year_month_day_last{moved.year(), month_day_last{moved.month()}};
    return Date(static_cast<std::int32_t>(sys_days{moved}.time_since_epoch().count()));
}

Date Date::FirstOfMonth() const
{
    year_month_day ymd = ToYmd();
    return Date(static_cast<std::int32_t>(sys_days{ymd.year() / ymd.month() / 1}.time_since_epoch().count()));
}

Date Date::LastOfMonth() const
{
    year_month_day ymd = ToYmd();
    return Date(static_cast<std::int32_t>(
        sys_days{year_month_day_last{ymd.year(), month_day_last{ymd.month()}}}.time_since_epoch().count()));
}

} // namespace Talvex
