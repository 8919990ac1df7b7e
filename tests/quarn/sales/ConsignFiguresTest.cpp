#include "quarn/sales/ConsignFigures.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Quarn_DuzAde::ConsignSourceRow;
using Quarn_DuzAde::FiguresOf;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Decimal;

namespace {

Decimal D(const char* text)
{
    return Decimal::Parse(text);
}

std::string Fixed(const Decimal& d)
{
    return d.ToFixed(2);
}

// 10 bought for 100.00 on the date, 4 sold, with the term given.
ConsignSourceRow Row(const char* date, std::optional<long> payTerm, const char* good = "G1")
{
    return ConsignSourceRow{"V1", good, "Good", "VNT", D("100"), D("10"), D("10"), D("4"), payTerm, Date::Parse(date)};
}

// "rest restAmount restForPay restForPayAmount sale saleForPay"
std::string Show(const Quarn_DuzAde::ConsignRowFigures& f)
{
    return Fixed(f.rest) + " " + Fixed(f.restAmount) + " " + Fixed(f.restForPay) + " " + Fixed(f.restForPayAmount) +
           " " + Fixed(f.sale) + " " + Fixed(f.saleForPay);
}

} // namespace

TEST(ConsignFigures, TheTermDecidesWhatIsDueOfTheRestAndOfTheSales)
{
    const Date repDate(2026, 6, 30);
    // 30 days' term, bought 40 days before: the rest and the sales are due.
    EXPECT_EQ(Show(FiguresOf(Row("2026-05-21", 30), repDate)), "60.00 6.00 60.00 6.00 0.00 40.00");
    // Bought 20 days before: nothing is due yet.
    EXPECT_EQ(Show(FiguresOf(Row("2026-06-10", 30), repDate)), "60.00 6.00 0.00 0.00 40.00 0.00");
    // Due on the report date itself.
    EXPECT_EQ(Show(FiguresOf(Row("2026-05-31", 30), repDate)), "60.00 6.00 60.00 6.00 0.00 40.00");
    // No term: the rest is never due, the sales are due from the document's date.
    EXPECT_EQ(Show(FiguresOf(Row("2026-06-29", std::nullopt), repDate)), "60.00 6.00 0.00 0.00 0.00 40.00");
    // A net amount of 0 (all returned): unit cost 0, so no money at all.
    auto returned = Row("2026-05-21", 30);
    returned.netAmount = D("0");
    returned.fixedAmount = D("0");
    EXPECT_EQ(Show(FiguresOf(returned, repDate)), "0.00 0.00 0.00 0.00 0.00 0.00");
    // A service row has no stock and counts as sold in full.
    auto service = Row("2026-05-21", 30, Quarn_DuzAde::kServiceGood);
    service.fixedAmount = D("0");
    EXPECT_EQ(Show(FiguresOf(service, repDate)), "0.00 0.00 0.00 0.00 0.00 100.00");
    // Returns and discounts net out before the unit cost: 100.00 for 3 leaves 33.33.. each.
    auto thirds = Row("2026-06-10", 30);
    thirds.netAmount = D("3");
    thirds.fixedAmount = D("1");
    EXPECT_EQ(Show(FiguresOf(thirds, repDate)), "66.67 2.00 0.00 0.00 33.33 0.00");
}

TEST(ConsignFigures, RestsAddUpPerVendorAndGoodRoundedOnceAndSettlementsNeverBoth)
{
    const Date repDate(2026, 6, 30);
    // Three thirds of a cent each: exact sums round once (0.01), not per row (0.00).
    std::vector<ConsignSourceRow> rows;
    for (int i = 0; i < 3; ++i) {
        auto r = Row("2026-06-10", 30);
        r.netSum = D("0.01");
        r.netAmount = D("3");
        r.fixedAmount = D("2");
        rows.push_back(r);
    }
    // 433.42 for 36, 27 left: exactly 325.065, which rounds up.
    auto half = Row("2026-06-10", 30, "H1");
    half.netSum = D("433.42");
    half.netAmount = D("36");
    half.fixedAmount = D("9");
    rows.push_back(half);
    auto other = Row("2026-05-01", 30, "A0");
    other.client = "V0";
    rows.push_back(other);
    auto gone = Row("2026-05-01", 30, "G9"); // everything sold: nothing left of it
    gone.fixedAmount = D("10");
    rows.push_back(gone);
    const auto rest = Quarn_DuzAde::RestByVendorFill(rows, repDate);
    ASSERT_EQ(rest.size(), 3U);
    EXPECT_EQ(rest[0].client + " " + rest[0].goodCode, "V0 A0");
    EXPECT_EQ(rest[0].rest, Currency::FromInteger(60));
    EXPECT_EQ(Fixed(rest[0].restForPayAmount), "6.00");
    EXPECT_EQ(rest[1].client + " " + rest[1].goodCode, "V1 G1");
    EXPECT_EQ(rest[1].rest, Currency::Parse("0.01"));
    EXPECT_EQ(Fixed(rest[1].restAmount), "3.00");
    EXPECT_EQ(Fixed(rest[1].restForPayAmount), "0.00");
    EXPECT_EQ(rest[2].goodCode, "H1");
    EXPECT_EQ(rest[2].rest, Currency::Parse("325.07"));

    const auto over =
        Quarn_DuzAde::SettlementOf(Currency::FromInteger(100), Currency::FromInteger(30), Currency::FromInteger(50));
    EXPECT_EQ(over.overPayed, Currency::FromInteger(20));
    EXPECT_EQ(over.needPay, Currency());
    const auto owed =
        Quarn_DuzAde::SettlementOf(Currency::FromInteger(10), Currency::FromInteger(30), Currency::FromInteger(50));
    EXPECT_EQ(owed.needPay, Currency::FromInteger(70));
    EXPECT_EQ(owed.overPayed, Currency());
    const auto even =
        Quarn_DuzAde::SettlementOf(Currency::FromInteger(80), Currency::FromInteger(30), Currency::FromInteger(50));
    EXPECT_EQ(even.needPay, Currency());
    EXPECT_EQ(even.overPayed, Currency());
}
