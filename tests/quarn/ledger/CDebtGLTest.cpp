#include "quarn/ledger/CDebtGL.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/Session.hpp"
#include "quarn/ledger/CCredGL.hpp"
#include "quarn/ledger/LedgerRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::CDebtGL;
using Quarn_DuzAde::GLDebtMode;

namespace {

const Date kReportDate = Date::Parse("2026-06-30");

std::shared_ptr<Book> DemoBook()
{
    return Testing::OpenDemoBook("ledger_debtgl");
}

// Each client's balance on an account and everything under it, straight from the postings
// and their client analytics: before the year, the year's debits and credits, and on the date.
using ClientLedger = LedgerRunChecks::AccountTurnover;
std::map<std::string, ClientLedger> LedgerFromPostings(Book& book, const std::string& account, Date yearStart,
                                                       Date date)
{
    return LedgerRunChecks::TurnoverByKey(
        book, "SELECT an.AnalytObjectCode, " + LedgerRunChecks::TurnoverColumns("$2") + R"sql(
        FROM GLAccountPost p
        JOIN GLAnalytPost an ON an.AccPostID = p.IDC
        CROSS JOIN LATERAL (SELECT CASE WHEN an.IsDebet = 1 THEN p.DebetAccCode ELSE p.CreditAccCode END,
                                   CASE WHEN an.IsDebet = 1 THEN 1 ELSE -1 END) s (AccCode, Sign)
        JOIN REFClient c ON c.Code = an.AnalytObjectCode
        WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost <= $3
          AND (s.AccCode = $1 OR s.AccCode IN (SELECT Code FROM GLAccount WHERE AccSetCode = '1' AND Parent = $1))
        GROUP BY an.AnalytObjectCode)sql",
        {Value(account), Value(yearStart), Value(date)});
}

// The open sums per client (clients only, not private persons) the document list gives,
// summed by the database over the list's own statement.
std::map<std::string, Currency> OpenSumsBySql(const std::shared_ptr<Book>& book, const CDebtGL::Parameters& parameters)
{
    auto list = CDebtGL::DocumentList(book, parameters);
    auto result = book->Db().Query("SELECT x.Client, SUM(x.AccNeedPaySum) FROM (" + list->SqlText() +
                                   ") x JOIN REFClient c ON c.Code = x.Client WHERE c.IsGroup = 0 GROUP BY x.Client");
    std::map<std::string, Currency> out;
    for (const auto& row : result.rows)
        out[row[0].ToText()] = row[1].IsNull() ? Currency() : row[1].ToCurrency();
    return out;
}

} // namespace

