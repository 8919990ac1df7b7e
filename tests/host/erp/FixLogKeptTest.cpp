#include "ErpTestQueries.hpp"
#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Talvex::Value;
using Talvex::Data::Connection;
using Talvex::Erp::THDocumentObject;
using Talvex::Testing::QueryCount;
using Talvex::Testing::QueryText;

namespace {

// What each fixation row should keep, worked out from the base tables row by row: the
// outgoing row's document (date, id, type, posting, currency), its good and its sum without
// the VAT of its first line among the sales types' tables per accounting unit; the lot's
// document and its cost per accounting unit. Nothing of a row or document that is missing.
constexpr const char* kRecount = R"sql(
    WITH vat AS (
        SELECT DISTINCT ON (v.DocID, v.PosNumb) v.DocID, v.PosNumb, v.SummVAT
        FROM (SELECT 1 AS Rank, DocID, PosNumb, SummVAT FROM THGoodSpecPRSF
              UNION ALL SELECT 2, DocID, PosNumb, SummVAT FROM THGoodSpecRD
              UNION ALL SELECT 3, DocID, PosNumb, SummVAT FROM THGoodSpecRDG
              UNION ALL SELECT 4, DocID, PosNumb, SummVAT FROM THGoodSpecHR
              UNION ALL SELECT 5, DocID, PosNumb, SummVAT FROM THGoodSpecHS) v
        ORDER BY v.DocID, v.PosNumb, v.Rank)
    SELECT f.IDC, od.DocumentDate, od.IDC AS DocID, od.DocTypeCode, od.IsPosted, od.CurrencyCode, o.GoodCode,
           CASE WHEN o.IDC IS NULL THEN NULL WHEN o.AmountAccount = 0 THEN 0
                ELSE (o.Summa - COALESCE(vat.SummVAT, 0)) / o.AmountAccount END AS NetPrice,
           r.DocID AS LotDocID,
           CASE WHEN r.IDC IS NULL THEN NULL WHEN r.AmountAccount = 0 THEN 0
                ELSE r.CostSumm / r.AmountAccount END AS UnitCost
    FROM THGoodSpecFixLog f
    LEFT JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID
    LEFT JOIN THDocument od ON od.IDC = o.DocID
    LEFT JOIN THGoodSpec r ON r.IDC = f.IncomeSpecID
    LEFT JOIN vat ON vat.DocID = o.DocID AND vat.PosNumb = o.PosNumb
)sql";

constexpr const char* kKept =
    "SELECT IDC, OutcomeDate, OutcomeDocID, OutcomeDocTypeCode, OutcomeIsPosted, OutcomeCurrencyCode, "
    "OutcomeGoodCode, OutcomeNetPrice, IncomeDocID, IncomeUnitCost FROM THGoodSpecFixLog";

// Empty when every fixation row keeps what the recount gives (numbers by value, and the
// share of the outgoing row's sum to the last digit); else how many rows differ and the first.
std::string KeptDifferences(Connection& db)
{
    return QueryText(
        db,
        std::string("WITH recount AS (") + kRecount + "), kept AS (" + kKept +
            "), diff AS (SELECT 'kept' AS side, * FROM (SELECT * FROM kept EXCEPT ALL SELECT * FROM recount) a "
            "UNION ALL SELECT 'recount', * FROM (SELECT * FROM recount EXCEPT ALL SELECT * FROM kept) b) "
            "SELECT CASE WHEN (SELECT count(*) FROM diff) > 0 THEN (SELECT count(*) FROM diff) || ' rows differ: ' "
            "|| string_agg(t, '; ') ELSE '' END FROM (SELECT d::text AS t FROM diff d ORDER BY IDC, side LIMIT 4) x");
}

std::string KeptDigest(Connection& db)
{
    return QueryText(db, std::string("SELECT md5(string_agg(k::text, '|' ORDER BY k.IDC)) FROM (") + kKept + ") k");
}

// The tables whose statements change what the fixation rows keep.
const std::vector<std::string> kFollowedTables = {"THDocument",    "THGoodSpec",   "THGoodSpecPRSF", "THGoodSpecRD",
                                                  "THGoodSpecRDG", "THGoodSpecHR", "THGoodSpecHS"};
// Those that may be emptied (the documents are referenced by other tables' keys), each then
// rebuilding what the log keeps.
const std::vector<std::string> kEmptiedTables = {"THGoodSpec",    "THGoodSpecPRSF", "THGoodSpecRD",
                                                 "THGoodSpecRDG", "THGoodSpecHR",   "THGoodSpecHS"};
const std::vector<std::string> kVatTables = {"THGoodSpecPRSF", "THGoodSpecRD", "THGoodSpecRDG", "THGoodSpecHR",
                                             "THGoodSpecHS"};

