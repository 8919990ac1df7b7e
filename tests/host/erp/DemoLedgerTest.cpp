#include "ErpTestQueries.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

using Talvex::Testing::QueryCount;
using Talvex::Testing::QueryText;

// The ledger, stock, price and reference sources the module reads, with the columns it names.
const std::vector<Talvex::Testing::SourceColumns> kLedgerSources = {
    {"GLAccSet", {"Code", "Name", "IsBudget"}},
    {"GLAccount", {"Code", "Name", "AccSetCode", "IsGroup", "Parent"}},
    {"GLAccountParent", {"AccSetCode", "Parent", "Code", "Level"}},
    {"GLAccountT('1', '2')", {"Code", "IsGroup", "Level"}},
    {"GLAccountAnalytTypeT('1', '27')", {"Code", "Name"}},
    {"GLAccountPost",
     {"IDC", "AccSetCode", "DebetAccCode", "CreditAccCode", "SumAcc", "DatePost", "DocId", "IsPosted"}},
    {"GLAnalytPost", {"AccPostID", "AnalytObjectCode", "IsDebet", "AnalytTypeCode"}},
    {"GLAnalytType", {"Code", "Name"}},
    {"GLAnalytStatement('2025-01-01', '2025-12-31')", {"AccSetCode", "Code", "AnalytObjectCode", "OutcomeSaldo"}},
    {"GLAnalytStatementD('2025-01-01', '2025-12-31', '1', '271', 'CF')",
     {"AccSetCode", "Code", "AnalytTypeCode", "AnalytObjectCode", "IncomeSaldo", "OutcomeSaldo"}},
    {"GLAccountStatementD('2025-01-01', '2025-12-31', '1')",
     {"Code", "AccSetCode", "DTurn", "CTurn", "OutcomeSaldo", "IncomeDSaldo", "IncomeCSaldo", "OutcomeDSaldo",
      "OutcomeCSaldo", "IncomeSaldo"}},
    {"GLBalanceStatementD('2025-01-01', '2025-12-31', '1')", {"Code", "OutcomeDBalance", "OutcomeCBalance"}},
    {"GLIndicatorAnalytD('2025-01-01', '2025-12-31')", {"Code", "IndicatorCode", "AnalytObjectCode", "Summa"}},
    {"GLContLimitBalance('2025-12-31')", {"AnalytObjectCode", "IndicatorCode", "Summa"}},
    {"GLContLimitSpec", {"AnalytObjectCode", "Code", "Limit"}},
    {"GLContAnalytDoc", {"DocID", "AnalytTypeCode", "AnalytObjectCode"}},
    {"STOrderSpec", {"srcDocSpecID", "StoreID", "Amount"}},
    {"STStore", {"IDC", "Code"}},
    {"AdminObjectAttrib", {"ObjectCode", "ObjectID", "AttribCode", "AttribValue"}},
    {"AdminUserSetting", {"UserName", "ReportKey", "SettingName", "SettingValue"}},
    {"REFClientAddress", {"ClientCode", "AddressTypeCode", "AddressID"}},
    {"REFAddress", {"IDC", "CountryCode", "TownCode", "DistrictCode"}},
    {"REFTerritory", {"Code", "Name", "Parent"}},
    {"REFGenericClient", {"ClientCode", "Code", "Name"}},
    {"REFGoodCategory", {"Code", "Name"}},
    {"REFUnit", {"Code", "Name"}},
    {"REFPriceListFolder", {"Code", "Name", "Parent"}},
    {"REFPriceType", {"Code", "Name", "RoundToSign"}},
    {"REFGoodPrice", {"IDC", "PriceTypeCode", "CurrencyCode", "GoodCode", "UnitCode", "DateApply", "Price"}},
    {"REFPriceList", {"Code", "PriceTypeCode"}},
    {"REFPriceListSpec", {"PriceListCode", "GoodCode", "UnitCode", "FolderCode"}},
    {"REFDates", {"CalDate", "Year", "Month", "WeekDay"}},
    {"REFLValAssets", {"Code", "Name"}},
    {"REFFixAssetsObjects", {"Code", "Name"}},
    {"REFCompetitor", {"Code", "Name", "TerritoryCode"}},
    {"REFCompPriceType", {"Code", "CompetitorCode", "PriceTypeCode"}},
    {"REFCompGood", {"CompetitorCode", "Code", "Name", "GoodCode", "IsAnalogue"}},
    {"REFCompPrice", {"CompetitorCode", "CompGoodCode", "CompPriceTypeCode", "DateApply", "Price"}},
};

