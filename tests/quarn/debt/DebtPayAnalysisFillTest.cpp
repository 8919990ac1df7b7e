#include "quarn/debt/DebtPayAnalysisFill.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Decimal;

namespace {

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

// A stored term of a document (termId not 0), or the document itself when it has none.
DebtPayNeedRow Need(std::int64_t idc, const char* client, const char* currency, const char* docDate, const char* summa,
                    std::int64_t termId = 0, const char* due = nullptr, const char* termSum = nullptr)
{
    DebtPayNeedRow row;
    row.idc = idc;
    row.clientCode = client;
    row.clientName = std::string("Client ") + client;
    row.currencyCode = currency;
    row.documentDate = Date::Parse(docDate);
    row.summa = Money(summa);
    row.needPayId = termId;
    row.needPayDate = Date::Parse(due ? due : docDate);
    row.needPaySum = Money(termSum ? termSum : summa);
    return row;
}

DebtPayPayment Pay(std::int64_t idc, const char* date, const char* sum, bool posted = true)
{
    return {idc, Date::Parse(date), Money(sum), posted};
}

DebtPayAnalysisParams Period(const char* beg, const char* end, const char* rep)
{
    return {Date::Parse(beg), Date::Parse(end), Date::Parse(rep)};
}

void ExpectFigures(const DebtPayAnalysisRow& row, long invoices, const char* due, const char* paid, const char* onTime,
                   const char* share, const char* avg, const char* weighted, const char* open, const char* overdue)
{
    EXPECT_EQ(row.invoices, invoices);
    EXPECT_EQ(row.due, Money(due));
    EXPECT_EQ(row.paid, Money(paid));
    EXPECT_EQ(row.paidOnTime, Money(onTime));
    EXPECT_EQ(row.onTimeShare.ToFixed(2), share);
    EXPECT_EQ(row.avgDaysLate.ToFixed(2), avg);
    EXPECT_EQ(row.weightedDaysLate.ToFixed(2), weighted);
    EXPECT_EQ(row.open, Money(open));
    EXPECT_EQ(row.overdue, Money(overdue));
}

} // namespace

// One invoice of 1000 in two terms (600 due 20 January, 400 due 19 February), paid 300 five
// days early, 500 five days after the first term (300 of it late on the first term, 200 of
// it early on the second), and 200 after the report date, which counts for nothing.
TEST(DebtPayAnalysisFill, TermsPaidInPartEarlyAndLateByMonthWithTheClientTotal)
{
    const std::vector<DebtPayNeedRow> need{Need(1, "K1", "EUR", "2026-01-05", "1000", 11, "2026-01-20", "600"),
                                           Need(1, "K1", "EUR", "2026-01-05", "1000", 12, "2026-02-19", "400")};
    const std::vector<DebtPayPayment> pays{Pay(1, "2026-01-25", "500"), Pay(1, "2026-01-15", "300"),
                                           Pay(1, "2026-04-10", "200")};
    const auto rows = DebtPayAnalysisFill(need, pays, Period("2026-01-01", "2026-02-28", "2026-03-31"));
    ASSERT_EQ(rows.size(), 4u);

    EXPECT_EQ(rows[0].kind, DebtPayAnalysisKind::Month);
    EXPECT_EQ(rows[0].clientCode, "K1");
    EXPECT_EQ(rows[0].clientName, "Client K1");
    EXPECT_EQ(rows[0].year, 2026);
    EXPECT_EQ(rows[0].month, 1u);
    // 300 early (0 days), 300 five days late: half on time, 2.5 days either way.
    ExpectFigures(rows[0], 1, "600", "600", "300", "50.00", "2.50", "2.50", "0", "0");

    EXPECT_EQ(rows[1].month, 2u);
    // 200 of the 400 paid 25 days early; the other 200 open and overdue on 31 March.
    ExpectFigures(rows[1], 1, "400", "200", "200", "50.00", "0.00", "0.00", "200", "200");

    EXPECT_EQ(rows[2].kind, DebtPayAnalysisKind::ClientTotal);
    // Three parts late 0, 5 and 0 days: 5/3 = 1.67 on average, 300 x 5 / 800 = 1.875 weighted.
    ExpectFigures(rows[2], 1, "1000", "800", "500", "50.00", "1.67", "1.88", "200", "200");

    EXPECT_EQ(rows[3].kind, DebtPayAnalysisKind::GrandTotal);
    EXPECT_TRUE(rows[3].clientCode.empty());
    ExpectFigures(rows[3], 1, "1000", "800", "500", "50.00", "1.67", "1.88", "200", "200");
}