TEST(DebtGL, ReceivablesAgreeWithThePostingsAndTheOpenDocumentsOfTheDemoCompany)
{
    auto book = DemoBook();
    CDebtGL report;
    const CDebtGL::Parameters parameters{kReportDate, "1", "240", GLDebtMode::Debt};
    report.Fill(book, parameters);
    const auto rows = report.Result().DebtRows();
    ASSERT_FALSE(rows.empty());

    const auto ledger = LedgerFromPostings(*book, "240", Date::Parse("2026-01-01"), kReportDate);
    const auto open = OpenSumsBySql(book, parameters);
    Currency ledgerTotal, sqlLedgerTotal, openTotal, sqlOpenTotal, differenceTotal;
    std::size_t differing = 0, ledgerOnly = 0;
    for (const auto& row : rows) {
        const auto found = ledger.find(row.clientCode);
        const ClientLedger l = found == ledger.end() ? ClientLedger{} : found->second;
        // Opening plus the year's movement is the closing balance, and the report shows it.
        EXPECT_EQ(l.opening + l.debit - l.credit, l.closing) << row.clientCode;
        EXPECT_EQ(row.ledgerSaldo, l.closing) << row.clientCode;
        const auto sum = open.find(row.clientCode);
        EXPECT_EQ(row.totNeedPaySum, sum == open.end() ? Currency() : sum->second) << row.clientCode;
        EXPECT_EQ(row.difference, row.ledgerSaldo - row.totNeedPaySum);
        ledgerTotal += row.ledgerSaldo;
        openTotal += row.totNeedPaySum;
        differenceTotal += row.difference;
        differing += row.difference != Currency() ? 1 : 0;
        ledgerOnly += row.totNeedPaySum == Currency() ? 1 : 0;
    }
    // Every client with a balance or an open sum is listed: the totals are the database's.
    for (const auto& [client, l] : ledger)
        sqlLedgerTotal += l.closing;
    for (const auto& [client, sum] : open)
        sqlOpenTotal += sum;
    EXPECT_EQ(ledgerTotal, sqlLedgerTotal);
    EXPECT_EQ(openTotal, sqlOpenTotal);
    EXPECT_EQ(differenceTotal, ledgerTotal - openTotal);
    EXPECT_GT(differing, 0u);
    EXPECT_GT(ledgerOnly, 0u);

    // Drill-down: a client's postings make its balance, its documents its open sum.
    const auto& first = rows.front();
    auto postings = report.ClientPostings(first.clientCode);
    postings->Refresh();
    Currency posted;
    auto rs = postings->Recordset();
    if (rs->RecordCount() > 0)
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            posted += rs->Fields()("Saldo").Value().ToCurrency();
    EXPECT_EQ(posted, first.ledgerSaldo);
    auto documents = report.ClientDocuments(first.clientCode, "TotNeedPaySum");
    Currency owed;
    if (documents->RecordCount() > 0)
        for (documents->MoveFirst(); !documents->Eof(); documents->MoveNext())
            owed += documents->Fields()("AccNeedPaySum").Value().ToCurrency();
    EXPECT_EQ(owed, first.totNeedPaySum);
}

TEST(DebtGL, PayablesDifferenceIsTheTurnedLedgerBalanceLessTheOpenDocuments)
{
    auto book = DemoBook();
    CDebtGL report;
    const CDebtGL::Parameters parameters{kReportDate, "1", "450", GLDebtMode::Credit};
    report.Fill(book, parameters);
    const auto rows = report.Result().CreditRows();
    ASSERT_FALSE(rows.empty());
    const auto ledger = LedgerFromPostings(*book, "450", Date::Parse("2026-01-01"), kReportDate);
    std::map<std::string, Currency> difference, open;
    for (const auto& row : rows) {
        difference[row.clientCode] += row.difference;
        open[row.clientCode] += row.accNeedPaySum;
    }
    Currency ledgerTotal;
    for (const auto& [client, diff] : difference) {
        const auto found = ledger.find(client);
        const Currency closing = found == ledger.end() ? Currency() : found->second.closing;
        if (found != ledger.end()) {
            EXPECT_EQ(found->second.opening + found->second.debit - found->second.credit, closing) << client;
        }
        EXPECT_EQ(diff, -closing - open[client]) << client;
        ledgerTotal += closing;
    }
    Currency sqlTotal;
    for (const auto& [client, l] : ledger)
        sqlTotal += l.closing;
    EXPECT_EQ(ledgerTotal, sqlTotal);
}

