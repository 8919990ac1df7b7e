// The journal's lines worked out by hand: store shares of a row's sums, prices, and each
// invoice followed by its own goods lines.

#include "quarn/sales/SalesJournal.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

Decimal Qty(const char* text)
{
    return Decimal::Parse(text);
}

SalesJournalInvoice Invoice(std::int64_t idc, const char* date)
{
    SalesJournalInvoice invoice;
    invoice.idc = idc;
    invoice.number = "PRSF-" + std::to_string(idc);
    invoice.currencyCode = "EUR";
    invoice.documentDate = Date::Parse(date);
    invoice.comment = "comment " + std::to_string(idc);
    invoice.client = "Buyer " + std::to_string(idc);
    return invoice;
}

SalesJournalGoodsRow Row(std::int64_t line, std::int64_t doc, const char* amount, const char* summa, const char* vat,
                         const char* discountSumm = "0")
{
    SalesJournalGoodsRow row;
    row.specIdc = line;
    row.docId = doc;
    row.goodCode = "G" + std::to_string(line);
    row.goodName = "Good " + std::to_string(line);
    row.amount = Qty(amount);
    row.summa = Money(summa);
    row.summVat = Money(vat);
    row.discount = Qty("5");
    row.discountSumm = Money(discountSumm);
    return row;
}

SalesJournalGoodsRow FromStore(SalesJournalGoodsRow row, const char* orderAmount, const char* store)
{
    row.orderAmount = Qty(orderAmount);
    row.storeCode = store;
    return row;
}

} // namespace

TEST(SalesJournal, StoreSharesFollowTheQuantityAndRoundToCentsHalfAwayFromZero)
{
    // 10 units given out as 4 and 6: 40 % and 60 %.
    EXPECT_EQ(StoreShare(Money("100.00"), Qty("4"), Qty("10")), Money("40.00"));
    EXPECT_EQ(StoreShare(Money("100.00"), Qty("6"), Qty("10")), Money("60.00"));
    // Thirds: 3.333... and 6.666... to the cent.
    EXPECT_EQ(StoreShare(Money("10.00"), Qty("1"), Qty("3")), Money("3.33"));
    EXPECT_EQ(StoreShare(Money("10.00"), Qty("2"), Qty("3")), Money("6.67"));
    // Half a cent goes away from zero on both sides.
    EXPECT_EQ(StoreShare(Money("0.05"), Qty("1"), Qty("2")), Money("0.03"));
    EXPECT_EQ(StoreShare(Money("-0.05"), Qty("1"), Qty("2")), Money("-0.03"));
    EXPECT_EQ(StoreShare(Money("-10.00"), Qty("2"), Qty("3")), Money("-6.67"));
    // No order, an order of nothing, or a row of nothing: the whole sum, unrounded.
    EXPECT_EQ(StoreShare(Money("12.3456"), std::nullopt, Qty("3")), Money("12.3456"));
    EXPECT_EQ(StoreShare(Money("12.3456"), Qty("0"), Qty("3")), Money("12.3456"));
    EXPECT_EQ(StoreShare(Money("12.3456"), Qty("2"), Qty("0")), Money("12.3456"));
    // Fractional quantities: 0.5 of 1.5 is a third.
    EXPECT_EQ(StoreShare(Money("9.99"), Qty("0.5"), Qty("1.5")), Money("3.33"));
    // Quantities finer than money: 30 x 1.00015 / 3 = 10.0015, and 0.015 x 1.00001 / 2.00002 = 0.0075.
    EXPECT_EQ(StoreShare(Money("30.00"), Qty("1.00015"), Qty("3")), Money("10.00"));
    EXPECT_EQ(StoreShare(Money("0.015"), Qty("1.00001"), Qty("2.00002")), Money("0.01"));
    EXPECT_EQ(StoreShare(Money("-0.015"), Qty("1.00001"), Qty("2.00002")), Money("-0.01"));
}

TEST(SalesJournal, PriceIsTheNetSumBeforeDiscountPerUnitAndOneUnitWhenThereIsNoQuantity)
{
    // (121.00 - 21.00 + 5.00) / 10 = 10.5
    EXPECT_EQ(JournalPrice(Row(1, 1, "10", "121.00", "21.00", "5.00")), Money("10.5"));
    // A row of 0 units is priced as one: 12.10 - 2.10 = 10.
    EXPECT_EQ(JournalPrice(Row(2, 1, "0", "12.10", "2.10")), Money("10.00"));
    // Four decimals: 10 / 3 = 3.3333; 20 / 3 = 6.6667.
    EXPECT_EQ(JournalPrice(Row(3, 1, "3", "10.00", "0")), Money("3.3333"));
    EXPECT_EQ(JournalPrice(Row(4, 1, "3", "20.00", "0")), Money("6.6667"));
    // A credit row: -20 / 3 = -6.6667; half a ten-thousandth away from zero: 0.0001 / 2.
    EXPECT_EQ(JournalPrice(Row(5, 1, "3", "-20.00", "0")), Money("-6.6667"));
    EXPECT_EQ(JournalPrice(Row(6, 1, "2", "0.0001", "0")), Money("0.0001"));
    EXPECT_EQ(JournalPrice(Row(7, 1, "2", "-0.0001", "0")), Money("-0.0001"));
    // A quantity finer than money: 10 / 0.00003 = 333333.3333.
    EXPECT_EQ(JournalPrice(Row(8, 1, "0.00003", "10.00", "0")), Money("333333.3333"));
}

