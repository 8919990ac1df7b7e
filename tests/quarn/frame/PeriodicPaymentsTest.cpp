#include "quarn/frame/PeriodicPayments.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Quarn_DuzAde::PaymentInterval;
using Talvex::Date;

namespace {

std::vector<std::string> Iso(const std::vector<Date>& dates)
{
    std::vector<std::string> texts;
    for (const Date& d : dates)
        texts.push_back(d.ToIso());
    return texts;
}

Date D(const char* iso)
{
    return Date::Parse(iso);
}

} // namespace

TEST(PeriodicPayments, DueDayMovesBackPastHolidaysAndWeekendsUntilAWorkingDay)
{
    struct Case {
        const char* due;
        const char* expected;
        const char* why;
    };
    const Case cases[] = {
        {"2026-03-10", "2026-03-10", "a Tuesday stays"},
        {"2026-02-14", "2026-02-13", "Saturday back to Friday"},
        {"2022-05-01", "2022-04-29", "Sunday 1 May, then Saturday 30 April, to Friday"},
        {"2027-02-16", "2027-02-15", "a holiday on a Tuesday back to Monday"},
        {"2026-12-26", "2026-12-24", "26 December jumps Christmas Day"},
        {"2026-12-27", "2026-12-24", "Sunday to Christmas Day, then to its eve"},
        {"2025-01-01", "2024-12-31", "New Year's Day goes back into the old year"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Quarn_DuzAde::WorkingDayOnOrBefore(D(c.due)).ToIso(), c.expected) << c.why;

    // Days the company's calendar takes off move the date on back as well.
    const std::set<Date> companyDaysOff = {D("2026-12-24"), D("2026-06-24"), D("2026-06-23")};
    EXPECT_EQ(Quarn_DuzAde::WorkingDayOnOrBefore(D("2026-12-26"), companyDaysOff).ToIso(), "2026-12-23");
    EXPECT_EQ(Quarn_DuzAde::WorkingDayOnOrBefore(D("2026-06-24"), companyDaysOff).ToIso(), "2026-06-22");
    EXPECT_EQ(Quarn_DuzAde::WorkingDayOnOrBefore(D("2026-06-25"), companyDaysOff).ToIso(), "2026-06-25");

    EXPECT_TRUE(Quarn_DuzAde::IsPublicHoliday(D("2030-07-06")));
    EXPECT_FALSE(Quarn_DuzAde::IsPublicHoliday(D("2030-07-07")));
}

TEST(PeriodicPayments, SeriesStaysInItsYearAndFallsOnWorkingDays)
{
    // From 31 January the months clamp to their last day, each counted from the first date.
    EXPECT_EQ(
        Iso(Quarn_DuzAde::PeriodicDueDates(D("2026-01-31"), PaymentInterval::Month)),
        (std::vector<std::string>{"2026-01-31", "2026-02-28", "2026-03-31", "2026-04-30", "2026-05-31", "2026-06-30",
                                  "2026-07-31", "2026-08-31", "2026-09-30", "2026-10-31", "2026-11-30", "2026-12-31"}));
    EXPECT_EQ(
        Iso(Quarn_DuzAde::PeriodicPaymentDates(D("2026-01-31"), PaymentInterval::Month)),
        (std::vector<std::string>{"2026-01-30", "2026-02-27", "2026-03-31", "2026-04-30", "2026-05-29", "2026-06-30",
                                  "2026-07-31", "2026-08-31", "2026-09-30", "2026-10-30", "2026-11-30", "2026-12-31"}));

    EXPECT_EQ(Iso(Quarn_DuzAde::PeriodicPaymentDates(D("2026-12-01"), PaymentInterval::Quarter)),
              (std::vector<std::string>{"2026-12-01"}));
    EXPECT_EQ(Iso(Quarn_DuzAde::PeriodicDueDates(D("2026-02-15"), PaymentInterval::Quarter)),
              (std::vector<std::string>{"2026-02-15", "2026-05-15", "2026-08-15", "2026-11-15"}));
    EXPECT_EQ(Iso(Quarn_DuzAde::PeriodicPaymentDates(D("2026-12-05"), PaymentInterval::Decade)),
              (std::vector<std::string>{"2026-12-04", "2026-12-15", "2026-12-24"}));
    EXPECT_EQ(Iso(Quarn_DuzAde::PeriodicPaymentDates(D("2026-12-20"), PaymentInterval::Week, {D("2026-12-24")})),
              (std::vector<std::string>{"2026-12-18", "2026-12-23"}));
    EXPECT_EQ(Quarn_DuzAde::PeriodicDueDates(D("2026-01-01"), PaymentInterval::Week).size(), 53u);
}