TEST(DebtGL, ClientsOfHandWrittenPostingsAndDocumentsAreReconciledExactly)
{
    auto book = DemoBook();
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    db.ExecutePostgresScript(R"sql(
        INSERT INTO REFClient (Code, Name) VALUES
            ('ZGL1', 'Zz sutampa'), ('ZGL2', 'Zz neužregistruota'), ('ZGL3', 'Zz tik didžiojoje knygoje'),
            ('ZGL4', 'Zz nieko');
        CREATE TEMP TABLE ZglDoc ON COMMIT DROP AS
        SELECT * FROM (VALUES ('ZGL1', 100.00, 1), ('ZGL2', 100.00, 1), ('ZGL2', 50.00, 0)) v (Client, Summa, Booked);
        CREATE TEMP TABLE ZglIds (Client VARCHAR, Summa NUMERIC, Booked INT, IDC INT) ON COMMIT DROP;
        WITH d AS (
            INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted, Name)
            SELECT 'PRSF', DATE '2026-06-01', 'ZGL-' || row_number() OVER (), Summa, 1, Client || ':' || Booked
            FROM ZglDoc RETURNING IDC, Name, Summa)
        INSERT INTO ZglIds SELECT split_part(Name, ':', 1), Summa, split_part(Name, ':', 2)::INT, IDC FROM d;
        INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode)
        SELECT IDC, 'PRSF', 'PIR', 1, Client FROM ZglIds;
        INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) SELECT IDC, 0, Summa FROM ZglIds;
        WITH p AS (
            INSERT INTO GLAccountPost (AccSetCode, DebetAccCode, CreditAccCode, SumAcc, DatePost, DocId, IsPosted)
            SELECT '1', '240', '500', Summa, DATE '2026-06-01', IDC, Booked FROM ZglIds
            UNION ALL SELECT '1', '240', '500', 70.00, DATE '2026-05-01', NULL, 1
            RETURNING IDC, DocId)
        INSERT INTO GLAnalytPost (AccPostID, IsDebet, AnalytTypeCode, AnalytObjectCode)
        SELECT p.IDC, 1, 'CL', COALESCE(z.Client, 'ZGL3') FROM p LEFT JOIN ZglIds z ON z.IDC = p.DocId;
    )sql");

    CDebtGL report;
    report.Fill(book, {kReportDate, "1", "240", GLDebtMode::Debt});
    std::map<std::string, Quarn_DuzAde::DebtGLRow> byClient;
    for (const auto& row : report.Result().DebtRows())
        byClient[row.clientCode] = row;
    ASSERT_EQ(byClient.count("ZGL1"), 1u);
    EXPECT_EQ(byClient["ZGL1"].clientName, "Zz sutampa (0.00)");
    EXPECT_EQ(byClient["ZGL1"].buckets[0], Currency::Parse("100")); // 29 days: the first bucket
    ASSERT_EQ(byClient.count("ZGL2"), 1u);
    EXPECT_EQ(byClient["ZGL2"].ledgerSaldo, Currency::Parse("100"));
    EXPECT_EQ(byClient["ZGL2"].totNeedPaySum, Currency::Parse("150"));
    EXPECT_EQ(byClient["ZGL2"].clientName, "Zz neužregistruota (-50.00)");
    ASSERT_EQ(byClient.count("ZGL3"), 1u);
    EXPECT_EQ(byClient["ZGL3"].totNeedPaySum, Currency());
    EXPECT_EQ(byClient["ZGL3"].clientName, "Zz tik didžiojoje knygoje (70.00)");
    EXPECT_EQ(byClient.count("ZGL4"), 0u);
    tx.Rollback();
}

TEST(DebtGL, FormsRefuseMissingChoicesAtTheirControlAndCancelReturnsNothing)
{
    auto book = DemoBook();
    {
        Testing::ScriptedUser user;
        user.Set("frmOrvDebtGL", "cbAccSet", "").Click("frmOrvDebtGL", "btOK");
        user.Set("frmOrvDebtGL", "cbAccSet", "1").Set("frmOrvDebtGL", "cbAccCash", "").Click("frmOrvDebtGL", "btOK");
        user.Click("frmOrvDebtGL", "btCancel");
        LedgerRunChecks::ClientRun run(user, book);
        CDebtGL report;
        report.SetVisual(true);
        EXPECT_FALSE(report.Run(run.in, run.out));
        EXPECT_FALSE(run.out.ExistsField("DataList"));
        const auto texts = user.MessageTexts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0], "frmOrvDebtGL.cbAccSet: Choose an account set.");
        EXPECT_EQ(texts[1], "frmOrvDebtGL.cbAccCash: Choose an account.");
    }
    {
        // The payables form offers the creditors' account and lists the result by month.
        Testing::ScriptedUser user;
        user.Set("frmOrvCredGL", "edRepDate", "2026-06-30").Click("frmOrvCredGL", "btOK");
        LedgerRunChecks::ClientRun run(user, book);
        Quarn_DuzAde::CCredGL report;
        report.SetVisual(true);
        ASSERT_TRUE(report.Run(run.in, run.out)) << user.ErrorsText();
        EXPECT_EQ(run.out.Item("Account").GetValue().ToText(), "450");
        auto rs = run.DataList();
        ASSERT_TRUE(rs);
        EXPECT_GT(rs->RecordCount(), 0);
        EXPECT_NO_THROW(rs->Fields().Item("DocMonth"));
    }
}