// A small chart "T" with hand-worked balances for 1-28 February 2025:
//   T1 (group) holds T10 (kept by client) and T11; T2 stands alone.
//   10 Jan  T10 / T2   100  client A   before the period
//    1 Feb  T10 / T2    50  client B   on DateFrom: turnover
//   10 Feb  T10 / T2   777  client A   not posted: never counts
//   15 Feb  T2  / T10   30  client A
//   28 Feb  T11 / T10   20  client B   on DateTo: turnover
//    1 Mar  T10 / T2   999  client A   after DateTo
constexpr const char* kFixture = R"sql(
INSERT INTO GLAccSet (Code, Name) VALUES ('T', 'Test');
INSERT INTO GLAnalytType (Code, Name) VALUES ('TC', 'Test clients');
INSERT INTO GLAccount (AccSetCode, Code, Name, Parent, IsGroup) VALUES
    ('T', 'T1', 'Group', NULL, 1), ('T', 'T10', 'Kept by client', 'T1', 0), ('T', 'T11', 'Plain', 'T1', 0),
    ('T', 'T2', 'Other', NULL, 0);
INSERT INTO GLAccountAnalytType (AccSetCode, AccCode, AnalytTypeCode) VALUES ('T', 'T10', 'TC');
INSERT INTO GLIndicator (Code, Name, AccSetCode, AccCode, AnalytTypeCode) VALUES ('TIND', 'Test', 'T', 'T1', 'TC');
CREATE TEMP TABLE FixturePost (N INTEGER, Debet VARCHAR, Credit VARCHAR, SumAcc NUMERIC, DatePost DATE,
                               IsPosted SMALLINT, Client VARCHAR, ClientIsDebet SMALLINT) ON COMMIT DROP;
INSERT INTO FixturePost VALUES
    (1, 'T10', 'T2', 100, '2025-01-10', 1, 'A', 1),
    (2, 'T10', 'T2', 50, '2025-02-01', 1, 'B', 1),
    (3, 'T10', 'T2', 777, '2025-02-10', 0, 'A', 1),
    (4, 'T2', 'T10', 30, '2025-02-15', 1, 'A', 0),
    (5, 'T11', 'T10', 20, '2025-02-28', 1, 'B', 0),
    (6, 'T10', 'T2', 999, '2025-03-01', 1, 'A', 1);
WITH Posted AS (
    INSERT INTO GLAccountPost (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, IsPosted, Comment)
    SELECT 'T', Debet, Credit, SumAcc, DatePost, IsPosted, N::TEXT FROM FixturePost ORDER BY N
    RETURNING IDC, Comment
)
INSERT INTO GLAnalytPost (AccPostID, IsDebet, AnalytTypeCode, AnalytObjectCode)
SELECT p.IDC, f.ClientIsDebet, 'TC', f.Client FROM Posted p JOIN FixturePost f ON f.N::TEXT = p.Comment;
)sql";

// The statement row of an account as "Income DTurn CTurn Outcome OutcomeD OutcomeC".
std::string AccountRow(Talvex::Data::Connection& db, const std::string& code)
{
    return QueryText(db,
                     "SELECT concat_ws(' ', IncomeSaldo::NUMERIC(19,2), DTurn::NUMERIC(19,2), CTurn::NUMERIC(19,2), "
                     "OutcomeSaldo::NUMERIC(19,2), OutcomeDSaldo::NUMERIC(19,2), OutcomeCSaldo::NUMERIC(19,2)) "
                     "FROM GLAccountStatementD('2025-02-01', '2025-02-28', 'T') WHERE Code = '" +
                         code + "'");
}

std::string ClientRow(Talvex::Data::Connection& db, const std::string& account, const std::string& client)
{
    return QueryText(db,
                     "SELECT concat_ws(' ', IncomeSaldo::NUMERIC(19,2), DTurn::NUMERIC(19,2), CTurn::NUMERIC(19,2), "
                     "OutcomeSaldo::NUMERIC(19,2)) FROM GLAnalytStatementD('2025-02-01', '2025-02-28', 'T', '" +
                         account + "', 'TC') WHERE AnalytObjectCode = '" + client + "'");
}

} // namespace

TEST(DemoLedger, EveryLedgerTableAndSourceHasTheColumnsTheModuleNames)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    Talvex::Testing::ExpectSourcesHaveColumns(db, kLedgerSources);
}

