#include "ErpTestQueries.hpp"
#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Data::Connection;
using Talvex::Erp::THDocumentObject;
using Talvex::Testing::Ids;
using Talvex::Testing::Pick;
using Talvex::Testing::QueryCount;
using Talvex::Testing::QueryText;

namespace {

// The monthly movement worked out per read from the base tables, every good and month at
// once, joining each take back to its outgoing document: what the source gave before its
// state was kept.
constexpr const char* kRecount = R"sql(
    WITH incoming AS (
        SELECT r.GoodCode, date_trunc('month', r.DocumentDate)::DATE AS Month,
               SUM(r.AmountAccount) AS Amount, SUM(r.CostSumm) AS Cost
        FROM THDocGoodFixRest r GROUP BY 1, 2
    ),
    fixed AS (
        SELECT r.GoodCode, date_trunc('month', od.DocumentDate)::DATE AS Month, SUM(f.Amount) AS Amount,
               SUM(ROUND(COALESCE(r.CostSumm / NULLIF(r.AmountAccount, 0), 0) * f.Amount, 4)) AS Cost
        FROM THGoodSpecFixLog f
        JOIN THDocGoodFixRest r ON r.IncomeSpecID = f.IncomeSpecID
        JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID
        JOIN THDocument od ON od.IDC = o.DocID
        GROUP BY 1, 2
    ),
    months AS (
        SELECT generate_series(MIN(m.Month), MAX(m.Month), INTERVAL '1 month')::DATE AS Month
        FROM (SELECT Month FROM incoming UNION ALL SELECT Month FROM fixed) m
    ),
    grid AS (
        SELECT g.GoodCode, m.Month,
               COALESCE(i.Amount, 0) AS IncomeAmount, COALESCE(i.Cost, 0) AS IncomeCost,
               COALESCE(f.Amount, 0) AS FixedAmount, COALESCE(f.Cost, 0) AS FixedCost
        FROM (SELECT DISTINCT GoodCode FROM incoming) g
        CROSS JOIN months m
        LEFT JOIN incoming i ON i.GoodCode = g.GoodCode AND i.Month = m.Month
        LEFT JOIN fixed f ON f.GoodCode = g.GoodCode AND f.Month = m.Month
    )
    SELECT grid.GoodCode,
           (grid.Month + INTERVAL '1 month' - INTERVAL '1 day')::DATE AS DateEnd,
           grid.IncomeAmount AS IncomeAmountAccount, grid.IncomeCost AS IncomeCostSumm,
           grid.FixedAmount AS FixedAmountAccount, grid.FixedCost AS FixedCostSumm,
           SUM(grid.IncomeAmount - grid.FixedAmount) OVER w AS AmountAccount,
           SUM(grid.IncomeCost - grid.FixedCost) OVER w AS CostSumm,
           EXTRACT(DAY FROM grid.Month + INTERVAL '1 month' - INTERVAL '1 day')::INTEGER AS MonthDays
    FROM grid
    WINDOW w AS (PARTITION BY grid.GoodCode ORDER BY grid.Month)
)sql";

// Empty when the kept source gives the recount row for row and every take carries its
// outgoing document's date; else the first differences.
std::string StockMonthDifferences(Connection& db)
{
    std::string text = QueryText(db, std::string("WITH recount AS (") + kRecount +
                                         "), kept AS (SELECT * FROM THDocGoodFixLogMonth), "
                                         "diff AS (SELECT 'kept' AS side, * FROM (SELECT * FROM kept EXCEPT ALL "
                                         "SELECT * FROM recount) a UNION ALL SELECT 'recount', * FROM (SELECT * "
                                         "FROM recount EXCEPT ALL SELECT * FROM kept) b) "
                                         "SELECT CASE WHEN (SELECT count(*) FROM diff) > 0 THEN (SELECT count(*) FROM diff) || "
                                         "' rows differ: ' || string_agg(t, '; ') ELSE '' END FROM "
                                         "(SELECT d::text AS t FROM diff d ORDER BY GoodCode, DateEnd, side LIMIT 6) x");
    const auto undated = QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog f "
                                        "LEFT JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID "
                                        "LEFT JOIN THDocument od ON od.IDC = o.DocID "
                                        "WHERE f.OutcomeDate IS DISTINCT FROM od.DocumentDate");
    if (undated != 0) text += " " + std::to_string(undated) + " takes without their outgoing document's date";
    return text;
}

// Writes through the host's document and table objects, as the editors and operations do.
struct StockWriter {
    std::shared_ptr<Talvex::Book> book;
    std::mt19937 random{20260412};

