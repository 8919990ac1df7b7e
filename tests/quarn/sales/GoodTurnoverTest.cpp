// Goods turnover worked out by hand: the four stock figures of a good from its lots, turnover
// days and rate with their rounding, the goods left out, group subtotals and the total.

#include "quarn/sales/GoodTurnover.hpp"
#include "host/types/Errors.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Decimal;

namespace {

Currency M(const char* text)
{
    return Currency::Parse(text);
}

Decimal Q(const char* text)
{
    return Decimal::Parse(text);
}

GoodTurnLot Lot(const char* good, const char* group, Date date, const char* amount, const char* cost,
                const char* restStart, const char* valueStart, const char* restEnd, const char* valueEnd)
{
    return {good,
            std::string("Name of ") + good,
            "VNT",
            group,
            group[0] ? "Group" : "",
            date,
            Q(amount),
            M(cost),
            Q(restStart),
            M(valueStart),
            Q(restEnd),
            M(valueEnd)};
}

std::string Days(const std::optional<Decimal>& value)
{
    return value ? value->Normalized().ToString() : "none";
}

} // namespace

TEST(GoodTurnover, TurnoverDaysAndRateRoundHalfAwayFromZeroAndAreBlankWithoutTurnover)
{
    // (10 + 11) / 2 x 1 day / 42 = 0.25 days; 42 / 10.5 = 4 times.
    EXPECT_EQ(Days(TurnoverDays(M("10"), M("11"), 1, M("42"))), "0.3");
    EXPECT_EQ(Days(TurnoverDays(M("-10"), M("-11"), 1, M("42"))), "-0.3");
    EXPECT_EQ(Days(TurnoverRate(M("10"), M("11"), M("42"))), "4");
    // 67.5 x 31 / 40 = 52.3125; 40 / 67.5 = 0.5926.
    EXPECT_EQ(Days(TurnoverDays(M("60"), M("75"), 31, M("40"))), "52.3");
    EXPECT_EQ(Days(TurnoverRate(M("60"), M("75"), M("40"))), "0.59");
    // Nothing went out: no turnover, however much lies in stock.
    EXPECT_EQ(Days(TurnoverDays(M("1000"), M("1000"), 31, M("0"))), "none");
    EXPECT_EQ(Days(TurnoverRate(M("1000"), M("1000"), M("0"))), "0");
    // Nothing in stock on average: no rate; the days are 0.
    EXPECT_EQ(Days(TurnoverRate(M("0"), M("0"), M("5"))), "none");
    EXPECT_EQ(Days(TurnoverDays(M("0"), M("0"), 31, M("5"))), "0");
}

TEST(GoodTurnover, GoodsFromTheirLotsWithSubtotalsPerGroupAndATotal)
{
    const Date beg(2026, 3, 1), end(2026, 3, 31);
    const std::vector<GoodTurnLot> lots = {
        Lot("A", "G1", Date(2026, 1, 10), "10", "100", "6", "60", "2", "20"),
        Lot("E", "G2", Date(2026, 4, 1), "9", "90", "9", "90", "9", "90"), // after the period
        Lot("A", "G1", Date(2026, 3, 15), "5", "55", "5", "55", "5", "55"),
        Lot("B", "G1", Date(2025, 12, 1), "3", "30.0001", "3", "30.0001", "3", "30.0001"),
        Lot("C", "G1", Date(2025, 6, 1), "4", "40", "0", "0", "0", "0"), // sold out before
        Lot("D", "", end, "2", "0.05", "2", "0.05", "0", "0"),           // in and out on the last day
    };
    const auto lines = GoodTurnLines(lots, beg, end);
    ASSERT_EQ(lines.size(), 6u);

    const auto& d = lines[0];
    EXPECT_EQ(d.kind, GoodTurnLineKind::kGood);
    EXPECT_EQ(d.goodCode, "D");
    EXPECT_EQ(*d.opening.quantity, Q("0"));
    EXPECT_EQ(*d.in.quantity, Q("2"));
    EXPECT_EQ(d.in.value, M("0.05"));
    EXPECT_EQ(*d.out.quantity, Q("2"));
    EXPECT_EQ(d.out.value, M("0.05"));
    EXPECT_EQ(*d.closing.quantity, Q("0"));
    EXPECT_EQ(Days(d.turnoverDays), "0");
    EXPECT_EQ(Days(d.turnoverRate), "none");

    const auto& topGroup = lines[1];
    EXPECT_EQ(topGroup.kind, GoodTurnLineKind::kGroup);
    EXPECT_EQ(topGroup.groupCode, "");
    EXPECT_FALSE(topGroup.in.quantity.has_value()) << "a group adds values only";
    EXPECT_EQ(topGroup.out.value, M("0.05"));

    const auto& a = lines[2];
    EXPECT_EQ(a.goodCode, "A");
    EXPECT_EQ(a.goodName, "Name of A");
    EXPECT_EQ(a.unitCode, "VNT");
    EXPECT_EQ(*a.opening.quantity, Q("6"));
    EXPECT_EQ(a.opening.value, M("60"));
    EXPECT_EQ(*a.in.quantity, Q("5"));
    EXPECT_EQ(a.in.value, M("55"));
    EXPECT_EQ(*a.out.quantity, Q("4"));
    EXPECT_EQ(a.out.value, M("40"));
    EXPECT_EQ(*a.closing.quantity, Q("7"));
    EXPECT_EQ(a.closing.value, M("75"));
    EXPECT_EQ(Days(a.turnoverDays), "52.3");
    EXPECT_EQ(Days(a.turnoverRate), "0.59");

    const auto& b = lines[3];
    EXPECT_EQ(b.goodCode, "B");
    EXPECT_EQ(b.out.value, Currency());
    EXPECT_EQ(Days(b.turnoverDays), "none") << "a good lying in stock does not turn";

    // G1: opening 90.0001, in 55, out 40, closing 105.0001; 97.5001 x 31 / 40 = 75.56.
    const auto& g1 = lines[4];
    EXPECT_EQ(g1.kind, GoodTurnLineKind::kGroup);
    EXPECT_EQ(g1.groupCode, "G1");
    EXPECT_EQ(g1.groupName, "Group");
    EXPECT_EQ(g1.opening.value, M("90.0001"));
    EXPECT_EQ(g1.in.value, M("55"));
    EXPECT_EQ(g1.out.value, M("40"));
    EXPECT_EQ(g1.closing.value, M("105.0001"));
    EXPECT_EQ(Days(g1.turnoverDays), "75.6");
    EXPECT_EQ(Days(g1.turnoverRate), "0.41");

    // The total: 97.5001 x 31 / 40.05 = 75.47.
    const auto& total = lines[5];
    EXPECT_EQ(total.kind, GoodTurnLineKind::kTotal);
    EXPECT_EQ(total.opening.value, M("90.0001"));
    EXPECT_EQ(total.in.value, M("55.05"));
    EXPECT_EQ(total.out.value, M("40.05"));
    EXPECT_EQ(total.closing.value, M("105.0001"));
    EXPECT_EQ(Days(total.turnoverDays), "75.5");
}

TEST(GoodTurnover, NothingToShowAndAReversedPeriodIsRefused)
{
    const Date beg(2026, 3, 1), end(2026, 3, 31);
    EXPECT_TRUE(GoodTurnLines({}, beg, end).empty());
    EXPECT_TRUE(GoodTurnLines({Lot("C", "G1", Date(2025, 6, 1), "4", "40", "0", "0", "0", "0")}, beg, end).empty());
    EXPECT_THROW((void)GoodTurnLines({}, end, beg), Talvex::ValueError);
}