TEST(DemoLedger, StatementsOfAHandWorkedChartCountPeriodBoundsPostedFlagAndGroups)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    Talvex::Data::Transaction tx(db);
    db.ExecutePostgresScript(kFixture);

    // Income DTurn CTurn Outcome OutcomeD OutcomeC
    EXPECT_EQ(AccountRow(db, "T10"), "100.00 50.00 50.00 100.00 100.00 0.00");
    EXPECT_EQ(AccountRow(db, "T11"), "0.00 20.00 0.00 20.00 20.00 0.00");
    EXPECT_EQ(AccountRow(db, "T1"), "100.00 70.00 50.00 120.00 120.00 0.00");
    EXPECT_EQ(AccountRow(db, "T2"), "-100.00 30.00 50.00 -120.00 0.00 120.00");
    EXPECT_EQ(QueryText(db, "SELECT concat_ws(' ', OutcomeDBalance::NUMERIC(19,2), OutcomeCBalance::NUMERIC(19,2)) "
                            "FROM GLBalanceStatementD('2025-02-01', '2025-02-28', 'T') WHERE Code = 'T2'"),
              "0.00 120.00");
    // Without the set as a parameter, filtering the set's column gives the same rows.
    const std::string rows = "SELECT string_agg(Code || '=' || OutcomeSaldo::NUMERIC(19,2), ' ' ORDER BY Code) FROM ";
    EXPECT_EQ(QueryText(db, rows + "GLAccountStatementD('2025-02-01', '2025-02-28') WHERE AccSetCode = 'T'"),
              "T1=120.00 T10=100.00 T11=20.00 T2=-120.00");
    EXPECT_EQ(QueryText(db, rows + "GLAccountStatementD('2025-02-01', '2025-02-28', 'T')"),
              "T1=120.00 T10=100.00 T11=20.00 T2=-120.00");

    // By client, on the account and on its group: the side of each object follows IsDebet.
    EXPECT_EQ(ClientRow(db, "T10", "A"), "100.00 0.00 30.00 70.00");
    EXPECT_EQ(ClientRow(db, "T10", "B"), "0.00 50.00 20.00 30.00");
    EXPECT_EQ(ClientRow(db, "T1", "A"), "100.00 0.00 30.00 70.00");
    EXPECT_EQ(QueryText(db,
                        "SELECT OutcomeSaldo::NUMERIC(19,2)::TEXT FROM GLAnalytStatement('2025-02-01', '2025-02-28') "
                        "WHERE AccSetCode = 'T' AND Code = 'T10' AND AnalytObjectCode = 'B'"),
              "30.00");
    EXPECT_EQ(
        QueryText(db,
                  "SELECT string_agg(AnalytObjectCode || '=' || Summa::NUMERIC(19,2), ' ' ORDER BY AnalytObjectCode) "
                  "FROM GLIndicatorAnalytD('2025-02-01', '2025-02-28') WHERE Code = 'TIND'"),
        "A=70.00 B=30.00");
    EXPECT_EQ(QueryText(db, "SELECT Summa::NUMERIC(19,2)::TEXT FROM GLContLimitBalance('2025-03-01') "
                            "WHERE IndicatorCode = 'TIND' AND AnalytObjectCode = 'A'"),
              "1069.00");

    // The tree: exactly the node and what lies under it, depth counted from the node.
    EXPECT_EQ(QueryText(db, "SELECT string_agg(Code || ':' || IsGroup || ':' || Level, ' ' ORDER BY Code) "
                            "FROM GLAccountT('T', 'T1')"),
              "T1:1:0 T10:0:1 T11:0:1");
    EXPECT_EQ(QueryText(db, "SELECT string_agg(Code, ' ' ORDER BY Code) FROM GLAccountT('T', '')"), "T1 T10 T11 T2");
    EXPECT_EQ(QueryText(db, "SELECT string_agg(Code, ' ') FROM GLAccountAnalytTypeT('T', 'T1')"), "TC");
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLAccountAnalytTypeT('T', 'T11')"), 0);

    // Moving an account out of its group moves its sums with it.
    db.ExecutePostgresScript("UPDATE GLAccount SET Parent = NULL WHERE AccSetCode = 'T' AND Code = 'T11'");
    EXPECT_EQ(QueryText(db, "SELECT string_agg(Code, ' ' ORDER BY Code) FROM GLAccountT('T', 'T1')"), "T1 T10");
    EXPECT_EQ(AccountRow(db, "T1"), "100.00 50.00 50.00 100.00 100.00 0.00");
}

