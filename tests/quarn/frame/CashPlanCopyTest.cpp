#include "quarn/frame/CashPlanCopy.hpp"

#include <gtest/gtest.h>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Erp::CashPlanLine;
using namespace Quarn_DuzAde;

namespace {

CashPlanLine Line(const char* summa, Date due, std::int64_t payDocId = 0)
{
    return {Currency::Parse(summa), due, "BANK", "K1", payDocId};
}

std::string Dates(const std::vector<CashPlanLine>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line.needPayDate.ToIso() + "=" + line.summa.ToFixed(2) + (line.payDocId ? "+paid " : " ");
    return text;
}

} // namespace

// 2027 begins on a Friday, a public holiday: its first working day is Monday 4 January.
TEST(CashPlanCopy, NextYearRepeatsEachLineOnItsWorkingDayAndCarriesTheUnsettled)
{
    EXPECT_EQ(FirstWorkingDay(2027), Date(2027, 1, 4));
    EXPECT_EQ(FirstWorkingDay(2027, {Date(2027, 1, 4)}), Date(2027, 1, 5));
    const std::vector<CashPlanLine> plan{
        Line("100.00", Date(2026, 1, 15)),   // Friday 15 January 2027 as it stands
        Line("50.50", Date(2026, 2, 28), 7), // Sunday 28 February 2027: back to Friday the 26th
        Line("10.01", Date(2026, 1, 1)),     // 1 January 2027 would move into 2026: the first working day
        Line("7.00", Date(2026, 12, 26), 9), // Sunday 26 December 2027: back past Christmas to the 24th
    };
    EXPECT_EQ(Dates(NextYearPlanLines(plan, 2027, false)),
              "2027-01-15=100.00 2027-02-26=50.50 2027-01-04=10.01 2027-12-24=7.00 ");
    // Carried over: only what no payment settled, due when the new year's work starts.
    EXPECT_EQ(Dates(NextYearPlanLines(plan, 2027, true)),
              "2027-01-04=100.00 2027-01-04=10.01 "
              "2027-01-15=100.00 2027-02-26=50.50 2027-01-04=10.01 2027-12-24=7.00 ");
    // The company's own day off moves a line back, and the carried lines forward.
    EXPECT_EQ(Dates(NextYearPlanLines({plan[0]}, 2027, true, {Date(2027, 1, 15), Date(2027, 1, 4)})),
              "2027-01-05=100.00 2027-01-14=100.00 ");
    // 29 February recurs on the 28th; a line without a date keeps none.
    EXPECT_EQ(Dates(NextYearPlanLines({Line("1.00", Date(2024, 2, 29)), Line("2.00", Date())}, 2025, false)),
              "2025-02-28=1.00 1970-01-01=2.00 ");
    EXPECT_TRUE(NextYearPlanLines({}, 2027, true).empty());
}

TEST(CashPlanCopy, MonthsCountPlannedSettledAndOpenOfTheYearOnly)
{
    const auto months = PlanByMonth({Line("100.00", Date(2026, 1, 15)), Line("10.01", Date(2026, 1, 31), 3),
                                     Line("50.50", Date(2026, 2, 1), 7), Line("-5.00", Date(2026, 2, 2)),
                                     Line("999.99", Date(2027, 1, 1)), Line("1.00", Date())},
                                    2026);
    EXPECT_EQ(months[0].lines, 2u);
    EXPECT_EQ(months[0].planned, Currency::Parse("110.01"));
    EXPECT_EQ(months[0].settled, Currency::Parse("10.01"));
    EXPECT_EQ(months[0].Open(), Currency::Parse("100.00"));
    EXPECT_EQ(months[1].lines, 2u);
    EXPECT_EQ(months[1].planned, Currency::Parse("45.50"));
    EXPECT_EQ(months[1].settled, Currency::Parse("50.50"));
    EXPECT_EQ(months[1].Open(), Currency::Parse("-5.00"));
    for (std::size_t m = 2; m < 12; ++m) {
        EXPECT_EQ(months[m].lines, 0u) << m;
        EXPECT_EQ(months[m].planned, Currency()) << m;
    }
}
