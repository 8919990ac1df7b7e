#include "ErpTestQueries.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

using Talvex::Testing::OpenDemoDatabase;
using Talvex::Testing::QueryCount;

namespace {

// Days whose kept rate differs from the latest rate on or before the day, looked up in the
// rates themselves; and days from a pair's first rate to its last that have no kept rate.
constexpr const char* kWrongDays = R"sql(
SELECT count(*) FROM REFCurrencyRateDay d
WHERE d.Rate IS DISTINCT FROM (SELECT r.Rate FROM REFCurrencyRate r
                               WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = d.RateTypeCode
                                 AND r.DateApply <= d.RateDate ORDER BY r.DateApply DESC LIMIT 1)
   OR d.DateApply IS DISTINCT FROM (SELECT max(r.DateApply) FROM REFCurrencyRate r
                                    WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = d.RateTypeCode
                                      AND r.DateApply <= d.RateDate))sql";

constexpr const char* kMissingDays = R"sql(
SELECT count(*) FROM (SELECT CurrencyCode, RateTypeCode, min(DateApply) AS First, max(DateApply) AS Last
                      FROM REFCurrencyRate GROUP BY CurrencyCode, RateTypeCode) p
CROSS JOIN LATERAL generate_series(p.First, p.Last, INTERVAL '1 day') AS s(Day)
WHERE NOT EXISTS (SELECT 1 FROM REFCurrencyRateDay d WHERE d.CurrencyCode = p.CurrencyCode
                  AND d.RateTypeCode = p.RateTypeCode AND d.RateDate = s.Day::date))sql";

// Kept days of a pair before its first rate, or of a pair without rates.
constexpr const char* kStrayDays = R"sql(
SELECT count(*) FROM REFCurrencyRateDay d
WHERE d.RateDate < COALESCE((SELECT min(r.DateApply) FROM REFCurrencyRate r WHERE r.CurrencyCode = d.CurrencyCode
                             AND r.RateTypeCode = d.RateTypeCode), 'infinity'::date))sql";

void ExpectDaysAgreeWithRates(Talvex::Data::Connection& db, const std::string& after)
{
    EXPECT_EQ(QueryCount(db, kWrongDays), 0) << after;
    EXPECT_EQ(QueryCount(db, kMissingDays), 0) << after;
    EXPECT_EQ(QueryCount(db, kStrayDays), 0) << after;
}

} // namespace