TEST(DemoLedger, SettingAClientLimitTwiceWritesItOnce)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    Talvex::Data::Transaction tx(db);
    const std::string client = QueryText(db, "SELECT min(Code) FROM REFClient WHERE IsGroup = 0");
    ASSERT_FALSE(client.empty());
    db.QueryPostgres("SELECT GLSetClientLimit($1, 2500)", {Talvex::Value(client)});
    db.QueryPostgres("SELECT GLSetClientLimit($1, 2500)", {Talvex::Value(client)});
    EXPECT_EQ(QueryText(db, "SELECT count(*) || ':' || max(\"limit\")::NUMERIC(19,2) FROM GLContLimitSpec "
                            "WHERE Code = 'DEBT' AND AnalytObjectCode = '" +
                                client + "'"),
              "1:2500.00");
    db.QueryPostgres("SELECT GLSetClientLimit($1, 3000)", {Talvex::Value(client)});
    EXPECT_EQ(QueryText(db, "SELECT max(\"limit\")::NUMERIC(19,2) || ':' || max(c.DefaultLimit)::NUMERIC(19,2) "
                            "FROM GLContLimitSpec l JOIN REFClient c ON c.Code = l.AnalytObjectCode "
                            "WHERE l.Code = 'DEBT' AND l.AnalytObjectCode = '" +
                                client + "'"),
              "3000.00:3000.00");
}

TEST(DemoLedger, PostingsComeOnlyFromPostedDocumentsOfThePeriodOnTheirDate)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    ASSERT_GT(QueryCount(db, "SELECT count(*) FROM GLAccountPost WHERE DocId IS NOT NULL"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLAccountPost p LEFT JOIN THDocument d ON d.IDC = p.DocId "
                             "WHERE p.DocId IS NOT NULL AND (d.IDC IS NULL OR d.IsPosted <> 1 "
                             "OR p.DatePost <> d.DocumentDate)"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLAccountPost "
                             "WHERE DatePost NOT BETWEEN '2025-01-01' AND '2026-12-31' OR SumAcc <= 0"),
              0);
    // Every posted sale, purchase and payment with a sum gets postings.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THDocument d WHERE d.IsPosted = 1 AND d.Summa <> 0 "
                             "AND d.DocTypeCode IN ('PRSF', 'PISF', 'KOP', 'MPP', 'MP', 'KOI') "
                             "AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31' "
                             "AND NOT EXISTS (SELECT 1 FROM GLAccountPost p WHERE p.DocId = d.IDC)"),
              0);
    // Postings without a document are the opening balances and month-end entries.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLAccountPost WHERE DocId IS NULL AND AccSetCode = '1' "
                             "AND DatePost <> '2025-01-01' AND DatePost <> (date_trunc('month', DatePost) "
                             "+ interval '1 month' - interval '1 day')::DATE"),
              0);
}