// Writes every kind of change the kept columns follow, checking after each; gives the steps
// after which the kept columns differed from the recount. Only the given tables are emptied
// (each inside a savepoint rolled back at once): a rebuild of the whole log takes a while.
struct KeptScenario {
    std::shared_ptr<Talvex::Book> book;
    std::vector<std::string> truncated;
    std::vector<std::string> failed;
    // Whether the writes go on unchecked once a step failed: enough to know that one did.
    bool firstFailureOnly = false;

    Connection& Db() { return book->Db(); }

    void Check(const std::string& step)
    {
        if (firstFailureOnly && !failed.empty()) return;
        const std::string diff = KeptDifferences(Db());
        if (!diff.empty()) failed.push_back(step + ": " + diff);
    }

    void Exec(const std::string& sql, const std::vector<Value>& params = {}) { Db().QueryPostgres(sql, params); }

    void ChangeDocument(std::int64_t idc, const char* field, Value value)
    {
        THDocumentObject doc(book);
        doc.Load(idc);
        doc.Fields(field) = std::move(value);
        doc.Save();
    }

    void TruncateInside(const std::string& table)
    {
        Talvex::Data::Transaction unit(Db());
        Exec("TRUNCATE " + table);
        Check("after " + table + " was emptied");
    }

    void Run()
    {
        auto& db = Db();
        // A posted invoice's goods row with a quantity, taken from a lot with a quantity.
        const auto pick = db.QueryPostgres(
            "SELECT f.IDC, f.OutcomeSpecID, f.IncomeSpecID, o.DocID, o.PosNumb, r.DocID FROM THGoodSpecFixLog f "
            "JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument d ON d.IDC = o.DocID "
            "JOIN THGoodSpec r ON r.IDC = f.IncomeSpecID WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 "
            "AND o.AmountAccount <> 0 AND r.AmountAccount <> 0 AND d.CurrencyCode = 'EUR' ORDER BY f.IDC LIMIT 1");
        ASSERT_EQ(pick.rows.size(), 1u);
        const auto take = pick.rows[0].at(0).ToInteger(), sale = pick.rows[0].at(1).ToInteger(),
                   lot = pick.rows[0].at(2).ToInteger(), saleDoc = pick.rows[0].at(3).ToInteger(),
                   salePos = pick.rows[0].at(4).ToInteger(), lotDoc = pick.rows[0].at(5).ToInteger();
        const auto otherSale = QueryCount(db, "SELECT o.IDC FROM THGoodSpec o JOIN THDocument d ON d.IDC = o.DocID "
                                              "WHERE d.DocTypeCode = 'RD' ORDER BY o.IDC LIMIT 1");
        const auto otherLot = QueryCount(db, "SELECT IncomeSpecID FROM THDocGoodFixRest WHERE AmountAccount <> 0 "
                                             "ORDER BY IncomeSpecID DESC LIMIT 1");
        Check("over the whole company");

        // Takes written with made-up kept values, and moved to other goods rows.
        const auto written =
            db.QueryPostgres(
                  "INSERT INTO THGoodSpecFixLog (IncomeSpecID, OutcomeSpecID, Amount, OutcomeDate, OutcomeDocID, "
                  "OutcomeDocTypeCode, OutcomeIsPosted, OutcomeCurrencyCode, OutcomeGoodCode, OutcomeNetPrice, "
                  "IncomeDocID, IncomeUnitCost) VALUES ($1, $2, 1.5, '2001-01-01', -1, 'X', 0, 'XXX', 'X', 999, -1, "
                  "999) "
                  "RETURNING IDC",
                  {Value(lot), Value(sale)})
                .rows.at(0)
                .at(0)
                .ToInteger();
        Check("after a take was written");
        Exec("UPDATE THGoodSpecFixLog SET OutcomeSpecID = $1, IncomeSpecID = $2 WHERE IDC = $3",
             {Value(otherSale), Value(otherLot), Value(written)});
        Check("after a take moved to other goods rows");
        Exec("UPDATE THGoodSpecFixLog SET OutcomeNetPrice = 0, IncomeUnitCost = 0, OutcomeDate = NULL WHERE IDC = $1",
             {Value(take)});
        Check("after a writer set the kept columns");

        // The sale's document: date and currency, unposted and posted again by its editor, retyped.
        Exec("UPDATE THDocument SET DocumentDate = DocumentDate + 40, CurrencyCode = 'USD' WHERE IDC = $1",
             {Value(saleDoc)});
        Check("after the sale's date and currency changed");
        ChangeDocument(saleDoc, "IsPosted", Value(0));
        Check("after the sale was unposted");
        ChangeDocument(saleDoc, "IsPosted", Value(1));
        Check("after the sale was posted again");
        Exec("UPDATE THDocument SET DocTypeCode = 'RD' WHERE IDC = $1", {Value(saleDoc)});
        Check("after the sale was retyped");

        // The goods rows: the sale's sum, quantity and good, the lot's cost.
        Exec("UPDATE THGoodSpec SET Summa = Summa + 10.01, AmountAccount = AmountAccount + 1, GoodCode = "
             "(SELECT Code FROM REFGood WHERE Code <> THGoodSpec.GoodCode ORDER BY Code LIMIT 1) WHERE IDC = $1",
             {Value(sale)});
        Exec("UPDATE THGoodSpec SET CostSumm = CostSumm * 3 + 0.07 WHERE IDC = $1", {Value(lot)});
        Check("after the goods rows changed");

        // The sale's VAT: its lines gone, then a line in each sales type's table in turn,
        // changed, emptied with its table, deleted.
        for (const auto& table : kVatTables)
            Exec("DELETE FROM " + table + " WHERE DocID = $1 AND PosNumb = $2", {Value(saleDoc), Value(salePos)});
        Check("after the sale's VAT lines were deleted");
        for (const auto& table : kVatTables) {
            Exec("INSERT INTO " + table + " (DocID, PosNumb, SummVAT) VALUES ($1, $2, 3.21)",
                 {Value(saleDoc), Value(salePos)});
            Check("after a VAT line came in " + table);
            Exec("UPDATE " + table + " SET SummVAT = 4.56 WHERE DocID = $1 AND PosNumb = $2",
                 {Value(saleDoc), Value(salePos)});
            Check("after a VAT line changed in " + table);
            for (const auto& emptied : truncated)
                if (emptied == table) TruncateInside(table);
            Exec("DELETE FROM " + table + " WHERE DocID = $1 AND PosNumb = $2", {Value(saleDoc), Value(salePos)});
            Check("after a VAT line was deleted from " + table);
        }

        // Rows that come after their takes: a lot, an invoice's row, then its document.
        const auto newSpec = QueryCount(db, "SELECT max(IDC) + 1000 FROM THGoodSpec");
        const auto newDoc = QueryCount(db, "SELECT max(IDC) + 1000 FROM THDocument");
        Exec("INSERT INTO THGoodSpecFixLog (IncomeSpecID, OutcomeSpecID, Amount) VALUES ($1, $2, 2)",
             {Value(newSpec + 1), Value(newSpec)});
        Exec("INSERT INTO THGoodSpec (IDC, DocID, PosNumb, GoodCode, UnitCode, AmountAccount, CostSumm) "
             "SELECT $1, $2, 9999, GoodCode, UnitCode, 6, 19.99 FROM THGoodSpec WHERE IDC = $3",
             {Value(newSpec + 1), Value(lotDoc), Value(lot)});
        Check("after the lot of a take came");
        Exec("INSERT INTO THGoodSpec (IDC, DocID, PosNumb, GoodCode, UnitCode, AmountAccount, Summa) "
             "SELECT $1, $2, 1, GoodCode, UnitCode, 3, 12.34 FROM THGoodSpec WHERE IDC = $3",
             {Value(newSpec), Value(newDoc), Value(sale)});
        Check("after the outgoing row of a take came");
        Exec("INSERT INTO THDocument (IDC, DocTypeCode, DocumentDate, Number, IsPosted, CurrencyCode) "
             "VALUES ($1, 'PRSF', '2025-07-09', 'KEPT-1', 1, 'PLN')",
             {Value(newDoc)});
        Check("after the outgoing document of a take came");

        // A unit of work rolled back takes its changes back with it.
        {
            Talvex::Data::Transaction unit(db);
            Exec("UPDATE THDocument SET DocumentDate = DocumentDate - 3 WHERE IDC IN (SELECT OutcomeDocID "
                 "FROM THGoodSpecFixLog WHERE IDC % 97 = 1)");
            Exec("UPDATE THGoodSpec SET Summa = Summa * 2 WHERE IDC % 89 = 4");
            Check("inside a unit of work");
        }
        Check("after a unit of work rolled back");

        for (const auto& table : truncated)
            if (table == "THGoodSpec") TruncateInside(table);

        // Deletions: a document (its rows stay), a goods row.
        Exec("DELETE FROM THDocument WHERE IDC = $1", {Value(newDoc)});
        Check("after the outgoing document was deleted");
        Exec("DELETE FROM THGoodSpec WHERE IDC = $1", {Value(sale)});
        Check("after the outgoing row was deleted");
    }
};

} // namespace

