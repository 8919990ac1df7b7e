#include "host/data/tsql/TSql.hpp"
#include "host/data/tsql/parser/Parser.hpp"
#include "host/data/tsql/writer/TSqlWriter.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

namespace Talvex::Data::TSql {
namespace {

// Statements as the module and the host builders write them: party joins with CASE in ON,
// correlated sub-queries, unions under "Main", bracketed column names, N'' literals, date
// styles, updates and deletes through joins.
const char* const kCorpus[] = {
    // 1
    "SELECT oTable.IDC, oTable.DocTypeCode, oTable.DocumentDate, oTable.Number, oTable.Summa FROM THDocument oTable "
    "WHERE oTable.IsPosted = 1 AND oTable.DocumentDate BETWEEN '2014-01-01' AND '2014-01-31' "
    "ORDER BY oTable.DocumentDate DESC, oTable.IDC DESC",
    // 2: party join with a simple CASE in ON
    "SELECT oTable.IDC, Party.PartyCode AS Client FROM THDocument oTable INNER JOIN THPartyAttribute Party "
    "ON oTable.IDC = Party.DocId and Party.RolePartyCode = case oTable.DocTypeCode when 'PRSF' then 'PIR' "
    "when 'PISF' then 'TIE' when 'GPG' then 'PIR' end WHERE oTable.IsPosted = 1",
    // 3: rest of payment with a grouped CASE
    "SELECT oTable.IDC, (case when (oTable.Summa - Sum(IsNull(C.SummaCur,0))) < 0 then 0 else "
    "(oTable.Summa - Sum(IsNull(C.SummaCur,0))) end) AS RestPaySum FROM THDocument oTable "
    "LEFT OUTER JOIN THPaySpec C ON oTable.IDC = C.CorDocID GROUP BY oTable.IDC, oTable.Summa",
    // 4: correlated scalar sub-query in COALESCE
    "SELECT PayDocs.IDC, PayDocs.Summa - COALESCE((SELECT SUM(PaySpec.Summa) FROM THPaySpec PaySpec "
    "WHERE PaySpec.DocID = PayDocs.IDC),0) AS NotLinkSum FROM THDocument PayDocs WHERE PayDocs.DocTypeCode IN ('KVT', "
    "'KOP')",
    // 5
    "SELECT ISNULL((SELECT SUM(G.CostSumm) FROM THGoodSpec G WHERE G.DocID = oTable.IDC),0) AS CostSumm "
    "FROM THDocument oTable WHERE oTable.IDC = ?",
    // 6: text of a purchase row
    "SELECT D.DocTypeCode + ' ' + CONVERT(CHAR(10), D.DocumentDate, 102)+', '+D.Number + '/'+ "
    "CAST(gs.PosNumb as varchar(20)) +': '+ CAST(gs.AmountAccount as varchar(20)) + ' ' + gu.UnitCode AS Code, "
    "g.Code + ': ' + g.Name + ' [' + gu.UnitCode + ']' AS Good, ROUND(gs.CostSumm / gs.AmountAccount,4) AS CostPrice "
    "FROM THDocument D INNER JOIN THGoodSpec gs ON gs.DocID = D.IDC INNER JOIN REFGood g ON g.Code = gs.GoodCode "
    "LEFT OUTER JOIN REFGoodUnit gu ON gu.GoodCode = g.Code AND gu.IsAccount = 1",
    // 7: GL balance against debt with bracketed columns
    "SELECT Clients.Code, Clients.Name + ' (' + LTrim(Convert(char(20), GL.OutcomeSaldo - IsNull(Debt.AccNeedPaySum, "
    "0))) "
    "+ ')' AS ClientName, IsNull(Debt.[30-60NeedPaySum], 0) AS [30-60NeedPaySum], "
    "IsNull(Debt.[60-90NeedPaySum], 0) AS [60-90NeedPaySum] FROM REFClient Clients "
    "INNER JOIN (SELECT Code, SUM(Summa) AS OutcomeSaldo FROM GLBalance GROUP BY Code) GL ON GL.Code = Clients.Code "
    "LEFT JOIN (SELECT Client, SUM(AccNeedPaySum) AS AccNeedPaySum, SUM([30-60NeedPaySum]) AS [30-60NeedPaySum], "
    "SUM([60-90NeedPaySum]) AS [60-90NeedPaySum] FROM DebtByClient GROUP BY Client) Debt ON Debt.Client = Clients.Code",
    // 8: year-month text
    "SELECT CAST(YEAR(d.DocumentDate) AS VARCHAR) + '-' + RIGHT('0' + CAST(MONTH(d.DocumentDate) AS VARCHAR), 2) AS "
    "Period, "
    "SUM(d.Summa) AS Summa FROM THDocument d GROUP BY CAST(YEAR(d.DocumentDate) AS VARCHAR) + '-' + "
    "RIGHT('0' + CAST(MONTH(d.DocumentDate) AS VARCHAR), 2)",
    // 9: first day of the month
    "SELECT DATEADD(day,-DATEPART(day,oTable.DocumentDate) + 1,oTable.DocumentDate) AS DocumentDate, "
    "DATEADD( d, -DAY( oTable.DocumentDate ) + 1, oTable.DocumentDate ) AS MonthStart FROM THDocument oTable",
    // 10: payment day shifted off the weekend
    "SELECT DATEADD(day, (CASE DATEPART(dw,List.RecDate) WHEN 1 THEN 2 WHEN 2 THEN 1 WHEN 3 THEN 0 WHEN 4 THEN 2 "
    "WHEN 5 THEN 1 WHEN 6 THEN 0 WHEN 7 THEN 3 ELSE 0 END), List.RecDate) AS RecDate, "
    "UPPER(List.FlowKindCode) AS FlowKindCode, IsNull( List.PartyCode, '--' ) AS PartyCode "
    "FROM (SELECT d.NeedPayDate AS RecDate, d.CurrencyCode AS FlowKindCode, p.PartyCode FROM THDocument d "
    "LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = N'PIR') List",
    // 11: payment term dates
    "SELECT Doc.IDC, COALESCE(DATEADD( d, PTerm.PayTerm, Doc.DocumentDate),Doc.DocumentDate) AS NeedPayDate, "
    "DATEADD( d, ISNULL(PayT.PayTerm,0), Doc.DocumentDate) AS PayDate FROM THDocument Doc "
    "LEFT JOIN THDocumentPayTerm PTerm ON PTerm.DocID = Doc.IDC LEFT JOIN REFClient PayT ON PayT.Code = Doc.Department "
    "WHERE (NOT PayT.PayTerm IS NULL)",
    // 12: overdue bands
    "SELECT (CASE WHEN DATEDIFF(day,Doc.NeedPayDate,'2014-02-01') Between 0 AND 30 THEN 1 "
    "WHEN DATEDIFF(day,Doc.NeedPayDate,'2014-02-01') Between 31 AND 60 THEN 2 ELSE 3 END) AS DataPayType, "
    "DATEDIFF(day, Doc.NeedPayDate, '2014-02-01') AS DelayDays FROM THDocument Doc",
    // 13: date minus date against a number of days
    "SELECT DEBT.IDC, CASE WHEN '2014-02-01' - DEBT.DocumentDate < 30 THEN DEBT.Summa ELSE 0 END AS [0-30NeedPaySum], "
    "CASE WHEN DEBT.NeedPayDate < '2014-02-01' THEN DEBT.Summa ELSE 0 END AS Overdue FROM THDocument DEBT",
    // 14: client text with ISNULL
    "SELECT ISNULL((Clnt.Code + ': '+Clnt.Name), '<nenurodyta>') AS Client, Per.FirstName + ' ' + Per.LastName AS "
    "Person "
    "FROM REFClient Clnt LEFT JOIN REFPerson Per ON Per.Code = Clnt.Parent",
    // 15: group text
    "SELECT isnull( g.Parent,N'') + ':' + ISNULL(pg.Name,'') AS GroupT FROM REFGood g LEFT OUTER JOIN REFGood pg "
    "ON g.Parent = pg.Code",
    // 16: unit quantity
    "SELECT ISNULL( CASE WHEN u.IsAccount = 1 then oTable.AmountAccount else oTable.AmountAccount/NULLIF(u.Rate,0) end "
    ", "
    "oTable.AmountAccount) AS GoodAmount FROM THGoodSpec oTable INNER JOIN REFGoodUnit u ON u.GoodCode = "
    "oTable.GoodCode "
    "and u.IsCommon = 1",
    // 17: prorated sum
    "SELECT -1 * (COALESCE((gs.Summa/ NULLIF(gs.AmountAccount,0)),0) * oTable.AmountAccount) AS Summa, "
    "CASE  WHEN oTable.AmountAccount = 0 THEN 0  ELSE  (gs.CostSumm / gs.AmountAccount) * oTable.AmountAccount END AS "
    "Cost "
    "FROM THGoodSpec oTable INNER JOIN THGoodSpec gs ON gs.IDC = oTable.IDC",
    // 18: seller text
    "SELECT ISNULL(CASE WHEN Cl.IsSubsidiary = 1 THEN Cl.Code + ':' + Cl.Name   ELSE Prs.Code + ':' + "
    "ISNULL(Prs.LastName,'')  END,N'Nežinomas') AS Seller FROM THDocument oTable LEFT JOIN REFClient Cl "
    "ON Cl.Code = oTable.Department LEFT OUTER JOIN REFPerson Prs ON COALESCE(oTable.Author, oTable.ParentID) = "
    "Prs.UserID",
    // 19: department
    "SELECT CASE WHEN Cl.IsSubsidiary = 1 THEN N'Filialai'  ELSE UPPER(COALESCE(PPDoc.Department, Prnt.Department, "
    "oTable.Department, N'?')) END AS Department FROM THDocument oTable LEFT OUTER JOIN THDocument Prnt "
    "ON COALESCE( oTable.ConsCorDocId, oTable.CorDocId) = Prnt.IDC LEFT OUTER JOIN THDocument PPDoc ON PPDoc.IDC = 0 "
    "LEFT JOIN REFClient Cl ON Cl.Code = oTable.Department",
    // 20: department prefix
    "SELECT DDD.Code, SUM(S.Summa) AS Summa FROM SalesList S INNER JOIN REFDepartment DDD "
    "ON substring(S.Department,0,(charindex(':',S.Department))) = DDD.Code GROUP BY DDD.Code",
    // 21: ledger with OR in ON
    "SELECT Acct.Code, SUM(CASE WHEN GCat.Code = 0 THEN oTable.Summa ELSE -oTable.Summa END) AS Turn "
    "FROM GLAccountPost oTable CROSS JOIN REFDates GCat INNER JOIN GLAccount Acct ON (oTable.DebetAccCode = Acct.Code "
    "AND GCat.Code=0) OR (oTable.CreditAccCode = Acct.code AND GCat.Code=1) GROUP BY Acct.Code",
    // 22: profit and loss sign
    "SELECT oTable.Code, CASE WHEN LEFT(oTable.Code, 1) = '5' THEN (oTable.DTurn - oTable.CTurn) * (-1) "
    "ELSE oTable.DTurn - oTable.CTurn END AS Saldo FROM AccountTurns oTable",
    // 23: union of totals and correspondents under PostList
    "SELECT Main.AccCode, Main.Summa FROM (SELECT p.DebetAccCode AS AccCode, SUM(p.Summa) AS Summa FROM GLAccountPost "
    "p "
    "GROUP BY p.DebetAccCode UNION SELECT p.CreditAccCode, -SUM(p.Summa) FROM GLAccountPost p GROUP BY "
    "p.CreditAccCode) Main "
    "ORDER BY Main.AccCode",
    // 24: union all of parts with constants
    "SELECT d.IDC, d.Summa AS DebtSumma, 0 AS PlanSumma, '--' AS FlowKindCode FROM THDocument d WHERE d.DocTypeCode = "
    "'PRSF' "
    "UNION ALL SELECT d.IDC, 0, d.Summa, IsNull( d.CurrencyCode, '--' ) FROM THDocument d WHERE d.DocTypeCode = 'PISF' "
    "UNION ALL SELECT 0, 0, 0, N'--'",
    // 25: exists
    "SELECT c.Code FROM REFClient c WHERE EXISTS (SELECT 1 FROM THPartyAttribute p WHERE p.PartyCode = c.Code "
    "AND p.PartyType = 1) AND NOT EXISTS (SELECT * FROM REFPerson r WHERE r.Code = c.Code)",
    // 26: IN sub-query
    "SELECT d.IDC FROM THDocument d WHERE d.IDC IN (SELECT s.DocID FROM THGoodSpec s WHERE s.GoodCode LIKE 'A%') "
    "AND d.DocTypeCode NOT IN ('PRSD', 'SCN')",
    // 27: having
    "SELECT Main.Client, SUM(Main.AccNeedPaySum) AS AccNeedPaySum FROM (SELECT p.PartyCode AS Client, d.Summa AS "
    "AccNeedPaySum "
    "FROM THDocument d INNER JOIN THPartyAttribute p ON p.DocID = d.IDC) Main GROUP BY Main.Client "
    "HAVING NOT SUM(Main.AccNeedPaySum) > ?",
    // 28: empty-result filters
    "SELECT oTable.IDC FROM THDocument oTable WHERE 1 = 0",
    "SELECT oTable.IDC FROM THDocument oTable INNER JOIN THPaySpec ps ON 0=0 WHERE oTable.IDC = 0",
    // 30: count
    "SELECT COUNT(*) AS Cnt, COUNT(DISTINCT d.DocTypeCode) AS Types, MIN(d.DocumentDate) AS FirstDate, "
    "MAX(d.Summa) AS MaxSumma, AVG(d.Summa) AS AvgSumma FROM THDocument d",
    // 31: top
    "SELECT TOP 1 Pisf.IDC, Pisf.DocumentDate FROM THDocument Pisf WHERE Pisf.DocTypeCode = N'PISF' "
    "ORDER BY Pisf.DocumentDate Desc, Pisf.IDC Desc",
    // 32: distinct with the User table
    "SELECT DISTINCT u.Name, [User].ID FROM [User] INNER JOIN [User] u ON u.ID = [User].ID",
    // 33: abs of a case
    "SELECT Abs( case when ( oTable.Summa > 0 ) then oTable.Summa else 0 end ) AS DebtSumma FROM THDocument oTable",
    // 34: replace and left
    "SELECT REPLACE(c.Code,'$','') AS ObjectCode, Left(c.Name,1) + '.' AS Initial, COALESCE(UPPER(c.Parent), '') AS "
    "Parent "
    "FROM REFClient c",
    // 35: insert values
    "INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES (?, ?, ?)",
    "INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES (1, 30, 100.5), (1, 60, 200)",
    // 37: insert select
    "INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) SELECT d.IDC, ISNULL(c.PayTerm, 0), d.Summa "
    "FROM THDocument d LEFT JOIN REFClient c ON c.Code = d.Department WHERE d.IDC = ?",
    // 38: update through a join
    "UPDATE oTable SET oTable.CostSumm = ROUND(COALESCE(gsInc.Summa/NULLIf(gsInc.AmountAccount,0) * oTable.Amount,0), "
    "2) "
    "FROM THGoodSpec oTable INNER JOIN THGoodSpec gsInc ON gsInc.IDC = oTable.IDC WHERE oTable.DocID = ?",
    // 39: update without join
    "UPDATE REFClient SET PayTerm = 30 WHERE Code = N'K001'",
    // 40: delete through a join
    "DELETE oTable FROM THPaySpec oTable INNER JOIN THDocument d ON d.IDC = oTable.DocID WHERE d.DocTypeCode = 'KVT'",
    // 41: delete plain
    "DELETE FROM THDocumentPayTerm WHERE DocID = ? AND PayTerm > 0",
    // 42: transactions
    "SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED",
    "BEGIN TRAN UPDATE REFClient SET PayTerm = 0 WHERE Code = '' COMMIT TRAN",
    "Exec sp_C$CostAnltDistrib ?, ?, ?, ?",
    "EXECUTE dbo.GLAnalytStatementD @DateFrom = '2014-01-01', @DateTo = ?, @Code = N'2410'",
    // 46: quotes, comment markers and semicolons inside literals
    "SELECT 'it''s; -- not /* a comment */' AS Text, N'Šiaurė' AS Name",
    // 45: bit operators, modulo and unary plus
    "SELECT d.IDC % 7 AS Bucket, +d.Summa AS Summa FROM THDocument d WHERE d.IsPosted = 1 OR d.IsPosted IS NULL",
    // 46: CONVERT styles
    "SELECT CONVERT(varchar(10), d.DocumentDate, 104) AS D104, CONVERT(char(8), d.DocumentDate, 112) AS D112, "
    "CONVERT(varchar(19), d.DocumentDate, 120) AS D120, CONVERT(datetime, '01.02.2014', 104) AS Parsed FROM THDocument "
    "d",
    // 47: nested derived tables
    "SELECT Outer1.Client FROM (SELECT Inner1.Client FROM (SELECT p.PartyCode AS Client FROM THPartyAttribute p) "
    "Inner1 "
    "WHERE Inner1.Client <> '') Outer1 INNER JOIN REFClient c ON c.Code = Outer1.Client",
    // 48: FULL and RIGHT joins
    "SELECT COALESCE(a.Code, b.Code) AS Code FROM REFClient a FULL OUTER JOIN REFPerson b ON b.Code = a.Code "
    "RIGHT JOIN REFDepartment dep ON dep.Code = a.Parent",
    // 49: a sales list kept in a temporary table, read by a drill-down, dropped
    "SELECT d.IDC, d.Number, c.Name AS Client INTO #NewSales FROM THDocument d INNER JOIN REFClient c "
    "ON c.Code = d.Department WHERE d.DocTypeCode = ? UNION ALL SELECT 0, N'', N'none'",
    "SELECT s.Client, SUM(d.Summa) AS Summa FROM #SalesList s INNER JOIN THDocument d ON d.IDC = s.IDC "
    "WHERE s.Client <> '' GROUP BY s.Client",
    "DROP TABLE IF EXISTS #SalesList",
    "DROP TABLE [#SalesList]",
};

TEST(TSqlReparse, EveryCorpusStatementParsesWritesAndParsesToTheSameTree)
{
    ASSERT_GE(std::size(kCorpus), 40u);
    for (const char* text : kCorpus) {
        SCOPED_TRACE(text);
        Ast::Batch first = ParseBatch(text);
        std::string written = TSqlWriter().Batch(first);
        Ast::Batch second;
        ASSERT_NO_THROW(second = ParseBatch(written)) << written;
        EXPECT_TRUE(first == second) << written;
        // Written once more, the text no longer changes: the writer is a fixed point.
        EXPECT_EQ(TSqlWriter().Batch(second), written);
    }
}

// The schema the corpus reads, with the ERP's column types: dates as date, money as
// NUMERIC(19,4), flags as SMALLINT, ids as INTEGER, codes as VARCHAR.
constexpr const char* kCorpusSchema = R"sql(
CREATE TEMP TABLE thdocument (idc integer, doctypecode varchar(10), documentdate date, number varchar(20),
    summa numeric(19,4), currencycode varchar(3), department varchar(50), author integer, parentid integer,
    isposted smallint, needpaydate date, conscordocid integer, cordocid integer);
CREATE TEMP TABLE thgoodspec (idc integer, docid integer, posnumb integer, goodcode varchar(20),
    amount numeric(19,4), amountaccount numeric(19,4), summa numeric(19,4), costsumm numeric(19,4));
CREATE TEMP TABLE thpartyattribute (docid integer, rolepartycode varchar(10), partycode varchar(20), partytype smallint);
CREATE TEMP TABLE thpayspec (idc integer, docid integer, cordocid integer, summacur numeric(19,4), summa numeric(19,4));
CREATE TEMP TABLE thdocumentpayterm (docid integer, payterm integer, summa numeric(19,4));
CREATE TEMP TABLE refclient (code varchar(20), name varchar(100), parent varchar(20), issubsidiary smallint,
    payterm integer);
CREATE TEMP TABLE refperson (code varchar(20), firstname varchar(50), lastname varchar(50), userid integer);
CREATE TEMP TABLE refdepartment (code varchar(20), name varchar(100));
CREATE TEMP TABLE refgood (code varchar(20), name varchar(100), parent varchar(20));
CREATE TEMP TABLE refgoodunit (goodcode varchar(20), unitcode varchar(10), rate numeric(19,4), isaccount smallint,
    iscommon smallint);
CREATE TEMP TABLE refdates (code integer);
CREATE TEMP TABLE glaccount (code varchar(20));
CREATE TEMP TABLE glaccountpost (debetacccode varchar(20), creditacccode varchar(20), summa numeric(19,4));
CREATE TEMP TABLE glbalance (code varchar(20), summa numeric(19,4));
CREATE TEMP TABLE debtbyclient (client varchar(20), accneedpaysum numeric(19,4), "30-60needpaysum" numeric(19,4),
    "60-90needpaysum" numeric(19,4));
CREATE TEMP TABLE saleslist (department varchar(50), summa numeric(19,4));
CREATE TEMP TABLE accountturns (code varchar(20), dturn numeric(19,4), cturn numeric(19,4));
CREATE TEMP TABLE "user" (id integer, name varchar(50));
CREATE TEMP TABLE "#saleslist" (idc integer, number varchar(20), client varchar(100));
CREATE FUNCTION "sp_c$costanltdistrib"(a integer, b integer, c integer, d integer) RETURNS TABLE(x integer)
    LANGUAGE sql AS $$ SELECT a $$;
CREATE FUNCTION glanalytstatementd(datefrom date, dateto date, code varchar) RETURNS TABLE(x integer)
    LANGUAGE sql AS $$ SELECT 1 $$;
)sql";

TEST(TSqlReparse, EveryCorpusStatementIsAcceptedByPostgreSQL)
{
    Connection db = Testing::OpenScratchDatabase();
    for (const char* text : kCorpus) {
        SCOPED_TRACE(text);
        Translation t = Translate(text);
        bool controlsTransaction = std::string_view(text).find("BEGIN TRAN") != std::string_view::npos;
        if (controlsTransaction) continue; // runs its own transaction; the parser tests cover it
        Transaction tx(db);
        db.ExecutePostgresScript(kCorpusSchema);
        std::vector<Value> params(static_cast<std::size_t>(t.parameterCount), Value(Null{}));
        // The statement is planned against the ERP's column types: every name, operator
        // and function must resolve. SET and DROP have no plan; they run.
        bool plannable = t.postgres.rfind("SET ", 0) != 0 && t.postgres.rfind("DROP ", 0) != 0;
        EXPECT_NO_THROW(db.QueryPostgres(plannable ? "EXPLAIN " + t.postgres : t.postgres, params)) << t.postgres;
    }
}

} // namespace
} // namespace Talvex::Data::TSql