TEST(DemoLedger, DocumentsReachTheLedgerWithTheirWholeSumInTheAccountingCurrency)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    // The rate of a document: the latest rate of its currency's default type on or before its
    // date; the accounting currency itself has rate 1.
    const std::string docTotal = R"sql(
        WITH Doc AS (
            SELECT d.IDC, d.DocTypeCode,
                   round(d.Summa * COALESCE((SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency c
                                               ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                                             WHERE r.CurrencyCode = d.CurrencyCode AND r.DateApply <= d.DocumentDate
                                               AND d.CurrencyCode <> 'EUR'
                                             ORDER BY r.DateApply DESC LIMIT 1), 1), 2) AS Total
            FROM THDocument d
            WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'
        ), Booked AS (
            SELECT p.DocId,
                   sum(CASE WHEN p.DebetAccCode = '240' THEN p.SumAcc ELSE 0 END) AS DebtorsDebit,
                   sum(CASE WHEN p.CreditAccCode = '240' THEN p.SumAcc ELSE 0 END) AS DebtorsCredit,
                   sum(CASE WHEN p.DebetAccCode IN ('271', '272') THEN p.SumAcc ELSE 0 END) AS CashDebit,
                   sum(CASE WHEN p.CreditAccCode IN ('271', '272') THEN p.SumAcc ELSE 0 END) AS CashCredit,
                   sum(CASE WHEN p.CreditAccCode IN ('443', '4501', '4502') THEN p.SumAcc ELSE 0 END) AS VendorCredit
            FROM GLAccountPost p WHERE p.DocId IS NOT NULL GROUP BY p.DocId
        )
        SELECT count(*) FROM Doc JOIN Booked b ON b.DocId = Doc.IDC WHERE )sql";
    // A sale puts its whole sum on the buyer's debt, a purchase on the vendor's account; money
    // received and paid moves its whole sum through the bank or the cash desk.
    EXPECT_EQ(QueryCount(db, docTotal + "Doc.DocTypeCode = 'PRSF' AND b.DebtorsDebit - b.DebtorsCredit <> Doc.Total"),
              0);
    EXPECT_EQ(QueryCount(db, docTotal + "Doc.DocTypeCode = 'PISF' AND b.VendorCredit <> Doc.Total"), 0);
    EXPECT_EQ(QueryCount(db, docTotal + "Doc.DocTypeCode IN ('KOP', 'KVT', 'MPP', 'MPPT') "
                                        "AND (b.CashDebit <> Doc.Total OR b.DebtorsCredit <> Doc.Total)"),
              0);
    EXPECT_EQ(QueryCount(db, docTotal + "Doc.DocTypeCode IN ('KOI', 'MP', 'MPT') AND b.CashCredit <> Doc.Total"), 0);
    EXPECT_GT(QueryCount(db, docTotal + "Doc.DocTypeCode = 'PRSF'"), 0);

    // Each side of a posting on an account kept by an analytic carries one object of that type,
    // and no analytic sits on a side whose account is not kept by it.
    const std::string sides = R"sql(
        WITH Side AS (
            SELECT p.IDC, p.AccSetCode, s.AccCode, s.IsDebet
            FROM GLAccountPost p
            CROSS JOIN LATERAL (VALUES (p.DebetAccCode, 1), (p.CreditAccCode, 0)) AS s (AccCode, IsDebet)
        ) )sql";
    EXPECT_EQ(QueryCount(db, sides + "SELECT count(*) FROM GLAnalytPost a JOIN Side s ON s.IDC = a.AccPostID "
                                     "AND s.IsDebet = a.IsDebet WHERE NOT EXISTS (SELECT 1 FROM GLAccountAnalytType t "
                                     "WHERE t.AccSetCode = s.AccSetCode AND t.AccCode = s.AccCode "
                                     "AND t.AnalytTypeCode = a.AnalytTypeCode)"),
              0);
    EXPECT_EQ(
        QueryCount(db, sides + "SELECT count(*) FROM Side s JOIN GLAccountAnalytType t ON t.AccSetCode = s.AccSetCode "
                               "AND t.AccCode = s.AccCode AND t.AnalytTypeCode = 'CL' "
                               "WHERE (SELECT count(*) FROM GLAnalytPost a WHERE a.AccPostID = s.IDC "
                               "AND a.IsDebet = s.IsDebet AND a.AnalytTypeCode = 'CL') <> 1"),
        0);
}

TEST(DemoLedger, ClientBalanceOnDebtorsEqualsTheSumOfItsPostings)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    for (const char* date : {"2025-06-30", "2026-12-31"}) {
        // The balance of each client on 240 up to the date, summed straight from the postings.
        const std::string direct = std::string(R"sql(
            SELECT a.AnalytObjectCode AS Client,
                   sum(CASE WHEN a.IsDebet = 1 THEN p.SumAcc ELSE -p.SumAcc END) AS Balance
            FROM GLAccountPost p
            JOIN GLAnalytPost a ON a.AccPostID = p.IDC AND a.AnalytTypeCode = 'CL'
            WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost <= ')sql") +
                                   date + R"sql('
              AND ((a.IsDebet = 1 AND p.DebetAccCode = '240') OR (a.IsDebet = 0 AND p.CreditAccCode = '240'))
            GROUP BY a.AnalytObjectCode)sql";
        const std::string statement = std::string("SELECT AnalytObjectCode, OutcomeSaldo FROM GLAnalytStatement('") +
                                      date + "', '" + date + "') WHERE AccSetCode = '1' AND Code = '240'";
        SCOPED_TRACE(date);
        EXPECT_GT(QueryCount(db, "SELECT count(*) FROM (" + direct + ") d"), 0);
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM ((" + direct + ") EXCEPT (" + statement + ")) x"), 0);
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM ((" + statement + ") EXCEPT (" + direct + ")) x"), 0);
        // The group 24 holds the same client balances (244 is not kept by client).
        EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM ((" + statement +
                                     ") EXCEPT (SELECT AnalytObjectCode, "
                                     "OutcomeSaldo FROM GLAnalytStatementD('2025-01-01', '" +
                                     date + "', '1', '24', 'CL'))) x"),
                  0);
    }
    // Balances differ from client to client: some owe, some have paid in advance or in full.
    EXPECT_GT(QueryCount(db, "SELECT count(DISTINCT sign(OutcomeSaldo)) FROM GLAnalytStatement('2026-12-31', "
                             "'2026-12-31') WHERE Code = '240'"),
              1);
}

