#include "quarn/debt/DebtPayByDocFill.hpp"
#include "quarn/debt/Penalties.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

Currency M(const char* text)
{
    return Currency::Parse(text);
}

Date D(const char* iso)
{
    return Date::Parse(iso);
}

// A document of one instalment due on its date (no stored terms), or the stored term `id`.
DebtPayNeedRow Need(std::int64_t idc, const char* docDate, const char* summa, const char* dueDate, const char* dueSum,
                    std::int64_t termId = 0, const char* penalty = "0", const char* client = "K1",
                    const char* currency = "EUR")
{
    DebtPayNeedRow row;
    row.idc = idc;
    row.documentDate = D(docDate);
    row.number = "N" + std::to_string(idc);
    row.summa = M(summa);
    row.needPayDate = D(dueDate);
    row.needPaySum = M(dueSum);
    row.needPayId = termId;
    row.penalty = Decimal::Parse(penalty);
    row.clientCode = client;
    row.currencyCode = currency;
    return row;
}

DebtPayPayment Pay(std::int64_t idc, const char* date, const char* sum, bool posted = true)
{
    return {idc, D(date), M(sum), posted};
}

std::vector<DebtPayResultRow> Fill(std::vector<DebtPayNeedRow> need, std::vector<DebtPayPayment> pay,
                                   const char* repDate, bool byDepartment = false)
{
    return DebtPayByDocFill(std::move(need), std::move(pay), {D(repDate), byDepartment});
}

} // namespace

TEST(Penalties, OverdueDaysCountCalendarDaysAfterTheDueDayOnly)
{
    EXPECT_EQ(OverdueDays(D("2026-03-10"), D("2026-03-10")), 0); // on the due day
    EXPECT_EQ(OverdueDays(D("2026-03-10"), D("2026-03-11")), 1); // a day late
    EXPECT_EQ(OverdueDays(D("2026-03-10"), D("2026-02-28")), 0); // paid before
    EXPECT_EQ(OverdueDays(D("2024-02-28"), D("2024-03-01")), 2); // over a leap day
    EXPECT_EQ(OverdueDays(D("2025-02-28"), D("2025-03-01")), 1);
    EXPECT_EQ(OverdueDays(D("2025-12-31"), D("2026-01-31")), 31);
}

TEST(Penalties, PenaltyIsExactThenKeptInFourDecimalsHalfToEven)
{
    // 1000 × 3 days × 0.05 % = 1.5
    EXPECT_EQ(PenaltyRoundHalfToEven(M("1000"), 3, Decimal::Parse("0.05")), M("1.5"));
    // 1.005 × 1 × 1 % = 0.01005: a tie, kept at the even 0.0100 (not 0.0101)
    EXPECT_EQ(PenaltyRoundHalfToEven(M("1.005"), 1, Decimal::Parse("1")), M("0.01"));
    // 1.015 × 1 × 1 % = 0.01015: the even neighbour is above
    EXPECT_EQ(PenaltyRoundHalfToEven(M("1.015"), 1, Decimal::Parse("1")), M("0.0102"));
    // 12.345 × 7 × 0.12345678 % = 0.10668...: below the tie
    EXPECT_EQ(PenaltyRoundHalfToEven(M("12.345"), 7, Decimal::Parse("0.12345678")), M("0.1067"));
    // a credit accrues a negative penalty; no days or no percent, none
    EXPECT_EQ(PenaltyRoundHalfToEven(M("-200"), 2, Decimal::Parse("0.5")), M("-2"));
    EXPECT_EQ(PenaltyRoundHalfToEven(M("200"), 0, Decimal::Parse("0.5")), Currency());
    EXPECT_EQ(PenaltyRoundHalfToEven(M("200"), 5, Decimal()), Currency());
}

TEST(DebtPayByDocFill, PaidOnTheDueDayLeavesNothingAndADayLateLeavesItsPenaltyOnTheNextInstalment)
{
    // Document 1 paid in full on its due day; document 2 has two stored terms of 1000 and 500,
    // the first paid a day late, the second still open ten days after it fell due.
    auto rows = Fill({Need(1, "2026-03-01", "800", "2026-03-01", "800"),
                      Need(2, "2026-03-01", "1500", "2026-03-10", "1000", 11, "0.05"),
                      Need(2, "2026-03-01", "1500", "2026-04-10", "500", 12, "0.05")},
                     {Pay(1, "2026-03-01", "800"), Pay(2, "2026-03-11", "1000")}, "2026-04-20");
    ASSERT_EQ(rows.size(), 1u);
    const auto& r = rows[0];
    EXPECT_EQ(r.need.idc, 2);
    EXPECT_EQ(r.need.needPayId, 12);
    EXPECT_EQ(r.debt, M("500"));
    EXPECT_EQ(r.outDebt, M("500"));
    EXPECT_EQ(r.outDay, 10);
    // 1000 × 1 × 0.05 % = 0.5 carried from the paid term, + 500 × 10 × 0.05 % = 2.5
    EXPECT_EQ(r.penaltySum, M("3"));
}