TEST(FixLogKept, KeptColumnsFollowEveryWriteAndForgetEveryRolledBackOne)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    EXPECT_EQ(KeptDifferences(db), "") << "over the whole company";
    // The company holds what the comparison must see: sales in other currencies, rows without
    // quantity, VAT lines in more than the invoices' table, takes whose lot is a return.
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog WHERE OutcomeCurrencyCode <> 'EUR'"), 0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM THGoodSpecFixLog f JOIN THGoodSpecRD v ON v.DocID = f.OutcomeDocID"),
              0);
    const std::string before = KeptDigest(db);
    {
        Talvex::Data::Transaction tx(db);
        KeptScenario scenario{book, kEmptiedTables, {}};
        scenario.Run();
        EXPECT_TRUE(scenario.failed.empty()) << ::testing::PrintToString(scenario.failed);
    }
    EXPECT_EQ(KeptDifferences(db), "") << "after the whole test rolled back";
    EXPECT_EQ(KeptDigest(db), before);
}

// Every trigger that keeps the columns is needed: with any one of them off, some step of the
// same writes leaves a fixation row keeping a stale value.
TEST(FixLogKept, EachTriggerIsNeeded)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    std::string emptied;
    for (const auto& table : kEmptiedTables)
        emptied += (emptied.empty() ? "lower('" : ", lower('") + table + "')";
    const auto triggers = db.QueryPostgres(
        "SELECT c.relname, g.tgname FROM pg_trigger g JOIN pg_class c ON c.oid = g.tgrelid WHERE NOT g.tgisinternal "
        "AND (g.tgname LIKE 'thgoodfixkept\\_%' OR (g.tgname = 'thgoodfixmonth_trunc' AND c.relname IN (" +
        emptied + "))) ORDER BY 1, 2");
    // A row trigger on the log, three statement triggers on each followed table, and the
    // rebuild after emptying one.
    ASSERT_EQ(triggers.rows.size(), 1 + 3 * kFollowedTables.size() + kEmptiedTables.size());
    for (const auto& row : triggers.rows) {
        const std::string table = row.at(0).ToText(), trigger = row.at(1).ToText();
        Talvex::Data::Transaction tx(db);
        db.QueryPostgres("ALTER TABLE " + table + " DISABLE TRIGGER " + trigger);
        KeptScenario scenario{book, {}, {}, true};
        if (trigger == "thgoodfixmonth_trunc")
            for (const auto& name : kEmptiedTables)
                if (Talvex::EqualsIgnoreCase(name, table)) scenario.truncated = {name};
        scenario.Run();
        EXPECT_FALSE(scenario.failed.empty()) << "nothing noticed " << table << "." << trigger << " off";
    }
    EXPECT_EQ(KeptDifferences(db), "");
}