TEST(DemoLedger, AccountStatementAddsUpAndEveryGroupIsTheSumOfItsChildren)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    const std::string statement = "GLAccountStatementD('2025-04-01', '2025-09-30', '1')";
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM " + statement),
              QueryCount(db, "SELECT count(*) FROM GLAccount WHERE AccSetCode = '1'"));
    EXPECT_EQ(
        QueryCount(
            db, "SELECT count(*) FROM " + statement +
                    " WHERE IncomeSaldo + DTurn - CTurn <> OutcomeSaldo "
                    "OR IncomeDSaldo - IncomeCSaldo <> IncomeSaldo OR OutcomeDSaldo - OutcomeCSaldo <> OutcomeSaldo"),
        0);
    // Each group against the sum of its direct children.
    EXPECT_EQ(
        QueryCount(db, "WITH s AS MATERIALIZED (SELECT s.*, a.Parent FROM " + statement +
                           " s JOIN GLAccount a ON a.AccSetCode = s.AccSetCode AND a.Code = s.Code) "
                           "SELECT count(*) FROM s g JOIN (SELECT Parent, sum(IncomeSaldo) AS I, sum(DTurn) AS D, "
                           "sum(CTurn) AS C, sum(OutcomeDSaldo) AS OD, sum(OutcomeCSaldo) AS OC FROM s "
                           "GROUP BY Parent) k ON k.Parent = g.Code "
                           "WHERE (g.IncomeSaldo, g.DTurn, g.CTurn, g.OutcomeDSaldo, g.OutcomeCSaldo) "
                           "IS DISTINCT FROM (k.I, k.D, k.C, k.OD, k.OC)"),
        0);
    EXPECT_EQ(QueryCount(db,
                         "SELECT count(*) FROM GLAccount g WHERE g.AccSetCode = '1' AND g.IsGroup = 1 "
                         "AND NOT EXISTS (SELECT 1 FROM GLAccount c WHERE c.AccSetCode = '1' AND c.Parent = g.Code)"),
              0);
    // A posting account's turnover straight from the postings.
    for (const char* account : {"240", "271", "500", "600"}) {
        SCOPED_TRACE(account);
        EXPECT_EQ(QueryText(db, std::string("SELECT DTurn || '/' || CTurn FROM ") + statement + " WHERE Code = '" +
                                    account + "'"),
                  QueryText(db, std::string("SELECT COALESCE(sum(SumAcc) FILTER (WHERE DebetAccCode = '") + account +
                                    "'), 0) || '/' || COALESCE(sum(SumAcc) FILTER (WHERE CreditAccCode = '" + account +
                                    "'), 0) FROM GLAccountPost WHERE AccSetCode = '1' AND IsPosted = 1 "
                                    "AND DatePost BETWEEN '2025-04-01' AND '2025-09-30'"));
    }
    // The books balance: the closing balances of all classes add up to nothing.
    EXPECT_EQ(QueryText(db, "SELECT sum(OutcomeSaldo)::NUMERIC(19,2)::TEXT FROM " + statement + " WHERE Level = 1"),
              "0.00");
    EXPECT_NE(QueryText(db, "SELECT OutcomeSaldo::NUMERIC(19,2)::TEXT FROM " + statement + " WHERE Code = '5'"),
              "0.00");
}

TEST(DemoLedger, AccountTreeIsExactlyTheSubtreeOfTheNode)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    for (const char* node : {"4", "45", "27", "240"}) {
        SCOPED_TRACE(node);
        const std::string expected = std::string(R"sql(
            WITH RECURSIVE Sub (Code) AS (
                SELECT Code FROM GLAccount WHERE AccSetCode = '1' AND Code = ')sql") +
                                     node + R"sql('
                UNION ALL
                SELECT a.Code FROM GLAccount a JOIN Sub ON a.Parent = Sub.Code WHERE a.AccSetCode = '1'
            ) SELECT string_agg(Code, ' ' ORDER BY Code) FROM Sub)sql";
        EXPECT_EQ(QueryText(db, std::string("SELECT string_agg(Code, ' ' ORDER BY Code) FROM GLAccountT('1', '") +
                                    node + "')"),
                  QueryText(db, expected));
    }
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLAccountT('1', '')"),
              QueryCount(db, "SELECT count(*) FROM GLAccount WHERE AccSetCode = '1'"));
    EXPECT_EQ(
        QueryCount(db, "SELECT count(*) FROM GLAccountT('1', '450') WHERE Code = '4501' AND Level = 1 AND IsGroup = 0"),
        1);
}

