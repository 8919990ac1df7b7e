// The stock age bands and their sums per goods group, worked out by hand.

#include "quarn/sales/StockAge.hpp"

#include <gtest/gtest.h>

using Quarn_DuzAde::StockAgeBand;
using Quarn_DuzAde::StockAgeByGroup;
using Quarn_DuzAde::StockAgeDays;
using Quarn_DuzAde::StockAgeLot;
using Talvex::Currency;
using Talvex::Date;

namespace {

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

} // namespace

TEST(StockAge, BandEdgesBelongToTheOlderBandAndLaterLotsAreNew)
{
    const Date report(2026, 6, 30);
    EXPECT_EQ(StockAgeDays(report, report), 0);
    EXPECT_EQ(StockAgeDays(Date(2026, 7, 15), report), 0) << "a lot dated after the report date";
    EXPECT_EQ(StockAgeDays(Date(2026, 4, 1), report), 90);
    EXPECT_EQ(StockAgeDays(Date(2025, 6, 30), report), 365);

    const std::pair<long, std::size_t> cases[] = {{0, 0},   {89, 0},  {90, 1},  {179, 1}, {180, 2},
                                                  {359, 2}, {360, 3}, {361, 3}, {5000, 3}};
    for (const auto& [days, band] : cases)
        EXPECT_EQ(StockAgeBand(days), band) << days << " days";
}

TEST(StockAge, LotsAreSummedPerGroupAndBandInGroupOrder)
{
    const Date report(2026, 6, 30);
    const std::vector<StockAgeLot> lots = {
        {"G2:Household", report, Money("10.01")},            // bought on the report date
        {"G1:Food", Date(2026, 4, 1), Money("100.00")},      // exactly 90 days: second band
        {"G1:Food", Date(2026, 4, 2), Money("0.05")},        // 89 days: first band
        {"G2:Household", Date(2026, 1, 1), Money("7.50")},   // 180 days
        {"G2:Household", Date(2025, 7, 5), Money("2.4999")}, // 360 days
        {"G2:Household", Date(2024, 1, 1), Money("-1.00")},  // a negative rest still counts
        {"G1:Food", Date(2026, 8, 1), Money("3.00")},        // after the report date: new
        {"G3:Building", Date(2025, 12, 31), Money("0.00")},  // a rest valued at nothing
    };
    const auto rows = StockAgeByGroup(lots, report);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].goodGroupName, "G1:Food");
    EXPECT_EQ(rows[0].sums[0], Money("3.05"));
    EXPECT_EQ(rows[0].sums[1], Money("100.00"));
    EXPECT_EQ(rows[0].sums[2], Currency());
    EXPECT_EQ(rows[0].sums[3], Currency());
    EXPECT_EQ(rows[1].goodGroupName, "G2:Household");
    EXPECT_EQ(rows[1].sums[0], Money("10.01"));
    EXPECT_EQ(rows[1].sums[1], Currency());
    EXPECT_EQ(rows[1].sums[2], Money("7.50"));
    EXPECT_EQ(rows[1].sums[3], Money("1.4999"));
    EXPECT_EQ(rows[1].Total(), Money("19.0099"));
    EXPECT_EQ(rows[2].goodGroupName, "G3:Building");
    EXPECT_EQ(rows[2].Total(), Currency());
    EXPECT_TRUE(StockAgeByGroup({}, report).empty());
}