// Two sessions writing different sales (goods of their own) neither wait for each other nor
// see each other's kept values before the commit.
TEST(FixLogKept, WritersOfDifferentSalesDoNotWaitForEachOther)
{
    auto first = Talvex::Testing::OpenDemoDatabase();
    auto second = Talvex::Testing::OpenDemoDatabase();
    // Two sales whose takes share no good, neither with the other's takes nor lots.
    const auto rows = first.QueryPostgres(
        "WITH sales AS (SELECT f.OutcomeDocID AS Doc, array_agg(DISTINCT f.OutcomeGoodCode) AS Goods "
        "FROM THGoodSpecFixLog f WHERE f.OutcomeDocTypeCode = 'PRSF' GROUP BY 1) "
        "SELECT a.Doc, b.Doc FROM sales a JOIN sales b ON b.Doc > a.Doc AND NOT (a.Goods && b.Goods) "
        "ORDER BY 1, 2 LIMIT 1");
    ASSERT_EQ(rows.rows.size(), 1u);
    const auto saleA = rows.rows[0].at(0).ToInteger(), saleB = rows.rows[0].at(1).ToInteger();
    const std::string dateOf = "SELECT min(OutcomeDate)::text FROM THGoodSpecFixLog WHERE OutcomeDocID = $1";
    const std::string beforeA = first.QueryPostgres(dateOf, {Value(saleA)}).rows.at(0).at(0).ToText();

    Talvex::Data::Transaction one(first);
    first.QueryPostgres("UPDATE THDocument SET DocumentDate = DocumentDate + 5 WHERE IDC = $1", {Value(saleA)});
    {
        Talvex::Data::Transaction two(second);
        // A wait would end in this error; the write of the other sale goes through at once.
        second.QueryPostgres("SET LOCAL lock_timeout = '10min'");
        second.QueryPostgres(
            "UPDATE THDocument SET DocumentDate = DocumentDate + 3, CurrencyCode = 'PLN' WHERE IDC = $1",
            {Value(saleB)});
        EXPECT_EQ(KeptDifferences(second), "");
        // The first session's write is its own until it commits.
        EXPECT_EQ(second.QueryPostgres(dateOf, {Value(saleA)}).rows.at(0).at(0).ToText(), beforeA);
    }
    EXPECT_EQ(KeptDifferences(first), "");
}