TEST(DemoLedger, StoreOrdersSignersFlowKindsAndLimitsPointAtRealRows)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    // Store orders of a goods row add up to the row's quantity, from different stores.
    ASSERT_GT(QueryCount(db, "SELECT count(*) FROM STOrderSpec"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM (SELECT gs.IDC FROM STOrderSpec os "
                             "JOIN THGoodSpec gs ON gs.IDC = os.srcDocSpecID JOIN STStore st ON st.IDC = os.StoreID "
                             "GROUP BY gs.IDC, gs.Amount HAVING sum(os.Amount) <> gs.Amount "
                             "OR count(DISTINCT os.StoreID) <> count(*)) x"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM (SELECT srcDocSpecID FROM STOrderSpec GROUP BY srcDocSpecID "
                             "HAVING count(*) > 1) x"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM STOrderSpec os JOIN THGoodSpec gs ON gs.IDC = os.srcDocSpecID "
                             "JOIN THDocument d ON d.IDC = gs.DocID WHERE d.DocTypeCode <> 'PRSF'"),
              0);

    // Signers are found the way the debt lists look for them, and are persons.
    ASSERT_GT(QueryCount(db, "SELECT count(*) FROM AdminObjectAttrib WHERE AttribCode = 'SignPerson'"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM AdminObjectAttrib oa LEFT JOIN THDocument d ON d.IDC = oa.ObjectID "
                             "AND REPLACE(oa.ObjectCode, '$', '') = 'THDocument' || d.DocTypeCode "
                             "LEFT JOIN REFPerson p ON p.Code = oa.AttribValue "
                             "WHERE oa.AttribCode = 'SignPerson' AND (d.IDC IS NULL OR p.Code IS NULL)"),
              0);

    // Cash-flow kinds are payment types, and a payment's cash side carries its document's kind.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLContAnalytDoc f LEFT JOIN REFPaymentType t "
                             "ON t.Code = f.AnalytObjectCode LEFT JOIN THDocument d ON d.IDC = f.DocID "
                             "WHERE t.Code IS NULL OR d.IDC IS NULL"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLAccountPost p JOIN GLContAnalytDoc f ON f.DocID = p.DocId "
                             "AND f.AnalytTypeCode = 'CF' WHERE p.DebetAccCode IN ('271', '272') "
                             "AND NOT EXISTS (SELECT 1 FROM GLAnalytPost a WHERE a.AccPostID = p.IDC AND a.IsDebet = 1 "
                             "AND a.AnalytTypeCode = 'CF' AND a.AnalytObjectCode = f.AnalytObjectCode)"),
              0);

    // Limits are set on clients; some are exceeded at the end of the period and some are not.
    EXPECT_EQ(QueryCount(db,
                         "SELECT count(*) FROM GLContLimitSpec l LEFT JOIN REFClient c ON c.Code = l.AnalytObjectCode "
                         "WHERE c.Code IS NULL"),
              0);
    const std::string overLimit = "SELECT count(*) FROM GLContLimitBalance('2026-12-31') b JOIN GLContLimitSpec l "
                                  "ON l.AnalytObjectCode = b.AnalytObjectCode AND l.Code = b.IndicatorCode WHERE ";
    EXPECT_GT(QueryCount(db, overLimit + "b.Summa > l.\"limit\""), 0);
    EXPECT_GT(QueryCount(db, overLimit + "b.Summa <= l.\"limit\""), 0);
}

