#include "quarn/settlement/SetOffPlan.hpp"

#include <gtest/gtest.h>

using Quarn_DuzAde::PlanSetOff;
using Quarn_DuzAde::SetOffTerm;
using Talvex::Currency;
using Talvex::Date;

namespace {

SetOffTerm Term(std::int64_t idc, const char* date, const char* due, const char* debt, const char* accDebt)
{
    return {idc,
            "N-" + std::to_string(idc),
            Date::Parse(date),
            Date::Parse(due),
            Currency::Parse(debt),
            Currency::Parse(accDebt)};
}

// "idc summa summaCur" per link.
std::vector<std::string> Links(const Quarn_DuzAde::SetOffDocumentPlan& plan)
{
    std::vector<std::string> out;
    for (const auto& l : plan.links)
        out.push_back(std::to_string(l.idc) + " " + l.summa.ToString() + " " + l.summaCur.ToString());
    return out;
}

} // namespace

TEST(SetOffPlan, SettlesEveryOpenDocumentOldestDueFirstInBothCurrenciesAsListed)
{
    const auto plan = PlanSetOff({
        Term(1, "2026-01-02", "2026-02-01", "100", "100"),
        Term(1, "2026-01-02", "2026-01-10", "50", "50"),     // the earliest open term orders document 1
        Term(2, "2026-01-03", "2026-01-05", "10", "9.1234"), // a foreign invoice at its own date's rate
        Term(3, "2025-12-01", "2025-12-01", "0", "0"),       // paid: settled by nothing
        Term(4, "2026-01-01", "2026-01-10", "5", "5"),       // due with 1, but dated earlier
    });
    EXPECT_EQ(plan.summa, Currency::Parse("164.1234"));
    EXPECT_EQ(Links(plan), (std::vector<std::string>{"2 9.1234 10", "4 5 5", "1 150 150"}));
    EXPECT_EQ(plan.links[0].number, "N-2");
}

TEST(SetOffPlan, ACreditLowersTheSumAndTheLastDocumentIsSettledInPartAtItsOwnRate)
{
    const auto plan = PlanSetOff({
        Term(10, "2026-01-01", "2026-01-01", "100", "100"),
        Term(11, "2026-01-05", "2026-02-01", "70", "60"),   // 70 units at 60 in the account currency
        Term(12, "2026-01-07", "2026-01-07", "-40", "-40"), // a credit settles nothing of its own
    });
    EXPECT_EQ(plan.summa, Currency::Parse("120"));
    // 20 of 60 is a third of 70 units: 23.33333... to four decimals.
    EXPECT_EQ(Links(plan), (std::vector<std::string>{"10 100 100", "11 20 23.3333"}));
    Currency linked;
    for (const auto& l : plan.links)
        linked += l.summa;
    EXPECT_EQ(linked, plan.summa);
}

TEST(SetOffPlan, NothingToSettleGivesNoLinks)
{
    EXPECT_TRUE(PlanSetOff({}).links.empty());
    EXPECT_EQ(PlanSetOff({}).summa, Currency());
    const auto credits =
        PlanSetOff({Term(1, "2026-01-01", "2026-01-01", "-5", "-5"), Term(2, "2026-01-01", "2026-01-01", "3", "3")});
    EXPECT_EQ(credits.summa, Currency::Parse("-2"));
    EXPECT_TRUE(credits.links.empty());
    // Half a unit of the fourth decimal rounds away from zero: 0.0003 of 0.0002 is 1.5 units.
    const auto half = PlanSetOff({Term(1, "2026-01-01", "2026-01-01", "0.0003", "0.0002"),
                                  Term(2, "2026-01-02", "2026-01-02", "-0.0001", "-0.0001")});
    EXPECT_EQ(Links(half), (std::vector<std::string>{"1 0.0001 0.0002"}));
}
