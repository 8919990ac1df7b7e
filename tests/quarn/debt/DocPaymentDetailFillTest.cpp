#include "quarn/debt/DocPaymentDetailFill.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;
using Talvex::Date;

namespace {

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

DocPaymentLine Line(std::int64_t id, const char* date, const char* sum, bool posted = true)
{
    return {id, "MPP", "MPP-" + std::to_string(id), Date::Parse(date), Money(sum), posted};
}

} // namespace

// 1000 of 1 March with stored terms of 300 in 10 days and 500 in 40 days: the other 200 is
// due on the document date. Paid 250 on 25 February (before the document), 400 on 20 March;
// 600 after the report date, 100 unposted and a refund of 20 pay nothing.
TEST(DocPaymentDetailFill, PaymentsLaidOnTermsWithDaysEarlyAndLateAndTheOpenRest)
{
    const std::vector<PayTerm> stored{{Date::Parse("2026-03-11"), Money("300"), 1},
                                      {Date::Parse("2026-04-10"), Money("500"), 2}};
    const std::vector<DocPaymentLine> pays{Line(10, "2026-02-25", "250"), Line(11, "2026-03-20", "400"),
                                           Line(12, "2026-05-05", "600"), Line(13, "2026-03-05", "100", false),
                                           Line(14, "2026-03-25", "-20")};
    const auto rows =
        DocPaymentDetailFill(Date::Parse("2026-03-01"), Money("1000"), stored, pays, Date::Parse("2026-04-30"));
    ASSERT_EQ(rows.size(), 8u);

    struct Expected {
        int term;
        std::int64_t pay;
        const char* part;
        long days;
        const char* rest;
        long overdue;
    };
    const Expected laid[] = {{1, 10, "200", -4, "0", 0},
                             {2, 10, "50", -14, "250", 0},
                             {2, 11, "250", 9, "0", 0},
                             {3, 11, "150", -21, "350", 20}};
    for (std::size_t i = 0; i < std::size(laid); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].kind, DocPaymentDetailKind::Payment);
        EXPECT_EQ(rows[i].termNo, laid[i].term);
        EXPECT_EQ(rows[i].payDocId, laid[i].pay);
        EXPECT_EQ(rows[i].paySum, Money(laid[i].part));
        EXPECT_EQ(rows[i].days, laid[i].days);
        EXPECT_EQ(rows[i].openRest, Money(laid[i].rest));
        EXPECT_EQ(rows[i].overdueDays, laid[i].overdue);
    }
    EXPECT_EQ(rows[0].needPayDate, Date::Parse("2026-03-01"));
    EXPECT_EQ(rows[0].needPaySum, Money("200"));
    EXPECT_EQ(rows[3].needPayDate, Date::Parse("2026-04-10"));

    const char* reasons[] = {"dated after the report date", "not posted", "pays nothing (zero or less)"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[4 + i].kind, DocPaymentDetailKind::NotCounted);
        EXPECT_EQ(rows[4 + i].payDocId, 12 + static_cast<std::int64_t>(i));
        EXPECT_EQ(rows[4 + i].note, reasons[i]);
    }
    EXPECT_EQ(rows[4].paySum, Money("600"));

    const auto& total = rows.back();
    EXPECT_EQ(total.kind, DocPaymentDetailKind::Total);
    EXPECT_EQ(total.needPaySum, Money("1000"));
    EXPECT_EQ(total.paySum, Money("650"));
    EXPECT_EQ(total.openRest, Money("350"));
}

TEST(DocPaymentDetailFill, OverpaidDocumentAndCreditNote)
{
    // 100 due on its date, paid 70 and 50: the 20 beyond shows as a negative rest.
    const auto overpaid =
        DocPaymentDetailFill(Date::Parse("2026-01-10"), Money("100"), {},
                             {Line(1, "2026-01-20", "70"), Line(2, "2026-01-25", "50")}, Date::Parse("2026-01-31"));
    ASSERT_EQ(overpaid.size(), 4u);
    EXPECT_EQ(overpaid[0].paySum, Money("70"));
    EXPECT_EQ(overpaid[0].days, 10);
    EXPECT_EQ(overpaid[0].openRest, Money("30"));
    EXPECT_EQ(overpaid[1].paySum, Money("30"));
    EXPECT_EQ(overpaid[1].openRest, Money("0"));
    EXPECT_EQ(overpaid[2].kind, DocPaymentDetailKind::Overpaid);
    EXPECT_EQ(overpaid[2].paySum, Money("20"));
    EXPECT_EQ(overpaid[2].openRest, Money("-20"));
    EXPECT_EQ(overpaid[3].paySum, Money("120"));
    EXPECT_EQ(overpaid[3].openRest, Money("-20"));

    // A credit note takes no payment; what was paid against it is paid beyond it.
    const auto credit = DocPaymentDetailFill(Date::Parse("2026-01-10"), Money("-40"), {}, {Line(3, "2026-01-12", "15")},
                                             Date::Parse("2026-01-31"));
    ASSERT_EQ(credit.size(), 3u);
    EXPECT_EQ(credit[0].kind, DocPaymentDetailKind::Unpaid);
    EXPECT_EQ(credit[0].note, "credit");
    EXPECT_EQ(credit[0].openRest, Money("-40"));
    EXPECT_EQ(credit[0].overdueDays, 0);
    EXPECT_EQ(credit[1].kind, DocPaymentDetailKind::Overpaid);
    EXPECT_EQ(credit[2].openRest, Money("-55"));

    // A term nothing paid is overdue from the day after it fell due.
    const auto unpaid = DocPaymentDetailFill(Date::Parse("2026-01-10"), Money("5"), {}, {}, Date::Parse("2026-01-11"));
    ASSERT_EQ(unpaid.size(), 2u);
    EXPECT_EQ(unpaid[0].kind, DocPaymentDetailKind::Unpaid);
    EXPECT_EQ(unpaid[0].overdueDays, 1);
    EXPECT_EQ(unpaid[1].openRest, Money("5"));
}