TEST(DebtGL, WithoutFormTheCallersValuesAreUsedAndReachSqlOnlyAsLiterals)
{
    auto book = DemoBook();
    Testing::ScriptedUser user;
    LedgerRunChecks::ClientRun run(user, book);
    run.out.Add("EndDate", FieldType::kDate, Value(kReportDate));
    run.out.Add("AccSet", FieldType::kCode, Value(std::string("1")));
    run.out.Add("Account", FieldType::kCode, Value(std::string("2'4; DROP TABLE GLAccountPost --")));
    CDebtGL report;
    ASSERT_TRUE(report.Run(run.in, run.out)) << user.ErrorsText();
    auto rs = run.DataList();
    ASSERT_TRUE(rs);
    // No posting is on such an account, so only clients with open documents are listed, each
    // with its whole open sum as the difference.
    for (rs->MoveFirst(); rs->RecordCount() > 0 && !rs->Eof(); rs->MoveNext())
        EXPECT_EQ(rs->Fields()("OutcomeSaldo").Value().ToCurrency(), Currency());
    EXPECT_FALSE(book->Db().Query("SELECT COUNT(*) FROM GLAccountPost").rows.empty());
    EXPECT_EQ(user.ErrorsText(), "");
}

TEST(DebtGL, TheGridOpensTheDocumentsOfACellAndTheClientsPostings)
{
    auto book = DemoBook();
    Testing::ScriptedUser user;
    user.Set("frmOrvDebtGL", "edRepDate", "2026-06-30")
        .Click("frmOrvDebtGL", "btOK")
        .DblClick("frmDebtGLList", "grdList", 2, "TotNeedPaySum")
        .Close("frmDebtGLDocuments")
        .Click("frmDebtGLList", "btPostings")
        .Close("frmDebtGLPostings")
        .Close("frmDebtGLList");
    // What each list window showed when it opened: its rows' sum of one column.
    std::map<std::string, Currency> shown;
    std::map<std::string, std::string> shownClient;
    const int watch = user.Session().Subscribe([&](const Ui::WindowChange& change) {
        if (change.kind != Ui::WindowChange::Kind::WindowOpened) return;
        Ui::Form* form = user.Session().FindWindow(change.window);
        if (form == nullptr || !form->Has("grdList")) return;
        const Ui::Grid& grid = form->GridCtl("grdList");
        const char* column = change.window == "frmDebtGLDocuments"  ? "AccNeedPaySum"
                             : change.window == "frmDebtGLPostings" ? "Saldo"
                                                                    : "TotNeedPaySum";
        Currency sum;
        for (std::size_t r = 0; r < grid.RowCount(); ++r)
            sum += grid.Cell(r, column).ToCurrency();
        shown[change.window] = sum;
        shownClient[change.window] = form->Caption();
    });
    LedgerRunChecks::ClientRun run(user, book);
    CDebtGL report;
    report.SetVisual(true);
    ASSERT_TRUE(report.Run(run.in, run.out)) << user.ErrorsText();
    user.Session().Unsubscribe(watch);
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(user.FirstUnplayed(), "");

    const auto rows = report.Result().DebtRows();
    ASSERT_GT(rows.size(), 1u);
    const auto& second = rows[1]; // the row double-clicked, as a person counts from 1
    ASSERT_EQ(shown.count("frmDebtGLDocuments"), 1u);
    EXPECT_EQ(shown["frmDebtGLDocuments"], second.totNeedPaySum);
    EXPECT_EQ(shownClient["frmDebtGLDocuments"], "Dokumentai: " + second.clientCode);
    ASSERT_EQ(shown.count("frmDebtGLPostings"), 1u);
    EXPECT_EQ(shown["frmDebtGLPostings"], second.ledgerSaldo);
}
