// Sales and debt by clients of a department worked out by hand: paid is what the period's own
// invoices no longer owe, overdue is what was due before the period end, shares round once.

#include "quarn/sales/DeptSaleByClients.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

DeptSaleInvoice Invoice(const char* client, std::int64_t doc, const char* sum)
{
    return DeptSaleInvoice{client, std::string("Client ") + client, doc, Currency::Parse(sum)};
}

DeptSaleOpenTerm Term(const char* client, std::int64_t doc, const char* date, const char* due, const char* debt)
{
    return DeptSaleOpenTerm{
        client, std::string("Client ") + client, doc, Date::Parse(date), Date::Parse(due), Currency::Parse(debt)};
}

Currency Money(const char* text)
{
    return Currency::Parse(text);
}

} // namespace

TEST(DeptSaleByClients, PaidOpenAndOverduePerClientWithSharesAndTheTotalLast)
{
    const Date beg(2026, 3, 1), end(2026, 3, 31);
    const auto lines =
        DeptSaleByClientLines({Invoice("A", 1, "100.00"), Invoice("B", 3, "300.00"), Invoice("A", 2, "50.00")},
                              {
                                  Term("A", 1, "2026-03-05", "2026-03-20", "40.00"),  // of the period, overdue
                                  Term("A", 9, "2026-01-10", "2026-02-10", "25.00"),  // older, overdue
                                  Term("B", 3, "2026-03-25", "2026-04-24", "300.00"), // not yet due
                                  Term("C", 7, "2025-12-01", "2026-03-31", "10.00"), // due on the last day: not overdue
                                  Term("C", 8, "2026-04-02", "2026-04-02", "99.00"), // after the period: not counted
                              },
                              beg, end);
    ASSERT_EQ(lines.size(), 4u);
    const auto& b = lines[0];
    EXPECT_EQ(b.clientCode, "B");
    EXPECT_EQ(b.sales, Money("300"));
    EXPECT_EQ(b.paid, Money("0"));
    EXPECT_EQ(b.openDebt, Money("300"));
    EXPECT_EQ(b.overdue, Money("0"));
    EXPECT_EQ(b.sharePercent, Money("66.67"));
    const auto& a = lines[1];
    EXPECT_EQ(a.clientCode, "A");
    EXPECT_EQ(a.clientName, "Client A");
    EXPECT_EQ(a.sales, Money("150"));
    EXPECT_EQ(a.paid, Money("110"));
    EXPECT_EQ(a.openDebt, Money("65"));
    EXPECT_EQ(a.overdue, Money("65"));
    EXPECT_EQ(a.sharePercent, Money("33.33"));
    const auto& c = lines[2];
    EXPECT_EQ(c.clientCode, "C");
    EXPECT_EQ(c.sales, Money("0"));
    EXPECT_EQ(c.openDebt, Money("10"));
    EXPECT_EQ(c.overdue, Money("0"));
    EXPECT_EQ(c.sharePercent, Money("0"));
    const auto& total = lines[3];
    EXPECT_TRUE(total.isTotal);
    EXPECT_EQ(total.sales, Money("450"));
    EXPECT_EQ(total.paid, Money("110"));
    EXPECT_EQ(total.openDebt, Money("375"));
    EXPECT_EQ(total.overdue, Money("65"));
    EXPECT_EQ(total.sharePercent, Money("100"));
}

TEST(DeptSaleByClients, SharesRoundOnceHalfAwayFromZeroAndTiesOrderByCode)
{
    const Date beg(2026, 1, 1), end(2026, 1, 31);
    // 1 of 800 is 0.125 %: 0.13, not 0.12; 799 of 800 is 99.875 %: 99.88.
    auto lines = DeptSaleByClientLines({Invoice("Y", 2, "799"), Invoice("X", 1, "1")}, {}, beg, end);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].sharePercent, Money("99.88"));
    EXPECT_EQ(lines[1].sharePercent, Money("0.13"));
    // 1 of 1600 is 0.0625 %: 0.06.
    lines = DeptSaleByClientLines({Invoice("K", 1, "1"), Invoice("L", 2, "1599")}, {}, beg, end);
    EXPECT_EQ(lines[1].sharePercent, Money("0.06"));
    // 2469 of 2000000 is 0.12345 %: rounded once it is 0.12; rounded first to four places
    // (0.1235) and then to two it would be 0.13.
    lines = DeptSaleByClientLines({Invoice("M", 1, "2469"), Invoice("N", 2, "1997531")}, {}, beg, end);
    EXPECT_EQ(lines[1].clientCode, "M");
    EXPECT_EQ(lines[1].sharePercent, Money("0.12"));
    // Equal sales: by code.
    lines = DeptSaleByClientLines({Invoice("Q", 1, "5"), Invoice("P", 2, "5")}, {}, beg, end);
    EXPECT_EQ(lines[0].clientCode, "P");
    EXPECT_EQ(lines[0].sharePercent, Money("50"));
}

TEST(DeptSaleByClients, NothingSoldOrOwedGivesNoLinesAndDebtAloneHasNoShare)
{
    const Date beg(2026, 1, 1), end(2026, 1, 31);
    EXPECT_TRUE(DeptSaleByClientLines({}, {}, beg, end).empty());
    EXPECT_TRUE(DeptSaleByClientLines({}, {Term("A", 1, "2026-02-01", "2026-02-01", "5")}, beg, end).empty());
    const auto lines = DeptSaleByClientLines({}, {Term("A", 1, "2025-06-01", "2025-07-01", "5")}, beg, end);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].overdue, Money("5"));
    EXPECT_EQ(lines[0].sharePercent, Money("0"));
    EXPECT_EQ(lines[1].sharePercent, Money("0"));
    // A credit invoice (negative sum) lowers the client's sales; a fully paid one leaves paid = sales.
    const auto credit = DeptSaleByClientLines({Invoice("A", 1, "100"), Invoice("A", 2, "-30")}, {}, beg, end);
    EXPECT_EQ(credit[0].sales, Money("70"));
    EXPECT_EQ(credit[0].paid, Money("70"));
}