    Connection& Db() { return book->Db(); }

    void Change(std::int64_t idc, const char* field, Value value)
    {
        THDocumentObject doc(book);
        doc.Load(idc);
        doc.Fields(field) = std::move(value);
        doc.Save();
    }

    // A posted purchase of two goods dated on the day, its rows written as its editor does.
    std::int64_t Purchase(const Date& date, const std::string& good1, const std::string& good2)
    {
        THDocumentObject doc(book);
        doc.New("PISF");
        doc.Fields("DocumentDate") = Value(date);
        doc.Fields("Number") = doc.NextNumber();
        doc.Fields("IsPosted") = Value(1);
        const auto id = doc.Save();
        int pos = 0;
        for (const auto& good : {good1, good2}) {
            Talvex::TableObject row(book, "THGoodSpec");
            row.AddNew();
            row.Set("DocID", Value(id));
            row.Set("PosNumb", Value(++pos));
            row.Set("GoodCode", Value(good));
            row.Set("UnitCode", Value("VNT"));
            row.Set("Amount", Value(Currency::FromInteger(7 * pos)));
            row.Set("AmountAccount", Value(Currency::FromInteger(7 * pos)));
            row.Set("CostSumm", Value(Currency::Parse("43.3300")));
            row.Save();
        }
        return id;
    }

    std::int64_t Take(std::int64_t lot, std::int64_t outgoing, const char* amount)
    {
        Talvex::TableObject fix(book, "THGoodSpecFixLog");
        fix.AddNew();
        fix.Set("IncomeSpecID", Value(lot));
        fix.Set("OutcomeSpecID", Value(outgoing));
        fix.Set("Amount", Value(Currency::Parse(amount)));
        // Whatever the writer says, the take is dated by its outgoing document.
        fix.Set("OutcomeDate", Value(Date(2001, 1, 1)));
        return fix.Save();
    }

    // Unposted first: the document object refuses to delete a posted document.
    void Delete(std::int64_t idc)
    {
        Change(idc, "IsPosted", Value(0));
        THDocumentObject doc(book);
        doc.Load(idc);
        doc.Delete();
    }
};

} // namespace

TEST(StockMonthState, SourceGivesTheRecountOverTheWholeCompany)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    EXPECT_EQ(StockMonthDifferences(db), "");
    // The comparison sees what can go wrong: goods whose movement starts after the first
    // month and ends before the last, takes from lots of other months, lots of unposted
    // documents and of services that do not count.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodFixMonthSpan WHERE FirstMonth > (SELECT min(FirstMonth) "
                             "FROM THGoodFixMonthSpan)"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodFixMonthSpan WHERE LastMonth < (SELECT max(LastMonth) "
                             "FROM THGoodFixMonthSpan) AND RestAmount <> 0"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog f JOIN THGoodSpec l ON l.IDC = f.IncomeSpecID "
                             "JOIN THDocument d ON d.IDC = l.DocID "
                             "WHERE date_trunc('month', d.DocumentDate) <> date_trunc('month', f.OutcomeDate)"),
              100);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THDocument WHERE IsPosted = 0 "
                             "AND DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF')"),
              0);
    // The source keeps its columns and their types.
    EXPECT_EQ(QueryText(db, "SELECT string_agg(a.attname || ' ' || format_type(a.atttypid, a.atttypmod), ', ' "
                            "ORDER BY a.attnum) FROM pg_attribute a WHERE a.attnum > 0 "
                            "AND a.attrelid = 'thdocgoodfixlogmonth'::regclass"),
              "goodcode character varying(30), dateend date, incomeamountaccount numeric, incomecostsumm numeric, "
              "fixedamountaccount numeric, fixedcostsumm numeric, amountaccount numeric, costsumm numeric, "
              "monthdays integer");
}