TEST(DemoLedger, ReferencesCoverWhatDocumentsAndReportsName)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    // The calendar has every day from 2020 to 2030, none twice.
    EXPECT_EQ(QueryCount(db, "SELECT count(DISTINCT CalDate) FROM REFDates "
                             "WHERE CalDate BETWEEN '2020-01-01' AND '2030-12-31'"),
              QueryCount(db, "SELECT DATE '2030-12-31' - DATE '2020-01-01' + 1"));
    EXPECT_EQ(QueryText(db, "SELECT WeekDay || ':' || IsWorkDay FROM REFDates WHERE CalDate = '2025-12-25'"), "4:0");

    // Every client has one legal address, whose town lies in its region and its country.
    EXPECT_EQ(QueryCount(db,
                         "SELECT count(*) FROM REFClient c WHERE c.IsGroup = 0 AND (SELECT count(*) "
                         "FROM REFClientAddress ca WHERE ca.ClientCode = c.Code AND ca.AddressTypeCode = 'JA') <> 1"),
              0);
    EXPECT_EQ(
        QueryCount(db, "SELECT count(*) FROM REFClientAddress ca JOIN REFAddress a ON a.IDC = ca.AddressID "
                       "LEFT JOIN REFTerritory t ON t.Code = a.TownCode LEFT JOIN REFTerritory r ON r.Code = t.Parent "
                       "WHERE r.Code IS DISTINCT FROM a.DistrictCode OR r.Parent IS DISTINCT FROM a.CountryCode"),
        0);

    // Units and price types the documents name have their cards.
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM THGoodSpec gs LEFT JOIN REFUnit u ON u.Code = gs.UnitCode "
                             "WHERE u.Code IS NULL"),
              0);
    EXPECT_EQ(QueryCount(db,
                         "SELECT count(*) FROM THDocumentPRSF x LEFT JOIN REFPriceType t ON t.Code = x.PriceTypeCode "
                         "WHERE x.PriceTypeCode IS NOT NULL AND t.Code IS NULL"),
              0);

    // Every good of the retail list has a retail price from the first day; prices keep the
    // decimals of their type; some goods have several prices over time.
    ASSERT_GT(QueryCount(db, "SELECT count(*) FROM REFPriceListSpec WHERE PriceListCode = 'MAZ'"), 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFPriceListSpec s WHERE s.PriceListCode = 'MAZ' AND NOT EXISTS "
                             "(SELECT 1 FROM REFGoodPrice p WHERE p.PriceTypeCode = 'BAZ' AND p.GoodCode = s.GoodCode "
                             "AND p.UnitCode = s.UnitCode AND p.DateApply = '2025-01-01')"),
              0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM REFGoodPrice p JOIN REFPriceType t ON t.Code = p.PriceTypeCode "
                             "WHERE p.Price <> round(p.Price, t.RoundToSign) OR p.Price <= 0"),
              0);
    EXPECT_GT(QueryCount(db, "SELECT count(*) FROM (SELECT GoodCode FROM REFGoodPrice WHERE PriceTypeCode = 'BAZ' "
                             "GROUP BY GoodCode HAVING count(*) > 1) x"),
              0);
    EXPECT_EQ(
        QueryCount(db,
                   "SELECT count(*) FROM REFCompPrice cp JOIN REFCompGood cg ON cg.CompetitorCode = cp.CompetitorCode "
                   "AND cg.Code = cp.CompGoodCode LEFT JOIN REFGood g ON g.Code = cg.GoodCode WHERE g.Code IS NULL"),
        0);
    EXPECT_EQ(
        QueryCount(
            db,
            "SELECT count(*) FROM THGoodSpecITNS x LEFT JOIN REFLValAssets a ON a.Code = x.AssetsCode "
            "LEFT JOIN REFFixAssetsObjects o ON o.Code = x.FAObjectCode "
            "WHERE (x.AssetsCode IS NOT NULL AND a.Code IS NULL) OR (x.FAObjectCode IS NOT NULL AND o.Code IS NULL)"),
        0);
}

TEST(DemoLedger, BookAccountSetIsARealSetHoldingTheBankAndCashAccountsWithPostings)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    const std::string set = QueryText(db, "SELECT SettingValue FROM BookSetting WHERE SettingName = 'AccSetCode'");
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLAccSet WHERE Code = '" + set + "' AND IsBudget = 0"), 1) << set;
    // The bank and cash accounts the financial state is set up with are postable accounts of
    // that set, and money moved through them.
    const auto configured = QueryCount(db, "SELECT count(*) FROM AdminUserSetting WHERE ReportKey = 'frmFinState' "
                                           "AND SettingName IN ('BankAccount', 'CashAccount')");
    EXPECT_GT(configured, 0);
    EXPECT_EQ(QueryCount(db, "SELECT count(*) FROM GLAccount a JOIN AdminUserSetting u ON u.SettingValue = a.Code "
                             "WHERE u.ReportKey = 'frmFinState' AND u.SettingName IN ('BankAccount', 'CashAccount') "
                             "AND a.IsGroup = 0 AND a.AccSetCode = '" +
                                 set + "'"),
              configured);
    for (const char* account : {"271", "272"})
        EXPECT_GT(QueryCount(db, "SELECT count(*) FROM GLAccountPost WHERE AccSetCode = '" + set +
                                     "' AND (DebetAccCode = '" + std::string(account) + "' OR CreditAccCode = '" +
                                     std::string(account) + "')"),
                  0)
            << account;
}