TEST(CurrencyRateDays, EachDayKeepsTheRateInForceThroughEveryChangeOfRates)
{
    auto db = OpenDemoDatabase();
    ASSERT_GT(QueryCount(db, "SELECT count(*) FROM REFCurrencyRateDay"), 300);
    ExpectDaysAgreeWithRates(db, "the demo company");
    // A day a year past the last rate still has that rate.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM (SELECT CurrencyCode, RateTypeCode, max(DateApply) AS Last "
                             "FROM REFCurrencyRate GROUP BY 1, 2) p WHERE NOT EXISTS (SELECT 1 FROM "
                             "REFCurrencyRateDay d WHERE d.CurrencyCode = p.CurrencyCode AND d.RateTypeCode = "
                             "p.RateTypeCode AND d.RateDate = p.Last + 365 AND d.DateApply = p.Last)"),
              0);

    Talvex::Data::Transaction tx(db);
    const std::string pair = "CurrencyCode = 'USD' AND RateTypeCode = 'BNK'";
    // A rate between two others, a rate before the first, and one past the last.
    db.ExecutePostgresScript("DELETE FROM REFCurrencyRate WHERE " + pair +
                             " AND DateApply BETWEEN '2025-03-02' AND '2025-03-20'");
    ExpectDaysAgreeWithRates(db, "a gap of rates deleted");
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFCurrencyRateDay WHERE " + pair +
                                 " AND RateDate BETWEEN '2025-03-02' AND '2025-03-20' AND DateApply < '2025-03-02'"),
              19);
    db.ExecutePostgresScript("INSERT INTO REFCurrencyRate (CurrencyCode, RateTypeCode, DateApply, Rate) VALUES "
                             "('USD', 'BNK', '2025-03-10', 0.5), ('USD', 'BNK', '2020-01-01', 0.25), "
                             "('USD', 'BNK', '2031-06-30', 2)");
    ExpectDaysAgreeWithRates(db, "rates inserted inside, before and after");
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFCurrencyRateDay WHERE " + pair +
                                 " AND RateDate BETWEEN '2025-03-10' AND '2025-03-20' AND Rate = 0.5"),
              11);
    // A changed rate and a rate moved to another day.
    db.ExecutePostgresScript("UPDATE REFCurrencyRate SET Rate = Rate * 2 WHERE " + pair +
                             " AND DateApply = '2025-03-10'");
    db.ExecutePostgresScript("UPDATE REFCurrencyRate SET DateApply = '2025-03-15' WHERE " + pair +
                             " AND DateApply = '2025-03-10'");
    ExpectDaysAgreeWithRates(db, "rates updated");
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFCurrencyRateDay WHERE " + pair +
                                 " AND RateDate BETWEEN '2025-03-10' AND '2025-03-20' AND Rate = 1"),
              6);
    // A new currency's first rates, a rate type moved to another currency, then every rate of a pair gone.
    db.ExecutePostgresScript("INSERT INTO REFCurrencyRate (CurrencyCode, RateTypeCode, DateApply, Rate) VALUES "
                             "('GBP', 'BNK', '2026-01-01', 1.15), ('GBP', 'BNK', '2026-02-01', 1.17)");
    db.ExecutePostgresScript("UPDATE REFCurrencyRate SET CurrencyCode = 'CHF' WHERE CurrencyCode = 'GBP' "
                             "AND DateApply = '2026-02-01'");
    ExpectDaysAgreeWithRates(db, "a new currency");
    db.ExecutePostgresScript("DELETE FROM REFCurrencyRate WHERE " + pair);
    ExpectDaysAgreeWithRates(db, "a pair's rates deleted");
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFCurrencyRateDay WHERE " + pair), 0);
    db.ExecutePostgresScript("TRUNCATE REFCurrencyRate");
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFCurrencyRateDay"), 0);
}

TEST(CurrencyRateDays, TwoSessionsChangingOnePairsRatesAtOnceBothCount)
{
    auto first = OpenDemoDatabase();
    auto second = OpenDemoDatabase();
    const std::string pair = "CurrencyCode = 'XTS' AND RateTypeCode = 'BNK'";
    first.ExecutePostgresScript("DELETE FROM REFCurrencyRate WHERE " + pair);
    const long secondPid = QueryCount(second, "SELECT pg_backend_pid()");

    std::string secondError;
    {
        Talvex::Data::Transaction unit(first);
        first.ExecutePostgresScript("INSERT INTO REFCurrencyRate (CurrencyCode, RateTypeCode, DateApply, Rate) "
                                    "VALUES ('XTS', 'BNK', '2025-01-01', 1)");
        std::thread other([&] {
            try {
                second.ExecutePostgresScript("INSERT INTO REFCurrencyRate (CurrencyCode, RateTypeCode, DateApply, "
                                             "Rate) VALUES ('XTS', 'BNK', '2025-06-01', 2)");
            } catch (const std::exception& error) {
                secondError = error.what();
            }
        });
        // The second change waits for the first; only then does the first commit.
        const std::string waiting =
            "SELECT count(*) FROM pg_locks WHERE NOT granted AND pid = " + std::to_string(secondPid);
        bool waited = false;
        for (int poll = 0; poll < 6000 && !(waited = QueryCount(first, waiting) > 0); ++poll)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(waited) << "the second session never waited for the first";
        unit.Commit();
        other.join();
    }
    EXPECT_EQ(secondError, "");
    ExpectDaysAgreeWithRates(first, "two sessions' rates of one pair");
    EXPECT_EQ(QueryCount(first, "SELECT count(*) FROM REFCurrencyRateDay WHERE " + pair +
                                    " AND RateDate BETWEEN '2025-06-01' AND '2025-06-30' AND Rate = 2"),
              30);
    first.ExecutePostgresScript("DELETE FROM REFCurrencyRate WHERE " + pair);
    EXPECT_EQ(QueryCount(first, "SELECT count(*) FROM REFCurrencyRateDay WHERE " + pair), 0);
}