TEST(DebtPayByDocFill, PaymentsInTwoPartsBeforeTheInvoiceAndAfterTheReportDate)
{
    // Document 3: 1000 due 03-10 at 0.1 %/day; 400 paid five days late, 600 open on 03-20.
    // Document 4: 1000 due on its date 03-10; 300 paid before the invoice was written; the
    // report date is the due date, so the rest is due but not overdue.
    auto rows = Fill({Need(3, "2026-03-10", "1000", "2026-03-10", "1000", 0, "0.1"),
                      Need(4, "2026-03-10", "1000", "2026-03-10", "1000", 0, "0.1")},
                     {Pay(3, "2026-03-15", "400"), Pay(4, "2026-02-28", "300")}, "2026-03-20");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].debt, M("600"));
    EXPECT_EQ(rows[0].outDebt, M("600"));
    EXPECT_EQ(rows[0].outDay, 10);
    EXPECT_EQ(rows[0].penaltySum, M("8")); // 400 × 5 × 0.1 % + 600 × 10 × 0.1 %

    auto onDueDay = Fill({Need(4, "2026-03-10", "1000", "2026-03-10", "1000", 0, "0.1")}, {Pay(4, "2026-02-28", "300")},
                         "2026-03-10");
    ASSERT_EQ(onDueDay.size(), 1u);
    EXPECT_EQ(onDueDay[0].debt, M("700"));
    EXPECT_EQ(onDueDay[0].outDebt, Currency());
    EXPECT_EQ(onDueDay[0].outDay, 0);
    EXPECT_EQ(onDueDay[0].penaltySum, Currency());
}

TEST(DebtPayByDocFill, TermsShortOfTheSumGetARemainderDueOnTheDocumentDatePaidFirst)
{
    // 1000 with stored terms of 300 (+30 days) and 500 (+60): 200 is due on the document date.
    // A payment of 250 pays the 200 first, then 50 of the first term.
    auto rows = Fill({Need(5, "2026-01-01", "1000", "2026-01-31", "300", 21),
                      Need(5, "2026-01-01", "1000", "2026-03-02", "500", 22)},
                     {Pay(5, "2026-01-05", "250")}, "2026-02-10");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].need.needPayId, 21);
    EXPECT_EQ(rows[0].debt, M("250"));
    EXPECT_EQ(rows[0].outDebt, M("250"));
    EXPECT_EQ(rows[0].outDay, 10);
    EXPECT_EQ(rows[1].need.needPayId, 22);
    EXPECT_EQ(rows[1].debt, M("500"));
    EXPECT_EQ(rows[1].outDebt, Currency());
    EXPECT_EQ(rows[1].outDay, 10); // the document's most days late so far
    // Terms that cover the sum (or more) get no remainder.
    auto covered = Fill(
        {Need(6, "2026-01-01", "800", "2026-01-31", "300", 31), Need(6, "2026-01-01", "800", "2026-03-02", "500", 32)},
        {}, "2026-01-15");
    ASSERT_EQ(covered.size(), 2u);
    EXPECT_EQ(covered[0].need.needPayId, 31);
}

TEST(DebtPayByDocFill, CreditNotesAndRefundsPayNothingAndGroupsTotalByClientAndCurrency)
{
    auto rows = Fill({Need(7, "2026-02-01", "-200", "2026-02-01", "-200"),
                      Need(8, "2026-02-01", "100", "2026-02-01", "100", 0, "0", "K1", "EUR"),
                      Need(9, "2026-02-10", "50", "2026-03-20", "50", 91, "0", "K1", "EUR"),
                      Need(10, "2026-02-01", "70", "2026-02-01", "70", 0, "0", "K1", "USD"),
                      Need(11, "2026-02-01", "40", "2026-02-01", "40", 0, "0", "K2", "EUR")},
                     {Pay(7, "2026-02-02", "200"), Pay(8, "2026-02-02", "-30"), Pay(8, "2026-02-03", "25", false),
                      Pay(11, "2026-02-03", "10")},
                     "2026-03-01");
    ASSERT_EQ(rows.size(), 4u); // the credit note leaves the list
    EXPECT_EQ(rows[0].need.idc, 8);
    EXPECT_EQ(rows[0].debt, M("75")); // the refund paid nothing, the unposted 25 did
    // K1/EUR: due by the report date only document 8 (75); document 9 is not due yet.
    for (int i : {0, 1}) {
        EXPECT_EQ(rows[i].clientInDebt, M("75"));
        EXPECT_EQ(rows[i].clientDebt, M("125")); // 75 overdue + 50 not yet due
        EXPECT_EQ(rows[i].notPostPaySumma, M("25"));
    }
    EXPECT_EQ(rows[2].need.currencyCode, "USD");
    EXPECT_EQ(rows[2].clientInDebt, M("70"));
    EXPECT_EQ(rows[2].notPostPaySumma, Currency());
    EXPECT_EQ(rows[3].need.clientCode, "K2");
    EXPECT_EQ(rows[3].clientDebt, M("30"));
}

TEST(DebtPayByDocFill, DepartmentModeTotalsEachDepartmentApart)
{
    auto a = Need(12, "2026-02-01", "100", "2026-02-01", "100");
    a.departmentCode = "D1";
    auto b = Need(13, "2026-02-01", "60", "2026-02-01", "60");
    b.departmentCode = "D2";
    auto together = Fill({a, b}, {}, "2026-03-01");
    ASSERT_EQ(together.size(), 2u);
    EXPECT_EQ(together[0].clientDebt, M("160"));
    auto apart = Fill({a, b}, {}, "2026-03-01", true);
    EXPECT_EQ(apart[0].clientDebt, M("100"));
    EXPECT_EQ(apart[1].clientDebt, M("60"));
}