TEST(StockMonthState, FollowsEveryWriteAndForgetsEveryRolledBackOne)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    StockWriter writer{book};
    const std::string stateBefore =
        QueryText(db, "SELECT md5(string_agg(t::text, '|' ORDER BY GoodCode, DateEnd)) FROM THDocGoodFixLogMonth t");
    const std::string datesBefore =
        QueryText(db, "SELECT md5(string_agg(IDC || ' ' || COALESCE(OutcomeDate::text, '-'), '|' ORDER BY IDC)) "
                      "FROM THGoodSpecFixLog");
    {
        Talvex::Data::Transaction tx(db);
        const auto goods = [&] {
            std::vector<std::string> codes;
            for (const auto& row : db.QueryPostgres("SELECT GoodCode FROM THGoodFixMonthSpan ORDER BY 1").rows)
                codes.push_back(row.at(0).ToText());
            return codes;
        }();
        ASSERT_GT(goods.size(), 20u);
        const auto sales = Ids(db, "SELECT gs.IDC FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID "
                                   "WHERE d.DocTypeCode = 'PRSF' ORDER BY 1");
        const auto lots = Ids(db, "SELECT IncomeSpecID FROM THDocGoodFixRest ORDER BY 1");
        ASSERT_GT(lots.size(), 50u);

        // New stock: purchases in the company's months and one after its last, which every
        // good's months then reach; takes from them and from old lots, one dated in the past.
        const auto inside = writer.Purchase(Date(2025, 6, 11), Pick(writer.random, goods), Pick(writer.random, goods));
        const auto later = writer.Purchase(Date(2027, 2, 3), Pick(writer.random, goods), goods.front());
        const auto newLots = Ids(db, "SELECT IDC FROM THGoodSpec WHERE DocID IN (" + std::to_string(inside) + ", " +
                                         std::to_string(later) + ") ORDER BY IDC");
        std::vector<std::int64_t> takes;
        for (int i = 0; i < 6; ++i)
            takes.push_back(writer.Take(i < 3 ? newLots.at(i) : Pick(writer.random, lots), Pick(writer.random, sales),
                                        i % 2 ? "1.5" : "2"));
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog WHERE OutcomeDate < '2020-01-01'"), 0);
        EXPECT_EQ(StockMonthDifferences(db), "") << "after new lots and takes";

        // Takes changed in one statement: amounts, a take moved to another lot and another
        // outgoing row; some deleted.
        db.QueryPostgres("UPDATE THGoodSpecFixLog SET Amount = Amount + 1 WHERE IDC % 97 = 5");
        db.QueryPostgres("UPDATE THGoodSpecFixLog SET IncomeSpecID = $1, OutcomeSpecID = $2 WHERE IDC = $3",
                         {Value(Pick(writer.random, lots)), Value(Pick(writer.random, sales)), Value(takes.at(4))});
        db.QueryPostgres("DELETE FROM THGoodSpecFixLog WHERE IDC % 89 = 3");
        EXPECT_EQ(StockMonthDifferences(db), "") << "after changed takes";

        // Documents: an outgoing invoice moves to another month, a lot's document too; a lot is
        // unposted and posted again, another becomes an outgoing type; a lot row changes its
        // cost, quantity and good through its document's editor.
        const auto outgoingDoc =
            QueryCount(db, "SELECT o.DocID FROM THGoodSpecFixLog f JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID "
                           "ORDER BY f.IDC LIMIT 1");
        writer.Change(outgoingDoc, "DocumentDate", Value(Date(2026, 11, 20)));
        const auto lotDocs = Ids(db, "SELECT DISTINCT DocID FROM THDocGoodFixRest ORDER BY 1");
        writer.Change(Pick(writer.random, lotDocs), "DocumentDate", Value(Date(2025, 2, 14)));
        const auto reposted = Pick(writer.random, lotDocs);
        writer.Change(reposted, "IsPosted", Value(0));
        EXPECT_EQ(StockMonthDifferences(db), "") << "after unposting a lot";
        writer.Change(reposted, "IsPosted", Value(1));
        writer.Change(Pick(writer.random, lotDocs), "DocTypeCode", Value("PRSF"));
        {
            THDocumentObject doc(book);
            doc.Load(Pick(writer.random, lotDocs));
            ASSERT_FALSE(doc.Rows().empty());
            doc.Rows().front()->Set("CostSumm", Value(Currency::Parse("1234.5600")));
            doc.Rows().front()->Set("AmountAccount", Value(Currency::FromInteger(3)));
            doc.Rows().back()->Set("GoodCode", Value(Pick(writer.random, goods)));
            doc.WriteBack(false);
        }
        EXPECT_EQ(StockMonthDifferences(db), "") << "after document changes";

        // A good becomes a service (its lots stop counting) and another comes back.
        db.QueryPostgres("UPDATE REFGood SET Category = 1 WHERE Code = $1", {Value(goods.at(3))});
        EXPECT_EQ(StockMonthDifferences(db), "") << "after a good became a service";

        // Deletions: an outgoing invoice (its takes lose their date), a purchase with its rows.
        const auto soldFrom = QueryCount(db, "SELECT o.DocID FROM THGoodSpecFixLog f JOIN THGoodSpec o "
                                             "ON o.IDC = f.OutcomeSpecID JOIN THDocument d ON d.IDC = o.DocID "
                                             "WHERE d.DocTypeCode = 'PRSF' ORDER BY f.IDC DESC LIMIT 1");
        writer.Delete(soldFrom);
        writer.Delete(inside);
        EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog WHERE OutcomeDate IS NULL"), 0);
        EXPECT_EQ(StockMonthDifferences(db), "") << "after deletions";

        // Inside a unit of work that is rolled back: what it wrote shows, then goes.
        {
            Talvex::Data::Transaction unit(db);
            db.QueryPostgres("UPDATE THDocument SET DocumentDate = DocumentDate + 20 WHERE IDC % 13 = 2");
            db.QueryPostgres("UPDATE THGoodSpec SET CostSumm = CostSumm * 2 WHERE IDC % 17 = 1");
            EXPECT_EQ(StockMonthDifferences(db), "") << "inside a unit of work";
            // Emptying a table leaves nothing to follow: the whole state is built again.
            db.QueryPostgres("TRUNCATE THGoodSpecFixLog");
            EXPECT_EQ(StockMonthDifferences(db), "") << "after the log was emptied";
        }
        EXPECT_EQ(StockMonthDifferences(db), "") << "after the unit of work rolled back";
    }
    EXPECT_EQ(StockMonthDifferences(db), "") << "after the whole test rolled back";
    EXPECT_EQ(
        QueryText(db, "SELECT md5(string_agg(t::text, '|' ORDER BY GoodCode, DateEnd)) FROM THDocGoodFixLogMonth t"),
        stateBefore);
    EXPECT_EQ(QueryText(db, "SELECT md5(string_agg(IDC || ' ' || COALESCE(OutcomeDate::text, '-'), '|' ORDER BY IDC)) "
                            "FROM THGoodSpecFixLog"),
              datesBefore);
}

