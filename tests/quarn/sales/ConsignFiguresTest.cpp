#include "quarn/sales/ConsignFigures.hpp"

#include <gtest/gtest.h>

#include <map>
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
    ConsignSourceRow row;
    row.client = "V1";
    row.clientName = "Vendor 1";
    row.goodCode = good;
    row.goodName = "Good";
    row.unitCode = "VNT";
    row.netSum = D("100");
    row.netAmount = D("10");
    row.grossAmount = D("10");
    row.fixedAmount = D("4");
    row.payTerm = payTerm;
    row.docDate = Date::Parse(date);
    return row;
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

TEST(ConsignFigures, DebtByVendorSumsEachVendorOnceAndSetsPaymentsAgainstWhatIsDue)
{
    const Date repDate(2026, 6, 30);
    std::vector<ConsignSourceRow> rows;
    // V1: one row due (rest 60, sold 40), one not due (rest 60, sold 40), and thirds of a cent
    // that round once per vendor.
    rows.push_back(Row("2026-05-21", 30));
    rows.push_back(Row("2026-06-10", 30));
    for (int i = 0; i < 3; ++i) {
        auto r = Row("2026-06-10", 30, "H1");
        r.netSum = D("0.01");
        r.netAmount = D("3");
        r.fixedAmount = D("2");
        rows.push_back(r);
    }
    // V2: a service row without term, sold whole and due at once; paid more than that.
    auto service = Row("2026-06-29", std::nullopt, Quarn_DuzAde::kServiceGood);
    service.client = "V2";
    service.clientName = "Vendor 2";
    service.fixedAmount = D("0");
    rows.push_back(service);
    // Rows come in any order: V2's before V1's makes no difference.
    std::swap(rows.front(), rows.back());

    const std::map<std::string, Currency> credit{{"V1", Currency::Parse("-150.005")}, {"V9", Currency::FromInteger(5)}};
    const std::map<std::string, Currency> payed{{"V1", Currency::FromInteger(30)}, {"V2", Currency::FromInteger(130)}};
    const auto debt = Quarn_DuzAde::DebtByVendorFill(rows, credit, payed, repDate);
    ASSERT_EQ(debt.size(), 2U); // a vendor without consignment rows (V9) is not listed
    const auto& v1 = debt[0];
    EXPECT_EQ(v1.vendCode + " " + v1.vendName, "V1 Vendor 1");
    EXPECT_EQ(v1.debtSum, Currency::Parse("150.01"));
    EXPECT_EQ(v1.rest, Currency::Parse("120.01")); // 60 + 60 + 3 x 0.00333..
    EXPECT_EQ(v1.restForPay, Currency::FromInteger(60));
    EXPECT_EQ(v1.sale, Currency::Parse("40.02")); // 40 + 3 x 0.00666..
    EXPECT_EQ(v1.saleForPay, Currency::FromInteger(40));
    EXPECT_EQ(v1.payed, Currency::FromInteger(30));
    EXPECT_EQ(v1.needPay, Currency::FromInteger(70));
    EXPECT_EQ(v1.overPayed, Currency());
    const auto& v2 = debt[1];
    EXPECT_EQ(v2.vendCode, "V2");
    EXPECT_EQ(v2.debtSum, Currency()); // no ledger balance
    EXPECT_EQ(v2.rest, Currency());
    EXPECT_EQ(v2.saleForPay, Currency::FromInteger(100));
    EXPECT_EQ(v2.overPayed, Currency::FromInteger(30));
    EXPECT_EQ(v2.needPay, Currency());

    EXPECT_TRUE(Quarn_DuzAde::DebtByVendorFill({}, credit, payed, repDate).empty());
}

TEST(ConsignFigures, RestByPurchaseRowKeepsEachRowWithItsPurchase)
{
    const Date repDate(2026, 6, 30);
    auto first = Row("2026-05-21", 30);
    first.docId = 7;
    first.posNumb = 2;
    first.incDocCode = "PISF:2026.05.21:A-7";
    auto second = Row("2026-06-10", 30);
    second.docId = 5;
    second.posNumb = 1;
    second.incDocCode = "PISF:2026.06.10:A-5";
    const auto byGood = Quarn_DuzAde::RestByVendorFill({first, second}, repDate);
    ASSERT_EQ(byGood.size(), 1U);
    EXPECT_EQ(byGood[0].rest, Currency::FromInteger(120));
    EXPECT_EQ(byGood[0].docId, 0);
    const auto byRow = Quarn_DuzAde::RestByVendorFill({first, second}, repDate, true);
    ASSERT_EQ(byRow.size(), 2U);
    EXPECT_EQ(byRow[0].incDocCode, "PISF:2026.06.10:A-5"); // by document id
    EXPECT_EQ(Fixed(byRow[0].restForPayAmount), "0.00");
    EXPECT_EQ(byRow[1].docId, 7);
    EXPECT_EQ(byRow[1].posNumb, 2);
    EXPECT_EQ(Fixed(byRow[1].restForPayAmount), "6.00");
}

TEST(ConsignFigures, PayedDocsTextIsCutToItsRoomWithAnEllipsis)
{
    using Quarn_DuzAde::PayedDocsText;
    EXPECT_EQ(PayedDocsText({}), "");
    EXPECT_EQ(PayedDocsText({{"PISF #1", Currency::Parse("12.5")}, {"PGA #2", Currency::FromInteger(3)}}),
              "PISF #1 12.50; PGA #2 3.00");
    std::vector<std::pair<std::string, Currency>> many;
    for (int i = 0; i < 30; ++i)
        many.emplace_back("PISF #" + std::to_string(1000 + i), Currency::FromInteger(100));
    const std::string cut = PayedDocsText(many);
    EXPECT_EQ(cut.size(), Quarn_DuzAde::kPayedDocsRoom);
    EXPECT_EQ(cut.substr(cut.size() - 4), " ...");
    EXPECT_EQ(cut.rfind("PISF #1000 100.00; PISF #1001 100.00", 0), 0U);
    // Exactly at the room: whole, without the ellipsis.
    const std::string exact(Quarn_DuzAde::kPayedDocsRoom - 7, 'x');
    EXPECT_EQ(PayedDocsText({{exact, Currency::FromInteger(1)}}), exact + " 1.00");
    // A letter of two bytes at the cut is not split.
    const std::string letters = std::string(245, 'x') + "ėėėė";
    EXPECT_EQ(PayedDocsText({{letters, Currency::FromInteger(1)}}), std::string(245, 'x') + " ...");
}
