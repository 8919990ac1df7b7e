#include "quarn/ledger/DebtGLFill.hpp"

#include <gtest/gtest.h>

using namespace Quarn_DuzAde;
using Talvex::Currency;
using Talvex::Date;

namespace {

Currency C(const char* text)
{
    return Currency::Parse(text);
}

GLOpenDocument Doc(const char* client, std::int64_t idc, const char* date, const char* sum, long payTerm = 0)
{
    GLOpenDocument d;
    d.client = client;
    d.idc = idc;
    d.docTypeCode = "PRSF";
    d.number = "N" + std::to_string(idc);
    d.documentDate = Date::Parse(date);
    d.accNeedPaySum = C(sum);
    d.payTerm = payTerm;
    return d;
}

const Date kReportDate = Date::Parse("2026-06-30");

} // namespace

TEST(DebtGLFill, AgeBoundsBelongToTheOlderBucketAndLaterDocumentsToNone)
{
    struct Case {
        int daysOld;
        int bucket;
    };
    for (const Case c : {Case{0, 0},
                         {29, 0},
                         {30, 1},
                         {59, 1},
                         {60, 2},
                         {89, 2},
                         {90, 3},
                         {179, 3},
                         {180, 4},
                         {359, 4},
                         {360, 5},
                         {1000, 5},
                         {-1, -1}}) {
        EXPECT_EQ(AgeBucket(kReportDate, kReportDate.AddDays(-c.daysOld)), c.bucket) << c.daysOld << " days";
    }
}

TEST(DebtGLFill, ReceivablesSetTheLedgerAgainstTheDocumentsClientByClient)
{
    // Agreed: the ledger holds exactly the two open invoices. Unposted: one invoice of 50 has
    // no posting yet, so the ledger shows 50 less. Ledger only: postings, no open documents.
    // Idle: neither, not listed. Unbooked: documents but no ledger row at all. A document of
    // a code that is no client is left out.
    std::vector<GLClient> clients{
        {"A", "Agreed"}, {"U", "Unposted"}, {"L", "Ledger only"}, {"I", "Idle"}, {"N", "Unbooked"}};
    std::map<std::string, Currency, std::less<>> ledger{
        {"A", C("100")}, {"U", C("100")}, {"L", C("70.005")}, {"I", C("0")}, {"X", C("999")}};
    std::vector<GLOpenDocument> docs{Doc("A", 1, "2026-06-10", "60"),    Doc("A", 2, "2026-01-15", "40"),
                                     Doc("U", 3, "2026-05-01", "100"),   Doc("U", 4, "2026-07-02", "50"),
                                     Doc("N", 5, "2025-05-01", "12.34"), Doc("X", 6, "2026-06-01", "5")};
    DebtGLFill fill(clients, ledger, docs, kReportDate);
    const auto rows = fill.DebtRows();
    ASSERT_EQ(rows.size(), 4u);

    EXPECT_EQ(rows[0].clientCode, "A");
    EXPECT_EQ(rows[0].clientName, "Agreed (0.00)");
    EXPECT_EQ(rows[0].totNeedPaySum, C("100"));
    EXPECT_EQ(rows[0].buckets[0], C("60")); // 20 days
    EXPECT_EQ(rows[0].buckets[3], C("40")); // 166 days
    EXPECT_EQ(rows[0].buckets[1] + rows[0].buckets[2] + rows[0].buckets[4] + rows[0].buckets[5], C("0"));

    EXPECT_EQ(rows[1].clientName, "Unposted (-50.00)");
    EXPECT_EQ(rows[1].totNeedPaySum, C("150"));
    EXPECT_EQ(rows[1].buckets[2], C("100")); // 61 days; the later invoice counts in no bucket
    EXPECT_EQ(rows[1].difference, C("-50"));

    EXPECT_EQ(rows[2].clientName, "Ledger only (70.01)");
    EXPECT_EQ(rows[2].totNeedPaySum, C("0"));
    EXPECT_EQ(rows[2].difference, C("70.005"));

    EXPECT_EQ(rows[3].clientCode, "N");
    EXPECT_EQ(rows[3].ledgerSaldo, C("0"));
    EXPECT_EQ(rows[3].buckets[5], C("12.34"));
    EXPECT_EQ(rows[3].clientName, "Unbooked (-12.34)");
}