TEST(DebtPayAnalysisFill, OverpaidInvoiceCreditNoteCurrenciesAndTermsOutsideThePeriod)
{
    const std::vector<DebtPayNeedRow> need{
        // Paid 150 on 31 January for 100 due 10 January: 100 counted, 21 days late.
        Need(2, "K2", "EUR", "2026-01-10", "100"),
        // A credit note: credited, never due.
        Need(3, "K2", "EUR", "2026-01-20", "-30"),
        // In another currency, nothing paid but an unposted payment: open and overdue.
        Need(4, "K2", "USD", "2026-01-15", "50"),
        // Due before the period: not in the report, though paid.
        Need(5, "K1", "EUR", "2025-12-01", "70", 51, "2025-12-15", "70"),
        // Due after the report date yet in the period: open, not overdue.
        Need(6, "K1", "EUR", "2026-01-30", "90", 61, "2026-02-28", "90")};
    const std::vector<DebtPayPayment> pays{Pay(2, "2026-01-31", "150"), Pay(4, "2026-01-16", "50", false),
                                           Pay(5, "2025-12-10", "70"), Pay(3, "2026-01-21", "10")};
    const auto rows = DebtPayAnalysisFill(need, pays, Period("2026-01-01", "2026-02-28", "2026-02-10"));
    ASSERT_EQ(rows.size(), 8u);

    EXPECT_EQ(rows[0].clientCode, "K1");
    EXPECT_EQ(rows[0].month, 2u);
    ExpectFigures(rows[0], 1, "90", "0", "0", "0.00", "0.00", "0.00", "90", "0");
    EXPECT_EQ(rows[1].kind, DebtPayAnalysisKind::ClientTotal);
    ExpectFigures(rows[1], 1, "90", "0", "0", "0.00", "0.00", "0.00", "90", "0");

    EXPECT_EQ(rows[2].clientCode, "K2");
    EXPECT_EQ(rows[2].currencyCode, "EUR");
    EXPECT_EQ(rows[2].month, 1u);
    ExpectFigures(rows[2], 1, "100", "100", "0", "0.00", "21.00", "21.00", "0", "0");
    EXPECT_EQ(rows[2].credited, Money("-30"));
    EXPECT_EQ(rows[3].kind, DebtPayAnalysisKind::ClientTotal);
    EXPECT_EQ(rows[3].credited, Money("-30"));

    EXPECT_EQ(rows[4].currencyCode, "USD");
    ExpectFigures(rows[4], 1, "50", "0", "0", "0.00", "0.00", "0.00", "50", "50");
    EXPECT_EQ(rows[5].kind, DebtPayAnalysisKind::ClientTotal);

    EXPECT_EQ(rows[6].kind, DebtPayAnalysisKind::GrandTotal);
    EXPECT_EQ(rows[6].currencyCode, "EUR");
    ExpectFigures(rows[6], 2, "190", "100", "0", "0.00", "21.00", "21.00", "90", "0");
    EXPECT_EQ(rows[6].credited, Money("-30"));
    EXPECT_EQ(rows[7].currencyCode, "USD");
    ExpectFigures(rows[7], 1, "50", "0", "0", "0.00", "0.00", "0.00", "50", "50");
}

TEST(DebtPayAnalysisFill, StoredTermsShortOfTheSumLeaveTheRestDueOnTheDocumentDate)
{
    // 1000 with one stored term of 400 in 40 days: the other 600 is due on the document date,
    // and the first payment goes to it.
    const std::vector<DebtPayNeedRow> need{Need(7, "K3", "EUR", "2026-03-01", "1000", 71, "2026-04-10", "400")};
    const std::vector<DebtPayPayment> pays{Pay(7, "2026-03-11", "700")};
    const auto rows = DebtPayAnalysisFill(need, pays, Period("2026-03-01", "2026-04-30", "2026-04-30"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].month, 3u);
    ExpectFigures(rows[0], 1, "600", "600", "0", "0.00", "10.00", "10.00", "0", "0");
    EXPECT_EQ(rows[1].month, 4u);
    ExpectFigures(rows[1], 1, "400", "100", "100", "25.00", "0.00", "0.00", "300", "300");
    // One invoice in the total, though it falls due in two months.
    EXPECT_EQ(rows[2].invoices, 1);

    EXPECT_TRUE(DebtPayAnalysisFill({}, {}, Period("2026-03-01", "2026-04-30", "2026-04-30")).empty());
}
