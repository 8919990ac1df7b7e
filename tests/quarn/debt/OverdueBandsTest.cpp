#include "quarn/debt/OverdueBands.hpp"
#include "host/types/Errors.hpp"
#include "quarn/debt/Penalties.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Quarn_DuzAde::OverdueBands;
using Quarn_DuzAde::OverdueInterval;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Decimal;

namespace {

OverdueBands Bands(std::vector<OverdueInterval> intervals)
{
    return OverdueBands::FromIntervals(std::move(intervals), "Not yet due", "Overdue");
}

std::string ErrorOf(std::vector<OverdueInterval> intervals)
{
    try {
        Bands(std::move(intervals));
    } catch (const Talvex::ValueError& e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(OverdueBands, ThirtySixtyNinetyGiveFourBandsWithTheFirstBoundInTheSecondBand)
{
    // Rows entered out of place: the grid's order is DaysOrder, not the order of entry.
    const auto bands = Bands({{60, false, 2}, {30, false, 1}, {90, true, 3}});
    std::vector<std::string> labels;
    for (const auto& band : bands.Bands())
        labels.push_back(band.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"1. < 30", "2. 30 - 60", "3. 61 - 90", "4. > 90"}));
    // Edges: 29 below, 30 and 60 in the second, 61 and 90 in the third, 91 above.
    const std::vector<std::pair<long, std::size_t>> cases = {{-400, 0}, {0, 0},  {29, 0}, {30, 1},  {60, 1},
                                                             {61, 2},   {90, 2}, {91, 3}, {5000, 3}};
    for (const auto& [days, band] : cases)
        EXPECT_EQ(bands.BandOf(days), band) << days << " days";
    // Every count lands in exactly one band.
    for (long d = -5; d < 100; ++d) {
        int holding = 0;
        for (const auto& band : bands.Bands())
            holding += band.Holds(d) ? 1 : 0;
        EXPECT_EQ(holding, 1) << d;
        EXPECT_TRUE(bands.Bands()[bands.BandOf(d)].Holds(d)) << d;
    }
}

TEST(OverdueBands, TenBandsOrMoreSortByTheirTextsInTheirOwnOrder)
{
    std::vector<OverdueInterval> intervals;
    for (long i = 1; i <= 10; ++i)
        intervals.push_back({i * 10, false, i});
    const auto bands = Bands(intervals);
    ASSERT_EQ(bands.Bands().size(), 11u);
    EXPECT_EQ(bands.Bands().front().label, "01. < 10");
    EXPECT_EQ(bands.Bands()[9].label, "10. 91 - 100");
    for (std::size_t i = 1; i < bands.Bands().size(); ++i)
        EXPECT_LT(bands.Bands()[i - 1].label, bands.Bands()[i].label);
}

TEST(OverdueBands, FewerThanTwoIntervalsGiveDueAndNotYetDueWhateverTheBound)
{
    for (const auto& intervals : {std::vector<OverdueInterval>{}, std::vector<OverdueInterval>{{45, false, 1}}}) {
        const auto bands = Bands(intervals);
        ASSERT_EQ(bands.Bands().size(), 2u);
        EXPECT_EQ(bands.LabelOf(0), "Not yet due"); // due today is not late yet
        EXPECT_EQ(bands.LabelOf(-3), "Not yet due");
        EXPECT_EQ(bands.LabelOf(1), "Overdue");
        EXPECT_EQ(bands.LabelOf(45), "Overdue");
    }
}

TEST(OverdueBands, RefusesBoundsThatDoNotRiseNamingTheColumnAndRow)
{
    EXPECT_EQ(ErrorOf({{30, false, 1}, {60, false, 2}}), "");
    const std::string equal = ErrorOf({{30, false, 1}, {30, false, 2}});
    EXPECT_EQ(equal.rfind("Days: row 2", 0), 0u) << equal;
    const std::string falling = ErrorOf({{30, false, 1}, {60, false, 2}, {45, false, 3}});
    EXPECT_EQ(falling.rfind("Days: row 3", 0), 0u) << falling;
    const std::string samePlace = ErrorOf({{30, false, 1}, {60, false, 1}});
    EXPECT_EQ(samePlace.rfind("DaysOrder: row 2", 0), 0u) << samePlace;
}

TEST(OverdueBands, CaseExpressionWritesEachBandOnceWithEscapedLabels)
{
    const auto bands = OverdueBands::FromIntervals({}, "Not 'yet'; due --", "Overdue");
    EXPECT_EQ(bands.CaseExpression("Doc.NeedPayDate", "'2026-01-31'"),
              "(CASE WHEN DATEDIFF(day,Doc.NeedPayDate,'2026-01-31') <= 0 THEN N'Not ''yet''; due --'"
              " WHEN DATEDIFF(day,Doc.NeedPayDate,'2026-01-31') >= 1 THEN N'Overdue' END)");
    const auto three = Bands({{10, false, 1}, {20, false, 2}, {40, false, 3}});
    const std::string sql = three.CaseExpression("D", "R");
    EXPECT_NE(sql.find("WHEN DATEDIFF(day,D,R) BETWEEN 10 AND 20 THEN N'2. 10 - 20'"), std::string::npos) << sql;
    EXPECT_NE(sql.find("WHEN DATEDIFF(day,D,R) BETWEEN 21 AND 40 THEN N'3. 21 - 40'"), std::string::npos) << sql;
    EXPECT_NE(sql.find("WHEN DATEDIFF(day,D,R) >= 41 THEN N'4. > 40'"), std::string::npos) << sql;
}

TEST(Penalties, SigningPersonCasesOfOverdueDaysAndPenalty)
{
    EXPECT_EQ(Quarn_DuzAde::OverdueDays(Date(2026, 3, 1), Date(2026, 3, 11)), 10);
    EXPECT_EQ(Quarn_DuzAde::OverdueDays(Date(2026, 3, 11), Date(2026, 3, 1)), 0); // paid early
    EXPECT_EQ(Quarn_DuzAde::OverdueDays(Date(2026, 2, 27), Date(2026, 3, 1)), 2); // across a February end
    using Quarn_DuzAde::PenaltyRoundHalfToEven;
    // 10 days x 1000 x 0.1 % = 10.00
    EXPECT_EQ(PenaltyRoundHalfToEven(Currency::Parse("1000"), 10, Decimal::Parse("0.1")), Currency::Parse("10"));
    // 3 x 33.35 x 0.05 % = 0.050025: kept to four decimals, half to even.
    EXPECT_EQ(PenaltyRoundHalfToEven(Currency::Parse("33.35"), 3, Decimal::Parse("0.05")), Currency::Parse("0.05"));
    EXPECT_EQ(PenaltyRoundHalfToEven(Currency::Parse("-10.10"), 1, Decimal::Parse("0.05")), Currency::Parse("-0.005"));
    EXPECT_EQ(PenaltyRoundHalfToEven(Currency::Parse("1000"), 0, Decimal::Parse("0.1")), Currency());
}