TEST(DebtGLFill, PayablesPutTheWholeDifferenceOnTheClientsFirstMonth)
{
    // A creditor with 300 owed in the ledger (a credit balance, -300) and open documents of
    // three months summing to 250: 50 more in the ledger, all on the first month's row.
    std::vector<GLClient> clients{{"V", "Vendor"}, {"W", "Ledger only"}, {"Z", "Settled"}, {"Q", "Zero ledger"}};
    std::map<std::string, Currency, std::less<>> ledger{{"V", C("-300")}, {"W", C("-20")}, {"Q", C("0")}};
    std::vector<GLOpenDocument> docs{Doc("V", 1, "2026-03-05", "100", 30), Doc("V", 2, "2026-01-20", "50", 30),
                                     Doc("V", 3, "2026-03-25", "25", 30),  Doc("V", 4, "2026-05-02", "75", 30),
                                     Doc("Q", 5, "2026-02-01", "10"),      Doc("Q", 6, "2026-02-10", "-10"),
                                     Doc("Q", 7, "2026-04-01", "8")};
    DebtGLFill fill(clients, ledger, docs, kReportDate);
    const auto rows = fill.CreditRows();
    ASSERT_EQ(rows.size(), 5u);

    EXPECT_EQ(rows[0].docMonth, "2026.01");
    EXPECT_EQ(rows[0].accNeedPaySum, C("50"));
    EXPECT_EQ(rows[0].difference, C("50")); // 300 - 250
    EXPECT_EQ(rows[0].payTerm, 30);
    EXPECT_EQ(rows[1].docMonth, "2026.03");
    EXPECT_EQ(rows[1].accNeedPaySum, C("125"));
    EXPECT_EQ(rows[1].difference, C("0"));
    EXPECT_EQ(rows[2].docMonth, "2026.05");
    EXPECT_EQ(rows[2].difference, C("0"));

    // A ledger balance without documents: one row without a month.
    EXPECT_EQ(rows[3].clientCode, "W");
    EXPECT_EQ(rows[3].docMonth, "");
    EXPECT_EQ(rows[3].accNeedPaySum, C("0"));
    EXPECT_EQ(rows[3].difference, C("20"));

    // A zero ledger balance keeps only the months with an open sum: February nets to 0.
    EXPECT_EQ(rows[4].clientCode, "Q");
    EXPECT_EQ(rows[4].docMonth, "2026.04");
    EXPECT_EQ(rows[4].difference, C("-8"));
}

TEST(DebtGLFill, DrillDownGivesTheDocumentsOfTheCellOnly)
{
    std::vector<GLClient> clients{{"A", "A"}, {"B", "B"}};
    std::vector<GLOpenDocument> docs{Doc("A", 1, "2026-06-10", "60"), Doc("B", 2, "2026-06-01", "1"),
                                     Doc("A", 3, "2026-01-15", "40"), Doc("A", 4, "2025-12-31", "7"),
                                     Doc("A", 5, "2026-07-01", "3")};
    DebtGLFill fill(clients, {}, docs, kReportDate);
    EXPECT_EQ(fill.DocumentsBehind("A", "TotNeedPaySum"), (std::vector<std::size_t>{0, 2, 3, 4}));
    EXPECT_EQ(fill.DocumentsBehind("A", "Less30NeedPaySum"), (std::vector<std::size_t>{0}));
    EXPECT_EQ(fill.DocumentsBehind("A", "90-180NeedPaySum"), (std::vector<std::size_t>{2}));  // 166 days
    EXPECT_EQ(fill.DocumentsBehind("A", "180-360NeedPaySum"), (std::vector<std::size_t>{3})); // 181 days
    EXPECT_EQ(fill.DocumentsBehind("A", "AccNeedPaySum", "2025.12"), (std::vector<std::size_t>{3}));
    EXPECT_TRUE(fill.DocumentsBehind("C", "TotNeedPaySum").empty());
    EXPECT_TRUE(fill.DocumentsBehind("A", "More360NeedPaySum").empty());
}
