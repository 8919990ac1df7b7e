#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/debt/CDebtOfClients.hpp"
#include "quarn/debt/frmDebtDocList.hpp"
#include "quarn/debt/frmDebtOfClients.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <vector>

using namespace Talvex;
using Quarn_DuzAde::frmDebtOfClients;

namespace {

using Key = std::tuple<std::string, std::string, std::string>; // DepCode, PerCode, ClnCode
// Per client: bucket -1 is the debt before the period, 0..N the months.
using Sums = std::map<Key, std::map<int, Currency>>;

// Each test signs in under its own names: tests run side by side on one database, and one
// test's saved parameters must not become another's defaults.
std::string TestUser(const char* prefix)
{
    // A user name holds at most 60 characters; test names are longer, so a hash stands in.
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016zx", std::hash<std::string>{}(test));
    return std::string(prefix) + "_" + hex;
}

// One run of the form on a scripted user: the form stays alive (hidden) after the run, so
// its grid and source can be read.
struct DebtRun {
    DebtRun(std::shared_ptr<Book> book, const std::string& answers) : user(answers)
    {
        param.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        form.Init(dialog, param);
        dialog.Init(form, nullptr, Value());
        dialog.RunForm(false, false);
    }
    Ui::LocalList& Grid() { return form.ListCtl("grdList"); }
    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    FieldList param;
    frmDebtOfClients form;
    Ui::BaseDialog dialog;
};

std::string FillAnswers(const std::string& beg, const std::string& end, const std::string& extra = "")
{
    return "frmDebtOfClients.edDateBeg = " + beg + "\nfrmDebtOfClients.edDateEnd = " + end + "\n" + extra +
           "frmDebtOfClients.btFillList click\n";
}

class DebtOfClients : public ::testing::Test {
protected:
    void SetUp() override
    {
        userName = TestUser("debt_report_tester");
        otherUserName = TestUser("debt_report_other");
        book = Testing::OpenDemoBook(userName);
        ForgetSettings();
    }
    void TearDown() override { ForgetSettings(); }
    std::string userName;
    std::string otherUserName;
    void ForgetSettings()
    {
        book->Db().Execute("DELETE FROM AdminUserSetting WHERE UserName IN (?, ?)",
                           {Value(userName), Value(otherUserName)});
    }

    // The open receivables of the demo company summed per department, manager, client and
    // month, written here straight on its tables: the open part of every term of a posted
    // receivable document from the Book's start date to the last day, in the accounting
    // currency at the latest rate of the currency's default rate type on or before the
    // document date (each term rounded to cents); the client is the party of role PAR for
    // PGA/PISD, else PIR; the manager each person of role MATS of the client (a client with
    // two of them counts under both), the department the one where that manager is a
    // primary staff member. Codes a row does not have are empty, as in the grid. Bucket -1 holds the documents before
    // firstDay, 0, 1, ... the months from firstDay on; each sum is rounded to cents.
    Sums IndependentSums(Date firstDay, Date lastDay, const std::string& department, const std::string& manager)
    {
        std::string sql = R"(
            SELECT ISNULL(Dep.Code, '') AS DepCode, ISNULL(Mgr.Code, '') AS PerCode, Cln.Code AS ClnCode,
                   Term.Bucket, ROUND(SUM(Term.Amount), 2) AS Amount
            FROM (
                SELECT Party.PartyCode AS Client,
                       CASE WHEN t.DocumentDate < Period.FirstDay THEN -1
                            ELSE DATEDIFF(MONTH, Period.FirstDay, t.DocumentDate) END AS Bucket,
                       CASE WHEN t.CurrencyCode = (SELECT SettingValue FROM BookSetting
                                                   WHERE SettingName = 'AccountCurrency')
                            THEN t.DebtSumma
                            ELSE ROUND(t.DebtSumma * (SELECT TOP 1 r.Rate FROM REFCurrencyRate r
                                                      JOIN REFCurrency c ON c.Code = r.CurrencyCode
                                                                        AND c.DefaultRateType = r.RateTypeCode
                                                      WHERE r.CurrencyCode = t.CurrencyCode
                                                        AND r.DateApply <= t.DocumentDate
                                                      ORDER BY r.DateApply DESC), 2) END AS Amount
                FROM THDocumentPayTermCur t
                JOIN THPartyAttribute Party ON Party.DocId = t.IDC
                 AND Party.RolePartyCode = CASE WHEN t.DocTypeCode IN ('PGA', 'PISD') THEN 'PAR' ELSE 'PIR' END
                CROSS JOIN (SELECT CAST(? AS DATE) AS FirstDay, CAST(? AS DATE) AS LastDay) Period
                WHERE t.IsPosted = 1 AND t.DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN')
                  AND t.DocumentDate >= (SELECT CAST(SettingValue AS DATE) FROM BookSetting
                                         WHERE SettingName = 'StartDate')
                  AND t.DocumentDate <= Period.LastDay
            ) Term
            JOIN REFClient Cln ON Cln.Code = Term.Client
            LEFT JOIN REFClientPerson ClnMgr ON ClnMgr.ClientCode = Cln.Code AND ClnMgr.PersonRoleCode = 'MATS'
            LEFT JOIN REFPerson Mgr ON Mgr.Code = ClnMgr.PersonCode
            LEFT JOIN REFStaffMember Staff ON Staff.EmployeeCode = ClnMgr.PersonCode AND Staff.IsPrimary = 1
            LEFT JOIN REFDepartment Dep ON Dep.Code = Staff.DepCode
            WHERE 1 = 1)";
        std::vector<Value> params{Value(firstDay), Value(lastDay)};
        if (!department.empty()) {
            sql += " AND Dep.Code = ?";
            params.emplace_back(department);
        }
        if (!manager.empty()) {
            sql += " AND Mgr.Code = ?";
            params.emplace_back(manager);
        }
        sql += " GROUP BY ISNULL(Dep.Code, ''), ISNULL(Mgr.Code, ''), Cln.Code, Term.Bucket";
        Sums sums;
        for (const auto& row : book->Db().Query(sql, params).rows)
            sums[{row.at(0).ToText(), row.at(1).ToText(), row.at(2).ToText()}]
                [static_cast<int>(row.at(3).ToInteger())] = row.at(4).ToCurrency();
        return sums;
    }

