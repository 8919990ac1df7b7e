#include "quarn/debt/PaymentDocByPRSFFill.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;
using Talvex::Date;

namespace {

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

PrsfInvoice Invoice(std::int64_t idc, const char* currency, const char* summa)
{
    return {idc, "PRSF-" + std::to_string(idc), Date::Parse("2026-01-31"), currency, Money(summa), "K1", "Client K1"};
}

PrsfPaymentLink Link(std::int64_t invoice, std::int64_t pay, const char* date, const char* sum, bool posted = true)
{
    return {invoice, pay, "MPP", "MPP-" + std::to_string(pay), Date::Parse(date), Money(sum), posted};
}

} // namespace

TEST(PaymentDocByPRSFFill, EachPaymentWithTheRestAfterItAndTotalsByCurrency)
{
    const std::vector<PrsfInvoice> invoices{Invoice(1, "EUR", "500"), Invoice(2, "EUR", "200"),
                                            Invoice(3, "USD", "-80"), Invoice(4, "EUR", "300")};
    const std::vector<PrsfPaymentLink> links{
        // Paid in part, the links given out of date order; one after the report date and
        // one unposted do not count.
        Link(1, 21, "2026-02-10", "300"), Link(1, 20, "2026-02-01", "100"), Link(1, 22, "2026-05-01", "100"),
        Link(1, 23, "2026-02-02", "50", false),
        // Overpaid.
        Link(2, 24, "2026-02-05", "250"),
        // A credit note settled by a refund.
        Link(3, 25, "2026-02-07", "-80")};
    const auto rows = PaymentDocByPRSFFill(invoices, links, Date::Parse("2026-04-30"));
    ASSERT_EQ(rows.size(), 7u);

    EXPECT_EQ(rows[0].invoice.idc, 1);
    EXPECT_EQ(rows[0].payDocId, 20);
    EXPECT_EQ(rows[0].linked, Money("100"));
    EXPECT_EQ(rows[0].rest, Money("400"));
    EXPECT_EQ(rows[1].payDocId, 21);
    EXPECT_EQ(rows[1].rest, Money("100"));

    EXPECT_EQ(rows[2].invoice.idc, 2);
    EXPECT_EQ(rows[2].rest, Money("-50"));

    EXPECT_EQ(rows[3].invoice.idc, 3);
    EXPECT_EQ(rows[3].linked, Money("-80"));
    EXPECT_EQ(rows[3].rest, Money("0"));

    EXPECT_EQ(rows[4].kind, PaymentDocByPRSFKind::Unpaid);
    EXPECT_FALSE(rows[4].hasPayment);
    EXPECT_EQ(rows[4].rest, Money("300"));

    EXPECT_EQ(rows[5].kind, PaymentDocByPRSFKind::Total);
    EXPECT_EQ(rows[5].invoice.currencyCode, "EUR");
    EXPECT_EQ(rows[5].invoices, 3);
    EXPECT_EQ(rows[5].invoice.summa, Money("1000"));
    EXPECT_EQ(rows[5].linked, Money("650"));
    EXPECT_EQ(rows[5].rest, Money("350"));
    EXPECT_EQ(rows[6].invoice.currencyCode, "USD");
    EXPECT_EQ(rows[6].invoices, 1);
    EXPECT_EQ(rows[6].linked, Money("-80"));
    EXPECT_EQ(rows[6].rest, Money("0"));

    EXPECT_TRUE(PaymentDocByPRSFFill({}, links, Date::Parse("2026-04-30")).empty());
}
