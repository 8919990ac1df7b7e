#include "ErpTestQueries.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <string>

using Talvex::Testing::OpenDemoDatabase;
using Talvex::Testing::QueryCount;

// The stock sources reach the same rests by different roads: lot by lot now, lot by lot on a
// date, and month by month; they must agree.
TEST(StockSources, LotRestsAgreeWithTheMonthlyMovementAndTheRestOnADate)
{
    auto db = OpenDemoDatabase();
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocGoodFixRest WHERE FixedAmountAccount > 0"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocGoodFixRest WHERE RestAmountAccount < 0"), 0);
    // Now: the rest of each good's lots is the last month's closing rest.
    EXPECT_EQ(QueryCount(db,
                         "SELECT count(*) FROM (SELECT GoodCode, sum(RestAmountAccount) AS rest "
                         "FROM THDocGoodFixRest GROUP BY GoodCode) r FULL JOIN (SELECT GoodCode, AmountAccount "
                         "FROM THDocGoodFixLogMonth WHERE DateEnd = (SELECT max(DateEnd) FROM THDocGoodFixLogMonth)) m "
                         "ON m.GoodCode = r.GoodCode WHERE r.rest IS DISTINCT FROM m.AmountAccount"),
              0);
    // At each month's end: the unfixed rows of that day are that month's closing rest.
    for (const char* monthEnd : {"2025-03-31", "2025-06-30", "2026-01-31", "2026-12-31"}) {
        const std::string date = monthEnd;
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM (SELECT GoodCode, sum(AmountAccount) AS rest "
                                 "FROM THGoodSpecNotFixed('" +
                                     date +
                                     "') GROUP BY GoodCode) n "
                                     "FULL JOIN (SELECT GoodCode, AmountAccount FROM THDocGoodFixLogMonth "
                                     "WHERE DateEnd = '" +
                                     date +
                                     "' AND AmountAccount <> 0) m ON m.GoodCode = n.GoodCode "
                                     "WHERE n.rest IS DISTINCT FROM m.AmountAccount"),
                  0)
            << monthEnd;
    }
    // The month's movement: what came in is what the posted incoming rows of the month hold.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocGoodFixLogMonth m LEFT JOIN (SELECT gs.GoodCode, "
                             "(date_trunc('month', d.DocumentDate) + interval '1 month - 1 day')::date AS DateEnd, "
                             "sum(gs.AmountAccount) AS amount FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID "
                             "WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF') "
                             "GROUP BY 1, 2) i ON i.GoodCode = m.GoodCode AND i.DateEnd = m.DateEnd "
                             "WHERE m.IncomeAmountAccount <> COALESCE(i.amount, 0) "
                             "OR m.MonthDays <> extract(day FROM m.DateEnd)"),
              0);
}

TEST(StockSources, SalesRowsForTheCubeCarryEverySalesRowWithItsSign)
{
    auto db = OpenDemoDatabase();
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THSpecForOLAPSale"),
              QueryCount(db, "SELECT count(*) FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID "
                             "WHERE d.DocTypeCode IN ('PRSF', 'GPG', 'PRSD', 'SCN', 'HR', 'HS', 'RD', 'RDG')"));
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THSpecForOLAPSale WHERE (Sign = -1) <> (DocTypeCode IN ('GPG', "
                             "'PRSD')) OR SummaWithoutVAT + SummVAT <> Summa"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THSpecForOLAPSale WHERE DiscountCardNumber IS NOT NULL"), 0);
}