    // Every cell of the grid against the independent sums for the whole months firstDay to
    // lastDay, narrowed to a department and a manager when given; returns the number of
    // client rows.
    std::size_t ExpectGridMatches(DebtRun& run, Date firstDay, Date lastDay, const std::string& department = "",
                                  const std::string& manager = "")
    {
        const Sums expected = IndependentSums(firstDay, lastDay, department, manager);
        auto& grid = run.Grid();
        const int months = (lastDay.Year() - firstDay.Year()) * 12 + static_cast<int>(lastDay.Month()) -
                           static_cast<int>(firstDay.Month()) + 1;
        EXPECT_EQ(run.form.MonthCount(), months);
        EXPECT_FALSE(grid.FindColumn("Summa" + std::to_string(months)).has_value());
        auto expectedFor = [&](long rowType, const Key& key, int bucket) {
            Currency total;
            for (const auto& [k, buckets] : expected) {
                const bool in =
                    rowType == 3 || (std::get<0>(k) == std::get<0>(key) &&
                                     (rowType == 0 || (std::get<1>(k) == std::get<1>(key) &&
                                                       (rowType == 1 || std::get<2>(k) == std::get<2>(key)))));
                if (!in) continue;
                for (const auto& [b, sum] : buckets)
                    if (bucket == -2 || b == bucket) total += sum;
            }
            return total;
        };
        std::set<Key> clientRows;
        std::size_t grandTotals = 0;
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            const long rowType = static_cast<long>(grid.Cell(row, "RowType").ToInteger());
            const Key key{grid.Cell(row, "DepCode").ToText(), grid.Cell(row, "PerCode").ToText(),
                          grid.Cell(row, "ClnCode").ToText()};
            if (rowType == 2) {
                EXPECT_TRUE(clientRows.insert(key).second) << "client row twice";
            }
            grandTotals += rowType == 3;
            const std::string where = "row " + std::to_string(row) + " type " + std::to_string(rowType) + " " +
                                      std::get<0>(key) + "/" + std::get<1>(key) + "/" + std::get<2>(key);
            EXPECT_EQ(grid.Cell(row, "BegRest").ToCurrency(), expectedFor(rowType, key, -1)) << where;
            EXPECT_EQ(grid.Cell(row, "TotalSumm").ToCurrency(), expectedFor(rowType, key, -2)) << where;
            for (int i = 0; i < months; ++i)
                EXPECT_EQ(grid.Cell(row, "Summa" + std::to_string(i)).ToCurrency(), expectedFor(rowType, key, i))
                    << where << " month " << i;
        }
        EXPECT_EQ(clientRows.size(), expected.size());
        EXPECT_EQ(grandTotals, expected.empty() ? 0U : 1U);
        return clientRows.size();
    }

    Currency SumOfDocuments(Data::Recordset& rs)
    {
        Currency total;
        auto c = rs.Clone();
        for (; !c->Eof(); c->MoveNext())
            total += c->Fields()("AccNeedPaySum").Value().ToCurrency();
        return total;
    }

    long FindRow(Ui::LocalList& grid, long rowType, const std::function<bool(std::size_t)>& more = {})
    {
        for (std::size_t row = 0; row < grid.RowCount(); ++row)
            if (grid.Cell(row, "RowType").ToInteger() == rowType && (!more || more(row))) return static_cast<long>(row);
        return -1;
    }

    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(DebtOfClients, EveryCellEqualsTheOpenAmountsSummedPerClientAndMonth)
{
    DebtRun run(book, FillAnswers("2026-03-15", "2026-06-02"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    EXPECT_EQ(run.form.BegDate(), Date(2026, 3, 1));
    EXPECT_EQ(run.form.EndDate(), Date(2026, 6, 30));
    ASSERT_EQ(run.form.MonthCount(), 4);
    EXPECT_GT(ExpectGridMatches(run, Date(2026, 3, 1), Date(2026, 6, 30)), 20U);

    auto& grid = run.Grid();
    EXPECT_EQ(grid.Column("Summa0").caption, "03");
    EXPECT_EQ(grid.Column("Summa3").caption, "06");
    EXPECT_FALSE(grid.Column("DepCode").visible);
    EXPECT_EQ(grid.Column("BegRest").caption, "Debt before the period");
    // Footers hold the grand total; subtotal rows carry their styles; the run had R + T + 2 steps.
    const long total = FindRow(grid, 3);
    ASSERT_GE(total, 0);
    EXPECT_EQ(grid.Footer("TotalSumm").ToCurrency(),
              grid.Cell(static_cast<std::size_t>(total), "TotalSumm").ToCurrency());
    EXPECT_EQ(grid.Footer("Summa2").ToCurrency(), grid.Cell(static_cast<std::size_t>(total), "Summa2").ToCurrency());
    EXPECT_EQ(grid.RowStyleId(static_cast<std::size_t>(FindRow(grid, 0))), "DepartmentRow");
    EXPECT_EQ(grid.RowStyleId(static_cast<std::size_t>(FindRow(grid, 1))), "PersonRow");
    EXPECT_EQ(grid.RowStyleId(static_cast<std::size_t>(FindRow(grid, 2))), "");
    ASSERT_EQ(run.user.ProgressRuns().size(), 1U);
    const long r = static_cast<long>(run.form.Source()->RecordCount());
    EXPECT_EQ(run.user.ProgressRuns()[0].countStep, r + r / 10 + 2);
    EXPECT_EQ(run.user.ProgressRuns()[0].caption, "Calculating client debt");
    EXPECT_TRUE(run.form.Ctl("btDocList").Enabled());
    EXPECT_EQ(run.form.Ctl("btDocList").ToolTip(), "Documents of the selected cell");

    // Manager subtotals hide and come back with the check box.
    const std::size_t shown = grid.VisibleRows().size();
    run.form.UserClick("chTotalByPerson");
    std::size_t persons = 0;
    for (std::size_t row = 0; row < grid.RowCount(); ++row)
        persons += grid.Cell(row, "RowType").ToInteger() == 1;
    EXPECT_EQ(grid.VisibleRows().size(), shown - persons);
    for (std::size_t row : grid.VisibleRows())
        EXPECT_NE(grid.Cell(row, "RowType").ToInteger(), 1);
    run.form.UserClick("chTotalByPerson");
    EXPECT_EQ(grid.VisibleRows().size(), shown);
}

TEST_F(DebtOfClients, TermsComeInTheDatabasesOrderOfDepartmentManagerAndClientTexts)
{
    DebtRun run(book, FillAnswers("2025-11-01", "2026-04-30"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    auto source = run.form.Source();
    ASSERT_GT(source->RecordCount(), 100);

    // The same list ordered by the database itself on its texts: the order the report promises.
    auto ordered = run.form.BuildSourceList();
    ordered->OrderBy("Department,Person,Client,DocumentDate");
    ordered->Refresh();
    auto byDatabase = ordered->Recordset();
    using Place = std::tuple<std::string, std::string, std::string, std::string>;
    auto places = [](Data::Recordset& rs) {
        std::vector<Place> result;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            result.emplace_back(rs.Fields()("Department").Value().ToText(), rs.Fields()("Person").Value().ToText(),
                                rs.Fields()("Client").Value().ToText(),
                                rs.Fields()("DocumentDate").Value().ToDate().ToIso());
        return result;
    };
    const std::vector<Place> expected = places(*byDatabase);
    const std::vector<Place> actual = places(*source);
    ASSERT_EQ(actual.size(), expected.size());
    std::size_t misplaced = 0;
    for (std::size_t i = 0; i < actual.size(); ++i)
        misplaced += actual[i] != expected[i];
    EXPECT_EQ(misplaced, 0U);
    // Texts with letters of the language are among them, which the language sorts beside their
    // base letters and the bytes would put last.
    std::set<std::string> clients;
    for (const auto& place : actual)
        clients.insert(std::get<2>(place));
    EXPECT_TRUE(std::any_of(clients.begin(), clients.end(),
                            [](const std::string& c) { return c.find("\xC5\xA0") != std::string::npos; })); // Š

    // The documents of a department's cell keep that order too.
    auto& grid = run.Grid();
    const long department = FindRow(grid, 0, [&](std::size_t row) { return grid.Cell(row, "DepCode").ToText() != ""; });
    ASSERT_GE(department, 0);
    auto documents = run.form.CellDocuments(department, "TotalSumm");
    std::vector<Place> ofDepartment;
    const std::string depText = grid.Cell(static_cast<std::size_t>(department), "Department").ToText();
    for (const auto& place : expected)
        if (std::get<0>(place) == depText) ofDepartment.push_back(place);
    EXPECT_EQ(places(*documents), ofDepartment);
}

TEST_F(DebtOfClients, PeriodAcrossYearEndCaptionsYearAndMonth)
{
    DebtRun run(book, FillAnswers("2025-11-01", "2026-02-28"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    ASSERT_EQ(run.form.MonthCount(), 4);
    EXPECT_GT(ExpectGridMatches(run, Date(2025, 11, 1), Date(2026, 2, 28)), 20U);
    auto& grid = run.Grid();
    EXPECT_EQ(grid.Column("Summa0").caption, "2025/11");
    EXPECT_EQ(grid.Column("Summa2").caption, "2026/01");
    EXPECT_EQ(grid.Column("Summa3").caption, "2026/02");
}

TEST_F(DebtOfClients, OneMonthPeriodHasOneMonthColumnAndLaterDocumentsCountNowhere)
{
    DebtRun run(book, FillAnswers("2026-05-20", "2026-05-03"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    ASSERT_EQ(run.form.MonthCount(), 1);
    EXPECT_TRUE(run.Grid().FindColumn("Summa0").has_value());
    EXPECT_FALSE(run.Grid().FindColumn("Summa1").has_value());
    ExpectGridMatches(run, Date(2026, 5, 1), Date(2026, 5, 31));
    // Receivables dated after May exist, and none of them is in the source.
    EXPECT_GT(book->Db()
                  .Query("SELECT COUNT(*) FROM THDocument WHERE DocTypeCode = 'PRSF' AND DocumentDate > "
                         "'2026-05-31'")
                  .rows.at(0)
                  .at(0)
                  .ToInteger(),
              0);
    auto later = run.form.Source()->Clone();
    later->SetFilter("DocumentDate > #2026-05-31#");
    EXPECT_EQ(later->RecordCount(), 0);
}

TEST_F(DebtOfClients, ClientWithoutManagerFallsUnderTheNotGivenText)
{
    DebtRun run(book, FillAnswers("2026-01-01", "2026-03-31"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    auto& grid = run.Grid();
    // K00019 has receivables but no person of role MATS in the demo company.
    ASSERT_EQ(book->Db()
                  .Query("SELECT COUNT(*) FROM REFClientPerson WHERE ClientCode = 'K00019' AND "
                         "PersonRoleCode = 'MATS'")
                  .rows.at(0)
                  .at(0)
                  .ToInteger(),
              0);
    const long row = FindRow(grid, 2, [&](std::size_t r) { return grid.Cell(r, "ClnCode").ToText() == "K00019"; });
    ASSERT_GE(row, 0);
    const auto r = static_cast<std::size_t>(row);
    EXPECT_EQ(grid.Cell(r, "Department").ToText(), "(not given)");
    EXPECT_EQ(grid.Cell(r, "Person").ToText(), "(not given)");
    EXPECT_EQ(grid.Cell(r, "DepCode").ToText(), "");
    EXPECT_EQ(grid.Cell(r, "PerCode").ToText(), "");
    EXPECT_EQ(grid.Cell(r, "Client").ToText().rfind("K00019: ", 0), 0U);
}

TEST_F(DebtOfClients, DrillDownGivesTheDocumentsThatMakeUpTheCell)
{
    DebtRun run(book, FillAnswers("2026-02-01", "2026-05-31"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    auto& grid = run.Grid();
    struct Cell {
        long rowType;
        const char* column;
    };
    const Cell cells[] = {{0, "TotalSumm"}, {0, "Summa1"},  {1, "TotalSumm"}, {1, "BegRest"},   {2, "Summa0"},
                          {2, "Summa3"},    {2, "BegRest"}, {2, "TotalSumm"}, {3, "TotalSumm"}, {3, "Summa2"}};
    for (const auto& c : cells) {
        // A row with a non-zero amount in that column, where one exists.
        long row =
            FindRow(grid, c.rowType, [&](std::size_t r) { return !grid.Cell(r, c.column).ToCurrency().IsZero(); });
        ASSERT_GE(row, 0) << c.rowType << " " << c.column;
        auto documents = run.form.CellDocuments(row, c.column);
        EXPECT_GT(documents->RecordCount(), 0) << c.rowType << " " << c.column;
        EXPECT_EQ(SumOfDocuments(*documents), grid.Cell(static_cast<std::size_t>(row), c.column).ToCurrency())
            << c.rowType << " " << c.column;
    }
    // The Department text of a client row stands for the whole department; the Person text
    // of a client row for its whole manager.
    const long client = FindRow(grid, 2, [&](std::size_t r) { return !grid.Cell(r, "DepCode").ToText().empty(); });
    ASSERT_GE(client, 0);
    const auto depCode = grid.Cell(static_cast<std::size_t>(client), "DepCode").ToText();
    const auto perCode = grid.Cell(static_cast<std::size_t>(client), "PerCode").ToText();
    const long dep = FindRow(grid, 0, [&](std::size_t r) { return grid.Cell(r, "DepCode").ToText() == depCode; });
    const long per = FindRow(grid, 1, [&](std::size_t r) {
        return grid.Cell(r, "DepCode").ToText() == depCode && grid.Cell(r, "PerCode").ToText() == perCode;
    });
    EXPECT_EQ(SumOfDocuments(*run.form.CellDocuments(client, "Department")),
              grid.Cell(static_cast<std::size_t>(dep), "TotalSumm").ToCurrency());
    EXPECT_EQ(SumOfDocuments(*run.form.CellDocuments(client, "Person")),
              grid.Cell(static_cast<std::size_t>(per), "TotalSumm").ToCurrency());
    EXPECT_THROW(run.form.CellDocuments(static_cast<long>(grid.RowCount()), "TotalSumm"), ValueError);
}

TEST_F(DebtOfClients, DoubleClickOpensTheDocumentListWithItsTotalAndTheDocuments)
{
    // Fill, double-click the first client's TotalSumm, open its first document and its parent.
    DebtRun run(book, FillAnswers("2026-02-01", "2026-05-31") + "frmDebtOfClients.grdList dblclick 1 TotalSumm\n"
                                                                "frmDebtDocList.btInvoice click\n"
                                                                "frmDebtDocList.btBill click\n");
    ASSERT_EQ(run.user.ErrorsText(), "");
    auto& grid = run.Grid();
    const std::size_t first = grid.VisibleRows().at(0);
    ASSERT_EQ(grid.Cell(first, "RowType").ToInteger(), 2);
    auto documents = run.form.CellDocuments(static_cast<long>(first), "TotalSumm");
    ASSERT_GT(documents->RecordCount(), 0);
    // The first document opened; a parent only when it has one.
    const auto& opened = run.user.DocumentsOpened();
    ASSERT_GE(opened.size(), 1U);
    documents->MoveFirst();
    EXPECT_EQ(opened[0].idc, documents->Fields()("IDC").Value().ToInteger());
    const Value parent = documents->Fields()("ParentID").Value();
    EXPECT_EQ(opened.size(), parent.IsNull() || parent.ToInteger() == 0 ? 1U : 2U);
    if (opened.size() == 2) {
        EXPECT_EQ(opened[1].idc, parent.ToInteger());
    }
}

TEST_F(DebtOfClients, DocumentListShowsHeaderTotalAndRefusesInput)
{
    auto script = FillAnswers("2026-02-01", "2026-05-31") + "frmDebtOfClients.grdList dblclick 1 TotalSumm\n";
    DebtRun run(book, script);
    ASSERT_EQ(run.user.ErrorsText(), "");
    // The list window was shown modally and closed by the scripted user; drive it again
    // directly to read it.
    auto& grid = run.Grid();
    const std::size_t first = grid.VisibleRows().at(0);
    auto documents = run.form.CellDocuments(static_cast<long>(first), "TotalSumm");
    ASSERT_GT(documents->RecordCount(), 0);
    FieldList param;
    param.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    param.Add("Department", FieldType::kLongText, grid.Cell(first, "Department"));
    param.Add("Person", FieldType::kLongText, Value(""));
    param.Add("Client", FieldType::kLongText, Value(""));
    param.Add("BegDate", FieldType::kCode, Value());
    param.Add("EndDate", FieldType::kCode, Value(Date(2026, 1, 31)));
    param.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Object>(documents)));
    Quarn_DuzAde::frmDebtDocList list;
    Ui::BaseDialog dialog;
    list.Init(dialog, param);
    dialog.Init(list, nullptr, Value());
    dialog.RunForm(false, true);
    auto& docs = list.ListCtl("grdDocs");
    EXPECT_EQ(static_cast<std::int64_t>(docs.RowCount()), documents->RecordCount());
    EXPECT_EQ(docs.Footer("AccNeedPaySum").ToCurrency(), grid.Cell(first, "TotalSumm").ToCurrency());
    EXPECT_EQ(list.Ctl("edDepartment").GetValue().ToText(), grid.Cell(first, "Department").ToText());
    EXPECT_TRUE(list.Ctl("edDepartment").Locked());
    EXPECT_THROW(list.UserInput("edClient", Value("x")), std::exception);
    dialog.UnloadForm();
}

TEST_F(DebtOfClients, BeginAfterEndIsRefusedWithAMessageAndNoFill)
{
    DebtRun run(book, FillAnswers("2026-06-01", "2026-04-30"));
    EXPECT_EQ(run.user.ErrorsText(), "");
    ASSERT_EQ(run.user.MessageTexts().size(), 1U);
    EXPECT_EQ(run.user.MessageTexts()[0], "The first day of the period is after its last day.");
    EXPECT_TRUE(run.user.ProgressRuns().empty());
    EXPECT_EQ(run.Grid().RowCount(), 0U);
    EXPECT_FALSE(run.form.Ctl("btDocList").Enabled());
    // Nothing was saved either.
    EXPECT_TRUE(book->Db().Query("SELECT 1 FROM AdminUserSetting WHERE UserName = ?", {Value(userName)}).rows.empty());

    DebtRun blank(book, "frmDebtOfClients.edDateBeg = \"\"\nfrmDebtOfClients.btFillList click\n");
    ASSERT_EQ(blank.user.MessageTexts().size(), 1U);
    EXPECT_NE(blank.user.MessageTexts()[0].find("edDateBeg"), std::string::npos);
    EXPECT_TRUE(blank.user.ProgressRuns().empty());
}

TEST_F(DebtOfClients, PeriodOfMoreThanAHundredYearsIsRefusedAtTheLastMonth)
{
    // 0001-01 to 9999-12: refused before anything is read, naming the field.
    DebtRun whole(book, FillAnswers("0001-01-01", "9999-12-31"));
    EXPECT_EQ(whole.user.ErrorsText(), "");
    ASSERT_EQ(whole.user.MessageTexts().size(), 1U);
    EXPECT_EQ(whole.user.MessageTexts()[0].rfind("edDateEnd: ", 0), 0U) << whole.user.MessageTexts()[0];
    EXPECT_NE(whole.user.MessageTexts()[0].find("119988"), std::string::npos) << "names how many months it spans";
    EXPECT_TRUE(whole.user.ProgressRuns().empty());
    EXPECT_EQ(whole.Grid().RowCount(), 0U);

    // One month past the bound is refused; the bound itself is taken (and read through).
    DebtRun over(book, FillAnswers("1926-01-01", "2026-01-31"));
    ASSERT_EQ(over.user.MessageTexts().size(), 1U);
    EXPECT_NE(over.user.MessageTexts()[0].find("1201"), std::string::npos);
    DebtRun bound(book, FillAnswers("1926-02-01", "2026-01-31"));
    EXPECT_EQ(bound.user.ErrorsText(), "");
    EXPECT_TRUE(bound.user.MessageTexts().empty());
    EXPECT_EQ(bound.user.ProgressRuns().size(), 1U);
}

TEST_F(DebtOfClients, EmptyResultDisablesDrillDownPrintAndSubtotals)
{
    // A period before the company's first document.
    DebtRun run(book, FillAnswers("2020-01-01", "2020-03-31"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    ASSERT_EQ(run.user.ProgressRuns().size(), 1U);
    EXPECT_EQ(run.user.ProgressRuns()[0].countStep, 2);
    EXPECT_EQ(run.Grid().RowCount(), 0U);
    EXPECT_FALSE(run.form.Ctl("btDocList").Enabled());
    EXPECT_FALSE(run.form.Ctl("btUsePrint").Enabled());
    EXPECT_FALSE(run.form.Ctl("chTotalByPerson").Enabled());
}

TEST_F(DebtOfClients, DepartmentAndManagerNarrowTheReport)
{
    auto pick = book->Db().Query("SELECT s.DepCode, p.PersonCode FROM REFClientPerson p JOIN REFStaffMember s ON "
                                 "s.EmployeeCode = p.PersonCode AND s.IsPrimary = 1 WHERE p.PersonRoleCode = 'MATS' "
                                 "ORDER BY s.DepCode, p.PersonCode");
    ASSERT_FALSE(pick.rows.empty());
    const std::string dep = pick.rows[0].at(0).ToText();
    const std::string per = pick.rows[0].at(1).ToText();
    DebtRun run(book,
                FillAnswers("2026-01-01", "2026-06-30",
                            "frmDebtOfClients.cbDepartment = " + dep + "\nfrmDebtOfClients.cbPerson = " + per + "\n"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    auto& grid = run.Grid();
    ASSERT_GT(grid.RowCount(), 0U);
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        if (grid.Cell(row, "RowType").ToInteger() == 3) continue;
        EXPECT_EQ(grid.Cell(row, "DepCode").ToText(), dep);
        if (grid.Cell(row, "RowType").ToInteger() != 0) {
            EXPECT_EQ(grid.Cell(row, "PerCode").ToText(), per);
        }
    }
    ExpectGridMatches(run, Date(2026, 1, 1), Date(2026, 6, 30), dep, per);

    // A code outside the reference is refused by the combo, naming it.
    DebtRun bad(book, "frmDebtOfClients.cbDepartment = X'; DROP TABLE REFClient; --\n");
    EXPECT_NE(bad.user.ErrorsText().find("cbDepartment"), std::string::npos) << bad.user.ErrorsText();
}

TEST_F(DebtOfClients, QuotesAndCommentMarkersInCodesAndNamesStayValues)
{
    // Inside a transaction that is rolled back: a department whose code holds a quote, a
    // semicolon and a comment marker, with one manager, and a client named the same way.
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    auto pick = db.Query("SELECT p.ClientCode, p.PersonCode FROM REFClientPerson p JOIN REFStaffMember s ON "
                         "s.EmployeeCode = p.PersonCode AND s.IsPrimary = 1 WHERE p.PersonRoleCode = 'MATS' AND "
                         "EXISTS (SELECT 1 FROM THPartyAttribute a JOIN THDocument d ON d.IDC = a.DocID WHERE "
                         "a.PartyCode = p.ClientCode AND d.DocTypeCode = 'PRSF' AND d.DocumentDate >= '2026-01-01') "
                         "ORDER BY p.ClientCode");
    ASSERT_FALSE(pick.rows.empty());
    const std::string client = pick.rows[0].at(0).ToText();
    const std::string person = pick.rows[0].at(1).ToText();
    const std::string odd = "D'X;--/*";
    db.Execute("INSERT INTO REFDepartment (Code, Name) VALUES (?, ?)", {Value(odd), Value("Odd ' dep")});
    db.Execute("UPDATE REFStaffMember SET DepCode = ? WHERE EmployeeCode = ? AND IsPrimary = 1",
               {Value(odd), Value(person)});
    db.Execute("UPDATE REFClient SET Name = ? WHERE Code = ?", {Value("O'Brien; -- /* x"), Value(client)});

    DebtRun run(book, FillAnswers("2026-01-01", "2026-12-31", "frmDebtOfClients.cbDepartment = " + odd + "\n"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    auto& grid = run.Grid();
    const long row = FindRow(grid, 2, [&](std::size_t r) { return grid.Cell(r, "ClnCode").ToText() == client; });
    ASSERT_GE(row, 0);
    EXPECT_EQ(grid.Cell(static_cast<std::size_t>(row), "Client").ToText(), client + ": O'Brien; -- /* x");
    EXPECT_EQ(grid.Cell(static_cast<std::size_t>(row), "DepCode").ToText(), odd);
    ExpectGridMatches(run, Date(2026, 1, 1), Date(2026, 12, 31), odd);
    auto documents = run.form.CellDocuments(row, "TotalSumm");
    EXPECT_EQ(SumOfDocuments(*documents), grid.Cell(static_cast<std::size_t>(row), "TotalSumm").ToCurrency());
}

TEST_F(DebtOfClients, SavedParametersComeBackForTheSameUserOnly)
{
    const std::string dep =
        book->Db().Query("SELECT MIN(Code) FROM REFDepartment WHERE IsGroup = 0").rows.at(0).at(0).ToText();
    {
        DebtRun run(book, FillAnswers("2026-02-10", "2026-04-10", "frmDebtOfClients.cbDepartment = " + dep + "\n"));
        ASSERT_EQ(run.user.ErrorsText(), "");
    }
    {
        DebtRun again(book, "");
        EXPECT_EQ(again.form.Ctl("edDateBeg").GetValue(), Value(Date(2026, 2, 1)));
        EXPECT_EQ(again.form.Ctl("edDateEnd").GetValue(), Value(Date(2026, 4, 30)));
        EXPECT_EQ(again.form.Ctl("cbDepartment").GetValue().ToText(), dep);
        EXPECT_EQ(again.form.Ctl("cbPerson").GetValue().ToText(), "");
        const std::string format = again.form.Ctl("edDateBeg").Format();
        EXPECT_EQ(format.substr(0, 2), "mm");
        EXPECT_EQ(format.substr(format.size() - 4), "yyyy");
    }
    auto other = Testing::OpenDemoBook(otherUserName);
    DebtRun theirs(other, "");
    // Nothing saved for that user: the Book's current month.
    EXPECT_EQ(theirs.form.Ctl("edDateBeg").GetValue(), Value(other->Today().FirstOfMonth()));
    EXPECT_EQ(theirs.form.Ctl("edDateEnd").GetValue(), Value(other->Today().LastOfMonth()));
    EXPECT_EQ(theirs.form.Ctl("cbDepartment").GetValue().ToText(), "");
}

TEST_F(DebtOfClients, MainRunsByNameUnderAScriptedUserAndPrints)
{
    Testing::ScriptedUser user(FillAnswers("2026-03-01", "2026-04-30") + "frmDebtOfClients.btUsePrint click\n");
    ClientApp app(user.Session());
    ClientApp::Scope appScope(app);
    auto object = Quarn_DuzAde::CreateObject("Quarn_DuzAde.CDebtOfClients");
    auto* main = dynamic_cast<Quarn_DuzAde::IMainEntry*>(object.get());
    ASSERT_NE(main, nullptr);
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    main->Main(params);
    EXPECT_EQ(user.ErrorsText(), "");
    ASSERT_EQ(user.ProgressRuns().size(), 1U);
    ASSERT_EQ(user.Session().Prints().size(), 1U);
    const auto& lines = user.Session().Prints()[0].lines;
    ASSERT_GT(lines.size(), 2U);
    EXPECT_EQ(lines[0], "Department\tManager\tClient\tTotal\tDebt before the period\t03\t04");
    // Without a Book there is nothing to open: the error is reported, not thrown.
    FieldList none;
    EXPECT_NO_THROW(main->Main(none));
}

TEST_F(DebtOfClients, CancelledFillLeavesAnEmptyGridWithItsControlsDisabled)
{
    DebtRun run(book, FillAnswers("2026-01-01", "2026-06-30") + "progress cancel 3\n");
    ASSERT_EQ(run.user.ErrorsText(), "");
    ASSERT_EQ(run.user.ProgressRuns().size(), 1U);
    EXPECT_TRUE(run.user.ProgressRuns()[0].cancelled);
    EXPECT_EQ(run.user.ProgressRuns()[0].stepsDone, 3);
    EXPECT_EQ(run.Grid().RowCount(), 0U);
    EXPECT_FALSE(run.form.Ctl("btDocList").Enabled());
    EXPECT_FALSE(run.form.Ctl("btUsePrint").Enabled());
}

TEST_F(DebtOfClients, DocumentWindowShowsTheCellsDatesAndTotal)
{
    struct Seen {
        Value begDate, endDate, footer;
        std::string client;
    };
    std::vector<Seen> seen;
    DebtRun run(book, "");
    const int id = run.user.Session().Subscribe([&](const Ui::WindowChange& change) {
        if (change.kind != Ui::WindowChange::Kind::WindowOpened || change.window != "frmDebtDocList") return;
        Ui::Form* window = run.user.Session().FindWindow("frmDebtDocList");
        seen.push_back({window->Ctl("edDateBeg").GetValue(), window->Ctl("edDateEnd").GetValue(),
                        window->ListCtl("grdDocs").Footer("AccNeedPaySum"),
                        window->Ctl("edClient").GetValue().ToText()});
    });
    // The first run closed the form; run it again with the answers.
    Testing::ScriptedUser& user = run.user;
    user.Set("frmDebtOfClients", "edDateBeg", "2026-02-01")
        .Set("frmDebtOfClients", "edDateEnd", "2026-05-31")
        .Click("frmDebtOfClients", "btFillList")
        .DblClick("frmDebtOfClients", "grdList", 1, "Summa1")
        .Close("frmDebtDocList")
        .DblClick("frmDebtOfClients", "grdList", 1, "BegRest")
        .Close("frmDebtDocList")
        .DblClick("frmDebtOfClients", "grdList", 1, "TotalSumm")
        .Close("frmDebtDocList");
    run.dialog.RunForm(false, false);
    run.user.Session().Unsubscribe(id);
    ASSERT_EQ(user.ErrorsText(), "");
    ASSERT_EQ(seen.size(), 3U);
    const std::size_t first = run.Grid().VisibleRows().at(0);
    const std::string client = run.Grid().Cell(first, "Client").ToText();
    EXPECT_EQ(seen[0].begDate, Value(Date(2026, 3, 1)));
    EXPECT_EQ(seen[0].endDate, Value(Date(2026, 3, 31)));
    EXPECT_EQ(seen[0].footer.ToCurrency(), run.Grid().Cell(first, "Summa1").ToCurrency());
    EXPECT_TRUE(seen[1].begDate.IsEmpty());
    EXPECT_EQ(seen[1].endDate, Value(Date(2026, 1, 31)));
    EXPECT_EQ(seen[1].footer.ToCurrency(), run.Grid().Cell(first, "BegRest").ToCurrency());
    EXPECT_EQ(seen[2].begDate, Value(Date(2026, 2, 1)));
    EXPECT_EQ(seen[2].endDate, Value(Date(2026, 5, 31)));
    EXPECT_EQ(seen[2].footer.ToCurrency(), run.Grid().Cell(first, "TotalSumm").ToCurrency());
    for (const auto& s : seen)
        EXPECT_EQ(s.client, client);
}