// Two sessions writing the stock of different goods never wait for each other; two writing
// the same good take turns.
TEST(StockMonthState, WritersOfDifferentGoodsDoNotWaitForEachOther)
{
    auto first = Talvex::Testing::OpenDemoDatabase();
    auto second = Talvex::Testing::OpenDemoDatabase();
    // Two lots of different goods, and a take from each.
    const auto rows = first.QueryPostgres(
        "SELECT DISTINCT ON (r.GoodCode) f.IDC, r.GoodCode FROM THGoodSpecFixLog f "
        "JOIN THDocGoodFixRest r ON r.IncomeSpecID = f.IncomeSpecID ORDER BY r.GoodCode, f.IDC LIMIT 2");
    ASSERT_EQ(rows.rows.size(), 2u);
    const auto takeA = rows.rows[0].at(0).ToInteger(), takeB = rows.rows[1].at(0).ToInteger();
    const std::string amountOf = "SELECT FixedAmountAccount FROM THDocGoodFixLogMonth m JOIN THGoodSpecFixLog f "
                                 "ON f.IDC = $1 AND m.DateEnd = (date_trunc('month', f.OutcomeDate) "
                                 "+ interval '1 month - 1 day')::date JOIN THGoodSpec l ON l.IDC = f.IncomeSpecID "
                                 "AND l.GoodCode = m.GoodCode";

    Talvex::Data::Transaction one(first);
    first.QueryPostgres("UPDATE THGoodSpecFixLog SET Amount = Amount + 1 WHERE IDC = $1", {Value(takeA)});
    Talvex::Data::Transaction two(second);
    // A wait would end in this error; the write of the other good goes through at once.
    second.QueryPostgres("SET LOCAL lock_timeout = '10min'");
    const auto before = second.QueryPostgres(amountOf, {Value(takeB)}).rows.at(0).at(0).ToDecimal();
    second.QueryPostgres("UPDATE THGoodSpecFixLog SET Amount = Amount + 1 WHERE IDC = $1", {Value(takeB)});
    EXPECT_EQ(second.QueryPostgres(amountOf, {Value(takeB)}).rows.at(0).at(0).ToDecimal(),
              before + Talvex::Decimal::FromInteger(1));
    // The first session's good is its own until it ends: the second cannot write it now.
    {
        Talvex::Data::Transaction sameGood(second);
        second.QueryPostgres("SET LOCAL lock_timeout = '1ms'");
        EXPECT_THROW(second.QueryPostgres("SELECT THGoodFixMonthRefresh(ARRAY[(SELECT l.GoodCode FROM "
                                          "THGoodSpecFixLog f JOIN THGoodSpec l ON l.IDC = f.IncomeSpecID "
                                          "WHERE f.IDC = $1)])",
                                          {Value(takeA)}),
                     Talvex::DatabaseError);
    }
}
