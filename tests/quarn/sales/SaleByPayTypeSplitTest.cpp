// The spread of an invoice's payments over its goods rows, worked out by hand.

#include "quarn/sales/SaleByPayTypeSplit.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

Currency M(const char* text)
{
    return Currency::Parse(text);
}

PayTypeRow Row(std::int64_t idc, const char* summa, const char* vat)
{
    PayTypeRow row;
    row.idc = idc;
    row.specSumma = M(summa);
    row.summVat = M(vat);
    return row;
}

PayTypeInvoice Invoice(std::int64_t idc, const char* summa, const char* cash, const char* card = "0",
                       const char* comission = "0", const char* barter = "0")
{
    return {idc, M(summa), {M(cash), M(card), M(comission), M(barter)}};
}

constexpr std::size_t kCash = 0, kCard = 1, kComission = 2, kBarter = 3;

// Every row's parts add up to its sum; every pay type's parts add up to what was paid.
void ExpectWhole(const PayTypeInvoice& invoice, const std::vector<PayTypeRow>& rows)
{
    PaySums given{};
    for (const auto& row : rows) {
        Currency parts = row.notPayed;
        for (std::size_t t = 0; t < kPayTypeCount; ++t) {
            parts += row.paid[t];
            given[t] += row.paid[t];
        }
        EXPECT_EQ(parts, row.specSumma);
    }
    for (std::size_t t = 0; t < kPayTypeCount; ++t)
        EXPECT_EQ(given[t], invoice.paid[t]) << "pay type " << t;
}

} // namespace

TEST(SaleByPayTypeSplit, PaidInFullByOneTypeOrNotAtAll)
{
    const auto card = Invoice(1, "30.25", "0", "30.25");
    std::vector<PayTypeRow> rows = {Row(1, "12.10", "2.10"), Row(1, "18.15", "3.15")};
    SplitInvoicePayments(card, rows);
    EXPECT_EQ(rows[0].paid[kCard], M("12.10"));
    EXPECT_EQ(rows[1].paid[kCard], M("18.15"));
    EXPECT_EQ(rows[0].paid[kCash], M("0"));
    EXPECT_EQ(rows[0].notPayed, M("0"));
    EXPECT_EQ(rows[1].notPayed, M("0"));
    ExpectWhole(card, rows);

    const auto none = Invoice(2, "30.25", "0");
    std::vector<PayTypeRow> unpaid = {Row(2, "12.10", "2.10"), Row(2, "18.15", "3.15")};
    SplitInvoicePayments(none, unpaid);
    EXPECT_EQ(unpaid[0].notPayed, M("12.10"));
    EXPECT_EQ(unpaid[1].notPayed, M("18.15"));
    ExpectWhole(none, unpaid);
}

TEST(SaleByPayTypeSplit, SharesFollowTheSumsWithoutVatAndEqualSharesWithoutThem)
{
    // Half paid in cash: 121 (VAT 21) and 100 (no VAT) are 100 each without VAT: 50 / 50.
    const auto half = Invoice(1, "221.00", "100.00");
    std::vector<PayTypeRow> rows = {Row(1, "121.00", "21.00"), Row(1, "100.00", "0")};
    SplitInvoicePayments(half, rows);
    EXPECT_EQ(rows[0].paid[kCash], M("50.00"));
    EXPECT_EQ(rows[1].paid[kCash], M("50.00"));
    EXPECT_EQ(rows[0].notPayed, M("71.00"));
    EXPECT_EQ(rows[1].notPayed, M("50.00"));
    ExpectWhole(half, rows);

    // Rows that are all VAT have no sum without it: equal shares.
    const auto vatOnly = Invoice(2, "20.00", "10.00");
    std::vector<PayTypeRow> vat = {Row(2, "5.00", "5.00"), Row(2, "15.00", "15.00")};
    SplitInvoicePayments(vatOnly, vat);
    EXPECT_EQ(vat[0].paid[kCash], M("5.00"));
    EXPECT_EQ(vat[1].paid[kCash], M("5.00"));
    EXPECT_EQ(vat[1].notPayed, M("10.00"));
    ExpectWhole(vatOnly, vat);
}

TEST(SaleByPayTypeSplit, RoundingCentsArePutRightOnTheFirstRowThatHoldsThem)
{
    // 2.00 over three equal rows: 0.67 each gives 2.01; the first row gives a cent back.
    const auto more = Invoice(1, "3.00", "2.00");
    std::vector<PayTypeRow> rows = {Row(1, "1.00", "0"), Row(1, "1.00", "0"), Row(1, "1.00", "0")};
    SplitInvoicePayments(more, rows);
    EXPECT_EQ(rows[0].paid[kCash], M("0.66"));
    EXPECT_EQ(rows[0].notPayed, M("0.34"));
    EXPECT_EQ(rows[1].paid[kCash], M("0.67"));
    EXPECT_EQ(rows[2].notPayed, M("0.33"));
    ExpectWhole(more, rows);

    // 1.00 over three: 0.33 each gives 0.99; the first row takes the missing cent.
    const auto less = Invoice(2, "3.00", "1.00");
    std::vector<PayTypeRow> fewer = {Row(2, "1.00", "0"), Row(2, "1.00", "0"), Row(2, "1.00", "0")};
    SplitInvoicePayments(less, fewer);
    EXPECT_EQ(fewer[0].paid[kCash], M("0.34"));
    EXPECT_EQ(fewer[0].notPayed, M("0.66"));
    EXPECT_EQ(fewer[1].paid[kCash], M("0.33"));
    ExpectWhole(less, fewer);

    // The first row holds none of the excess cent (its share rounds to 0): the next does.
    const auto skip = Invoice(3, "100.00", "0.03");
    std::vector<PayTypeRow> small = {Row(3, "0.10", "0"), Row(3, "49.95", "0"), Row(3, "49.95", "0")};
    SplitInvoicePayments(skip, small);
    // 0.03 x 0.10 / 100 = 0.00003 -> 0.00; 0.03 x 49.95 / 100 = 0.014985 -> 0.01, twice: 0.02;
    // one cent short, so the first row (0.00 >= -0.01) takes it.
    EXPECT_EQ(small[0].paid[kCash], M("0.01"));
    EXPECT_EQ(small[1].paid[kCash], M("0.01"));
    ExpectWhole(skip, small);
}