TEST(SalesJournal, EachInvoiceIsFollowedByItsGoodsLinesOneForEachStore)
{
    const std::vector<SalesJournalInvoice> invoices = {Invoice(7, "2026-03-02"), Invoice(3, "2026-03-05"),
                                                       Invoice(9, "2026-03-06")};
    const SalesJournalGoodsRow split = Row(70, 7, "10", "121.00", "21.00", "5.00");
    // Invoice 3's row comes first in the rows; it still lands under invoice 3. Invoice 9
    // has no goods rows at all.
    const std::vector<SalesJournalGoodsRow> rows = {
        Row(30, 3, "2", "24.20", "4.20"),
        FromStore(split, "4", "S1"),
        FromStore(split, "6", "S2"),
        Row(71, 7, "0", "12.10", "2.10"),
        FromStore(Row(72, 7, "3", "30.00", "0"), "0", "S3"),
    };
    const auto lines = SalesJournalLines(invoices, rows);
    ASSERT_EQ(lines.size(), 8u);

    // Invoice 7: its line sums each goods row once without VAT: 100 + 10 + 30 = 140.
    const SalesJournalLine& head = lines[0];
    EXPECT_EQ(head.infoBySpec, 0);
    EXPECT_EQ(head.idc, 7);
    EXPECT_EQ(head.client, "Buyer 7");
    EXPECT_EQ(head.comment, "comment 7");
    EXPECT_EQ(head.algebraicSum, Money("140.00"));
    EXPECT_EQ(head.discountSum, Money("0"));
    EXPECT_FALSE(head.amount.has_value());
    EXPECT_FALSE(head.summa.has_value());
    EXPECT_FALSE(head.storeCode.has_value());
    EXPECT_FALSE(head.price.has_value());

    // The row of 10 given out as 4 and 6 from two stores.
    const SalesJournalLine& first = lines[1];
    const SalesJournalLine& second = lines[2];
    EXPECT_EQ(first.infoBySpec, 1);
    EXPECT_EQ(first.idc, 7);
    EXPECT_EQ(first.number, "PRSF-7");
    EXPECT_EQ(first.comment, "");
    EXPECT_EQ(first.client, "");
    EXPECT_EQ(first.goodCode, "G70");
    EXPECT_EQ(*first.amount, Qty("4"));
    EXPECT_EQ(*second.amount, Qty("6"));
    EXPECT_EQ(first.algebraicSum, Money("40.00"));
    EXPECT_EQ(second.algebraicSum, Money("60.00"));
    EXPECT_EQ(*first.summa, Money("48.40"));
    EXPECT_EQ(*second.summa, Money("72.60"));
    EXPECT_EQ(*first.summVat, Money("8.40"));
    EXPECT_EQ(*second.summVat, Money("12.60"));
    EXPECT_EQ(first.discountSum, Money("2.00"));
    EXPECT_EQ(second.discountSum, Money("3.00"));
    EXPECT_EQ(first.discount, Qty("5"));
    EXPECT_EQ(*first.storeCode, "S1");
    EXPECT_EQ(*second.storeCode, "S2");
    // The price is of the whole row: (121 - 21 + 5) / 10.
    EXPECT_EQ(*first.price, Money("10.5"));
    EXPECT_EQ(*second.price, Money("10.5"));

    // A row of 0 units without store order: its whole sums, no store, priced as one unit.
    const SalesJournalLine& zero = lines[3];
    EXPECT_EQ(*zero.amount, Qty("0"));
    EXPECT_EQ(*zero.summa, Money("12.10"));
    EXPECT_EQ(zero.algebraicSum, Money("10.00"));
    EXPECT_EQ(*zero.storeCode, "");
    EXPECT_EQ(*zero.price, Money("10.00"));

    // A store order of quantity 0 keeps the row whole, with its store.
    const SalesJournalLine& empty = lines[4];
    EXPECT_EQ(*empty.amount, Qty("3"));
    EXPECT_EQ(*empty.summa, Money("30.00"));
    EXPECT_EQ(*empty.storeCode, "S3");

    // Invoice 3 follows with its one row.
    EXPECT_EQ(lines[5].infoBySpec, 0);
    EXPECT_EQ(lines[5].idc, 3);
    EXPECT_EQ(lines[5].algebraicSum, Money("20.00"));
    EXPECT_EQ(lines[6].infoBySpec, 1);
    EXPECT_EQ(lines[6].idc, 3);
    EXPECT_EQ(*lines[6].summa, Money("24.20"));

    // Invoice 9 keeps its line with nothing under it.
    EXPECT_EQ(lines[7].idc, 9);
    EXPECT_EQ(lines[7].infoBySpec, 0);
    EXPECT_EQ(lines[7].algebraicSum, Money("0"));
}

TEST(SalesJournal, NoInvoicesGiveNoLinesAndRowsOfOtherInvoicesAreLeftOut)
{
    EXPECT_TRUE(SalesJournalLines({}, {}).empty());
    const auto lines = SalesJournalLines({Invoice(1, "2026-01-01")}, {Row(5, 2, "1", "1.00", "0")});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].algebraicSum, Money("0"));
}