TEST(SaleByPayTypeSplit, SeveralPayTypesPartlyPaidAndOverpaid)
{
    // Cash 1.00, card 2.00, barter 0.50 of 4.00: rows of 1 and 3 without VAT.
    const auto mixed = Invoice(1, "4.00", "1.00", "2.00", "0", "0.50");
    std::vector<PayTypeRow> rows = {Row(1, "1.00", "0"), Row(1, "3.00", "0")};
    SplitInvoicePayments(mixed, rows);
    EXPECT_EQ(rows[0].paid[kCash], M("0.25"));
    EXPECT_EQ(rows[1].paid[kCash], M("0.75"));
    EXPECT_EQ(rows[0].paid[kCard], M("0.50"));
    EXPECT_EQ(rows[1].paid[kCard], M("1.50"));
    // Barter: 0.125 and 0.375 round to 0.13 and 0.38, a cent too many, given back by the first.
    EXPECT_EQ(rows[0].paid[kBarter], M("0.12"));
    EXPECT_EQ(rows[1].paid[kBarter], M("0.38"));
    EXPECT_EQ(rows[0].paid[kComission], M("0"));
    EXPECT_EQ(rows[0].notPayed, M("0.13"));
    EXPECT_EQ(rows[1].notPayed, M("0.37"));
    ExpectWhole(mixed, rows);

    // Rung up in cash at the register and a cash receipt too: cash twice the sum, so the
    // rows are paid twice and their NotPayed goes below 0.
    const auto twice = Invoice(2, "12.10", "24.20");
    std::vector<PayTypeRow> over = {Row(2, "12.10", "2.10")};
    SplitInvoicePayments(twice, over);
    EXPECT_EQ(over[0].paid[kCash], M("24.20"));
    EXPECT_EQ(over[0].notPayed, M("-12.10"));
    ExpectWhole(twice, over);

    // Commission and barter together pay it all: not one type, so shared out.
    const auto both = Invoice(3, "10.00", "0", "0", "4.00", "6.00");
    std::vector<PayTypeRow> full = {Row(3, "5.00", "0"), Row(3, "5.00", "0")};
    SplitInvoicePayments(both, full);
    EXPECT_EQ(full[0].paid[kComission], M("2.00"));
    EXPECT_EQ(full[1].paid[kBarter], M("3.00"));
    EXPECT_EQ(full[0].notPayed, M("0"));
    ExpectWhole(both, full);
}

TEST(SaleByPayTypeSplit, EachInvoiceSpreadsOverItsOwnRowsOnly)
{
    const std::vector<PayTypeInvoice> invoices = {Invoice(3, "10.00", "10.00"), Invoice(7, "6.00", "0", "3.00")};
    std::vector<PayTypeRow> rows = {Row(1, "9.00", "0"), Row(3, "4.00", "0"), Row(3, "6.00", "0"),
                                    Row(5, "2.00", "0"), Row(7, "6.00", "0"), Row(9, "1.00", "0")};
    SplitPayments(invoices, rows);
    EXPECT_EQ(rows[0].notPayed, M("9.00"));
    EXPECT_EQ(rows[1].paid[kCash], M("4.00"));
    EXPECT_EQ(rows[2].paid[kCash], M("6.00"));
    EXPECT_EQ(rows[3].notPayed, M("2.00"));
    EXPECT_EQ(rows[4].paid[kCard], M("3.00"));
    EXPECT_EQ(rows[4].notPayed, M("3.00"));
    EXPECT_EQ(rows[5].notPayed, M("1.00"));
    // An invoice without rows changes nothing.
    std::vector<PayTypeRow> none;
    SplitPayments(invoices, none);
    EXPECT_TRUE(none.empty());
}

TEST(SaleByPayTypeSplit, AnInvoiceIsPaidByTheRegisterAndByItsOwnPaymentDocuments)
{
    const std::vector<PayTypePayment> payments = {
        {5, "KVT", M("10.00")}, {5, "KOP", M("2.50")},  {5, "MPPT", M("3.00")},
        {5, "USM", M("1.00")},  {5, "BUSM", M("0.25")}, {5, "MP", M("99.00")}, // a bank payment is none of the four
        {6, "KVT", M("50.00")},                                                // another invoice's
    };
    const PaySums paid = InvoicePaid(5, M("40.00"), 2, payments);
    EXPECT_EQ(paid[kCash], M("52.50")); // rung up in cash, and cash documents besides
    EXPECT_EQ(paid[kCard], M("0"));
    EXPECT_EQ(paid[kComission], M("3.00"));
    EXPECT_EQ(paid[kBarter], M("1.25"));
    const PaySums byCard = InvoicePaid(6, M("40.00"), 3, {});
    EXPECT_EQ(byCard[kCard], M("40.00"));
    EXPECT_EQ(byCard[kCash], M("0"));
    EXPECT_EQ(InvoicePaid(7, M("40.00"), 0, payments), PaySums{});
    EXPECT_FALSE(PayTypeOfDocument("PRSF").has_value());
}
