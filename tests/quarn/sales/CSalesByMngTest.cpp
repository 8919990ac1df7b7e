// Sales by department and manager over the demo company and rows of its own: totals against
// an SQL of the same figures, returns and parents, the form's refusal, the print.

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/sales/SalesByMngDlg.hpp"
#include "quarn/sales/SalesByMngReference.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::SalesByMngDlg;

namespace {

struct MngRun {
    MngRun(std::shared_ptr<Book> book, const std::string& answers) : user(answers)
    {
        param.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        form.Init(dialog, param);
        dialog.Init(form, nullptr, Value());
        dialog.RunForm(false, false);
    }
    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    FieldList param;
    SalesByMngDlg form;
    Ui::BaseDialog dialog;
};

std::string Fill(const std::string& beg, const std::string& end, const std::string& extra = "")
{
    return "SalesByMngDlg.edDateBeg = " + beg + "\nSalesByMngDlg.edDateEnd = " + end +
           "\nSalesByMngDlg.btFillList click\n" + extra;
}

class SalesByManager : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("sales_by_manager_tester"); }
    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(SalesByManager, LinesOfAYearMatchAnSqlOfTheSameFigures)
{
    ASSERT_EQ(book->AccountCurrency(), "EUR");
    MngRun run(book, Fill("2025-01-01", "2025-12-31"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    const auto& lines = run.form.Lines();
    ASSERT_GT(lines.size(), 3u);
    std::map<std::pair<std::string, std::string>, Currency> got;
    bool subsidiary = false;
    for (const auto& line : lines) {
        got[{line.depCode.value_or(""), line.personCode}] += line.summa;
        subsidiary = subsidiary || line.posNumb == 1;
    }
    EXPECT_TRUE(subsidiary) << "the demo company sells to a subsidiary in 2025";
    const auto expected =
        book->Db().Query(Testing::kSalesByManager, {Value(Date(2025, 1, 1)), Value(Date(2025, 12, 31))});
    ASSERT_EQ(expected.rows.size(), got.size());
    for (const auto& row : expected.rows) {
        const auto key = std::make_pair(row[0].ToText(), row[1].ToText());
        ASSERT_TRUE(got.count(key)) << key.first << " / " << key.second;
        EXPECT_EQ(got[key], row[2].ToCurrency()) << key.first << " / " << key.second;
    }
    // Subsidiaries come after every department line.
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_LE(lines[i - 1].posNumb, lines[i].posNumb);
    // The grid shows the lines, with their total under them.
    auto& grid = run.form.ListCtl("grdList");
    ASSERT_EQ(grid.RowCount(), lines.size());
    Currency total;
    for (const auto& line : lines)
        total += line.totalSum;
    EXPECT_EQ(grid.Footer("TotalSum").ToCurrency(), total);
}

TEST_F(SalesByManager, ReturnsOfRowsWithoutQuantityAndParentsDepartmentsAreHandled)
{
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    const std::string odd = "D'X;--/*";
    db.Execute("INSERT INTO REFDepartment (Code, Name) VALUES (?, 'Odd dep'), ('DOWN', 'Own dep')", {Value(odd)});
    db.Execute("INSERT INTO REFPerson (Code, FirstName, LastName, UserID) VALUES ('PX', 'Ona', 'O''Neil', 990001)");
    db.Execute("INSERT INTO REFClient (Code, Name) VALUES ('KX', 'Buyer')");
    // An invoice of the odd department: a row of 2 units for 100 net, a row of 0 units for 10.
    db.Execute("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted, Department, Author, CurrencyCode) "
               "VALUES ('PRSF', '2031-02-01', 'MX-1', 1, ?, 990001, 'EUR')",
               {Value(odd)});
    const std::int64_t inv = db.Query("SELECT IDC FROM THDocument WHERE Number = 'MX-1'").rows.at(0).at(0).ToInteger();
    db.Execute("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa) VALUES "
               "(?, 1, 'G', 'VNT', 2, 2, 121.00), (?, 2, 'G', 'VNT', 0, 0, 12.10)",
               {Value(inv), Value(inv)});
    db.Execute("INSERT INTO THGoodSpecPRSF (DocID, PosNumb, SummVAT) VALUES (?, 1, 21.00), (?, 2, 2.10)",
               {Value(inv), Value(inv)});
    // A return of its own department "DOWN" whose parent is the invoice: one unit of row 1
    // (half its net, 50) and row 2 of 0 units (nothing).
    db.Execute("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted, Department, ParentID, "
               "CurrencyCode) VALUES ('GPG', '2031-02-10', 'MX-R', 1, 'DOWN', ?, 'EUR')",
               {Value(inv)});
    const std::int64_t ret = db.Query("SELECT IDC FROM THDocument WHERE Number = 'MX-R'").rows.at(0).at(0).ToInteger();
    db.Execute("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa) VALUES "
               "(?, 1, 'G', 'VNT', 1, 1, 60.50), (?, 2, 'G', 'VNT', 1, 1, 12.10)",
               {Value(ret), Value(ret)});
    db.Execute("INSERT INTO THGoodSpecGPG (DocID, PosNumb, SummVAT) VALUES (?, 1, 10.50), (?, 2, 2.10)",
               {Value(ret), Value(ret)});
    db.Execute("INSERT INTO THGoodContent (SpecID, CorSpecID, LinkKindCode, AmountAccount) "
               "SELECT r.IDC, i.IDC, 'GR', 1 FROM THGoodSpec r JOIN THGoodSpec i ON i.DocID = ? AND i.PosNumb = "
               "r.PosNumb WHERE r.DocID = ?",
               {Value(inv), Value(ret)});
    for (const std::int64_t doc : {inv, ret})
        db.Execute("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
                   "SELECT IDC, DocTypeCode, 'PIR', 1, 'KX' FROM THDocument WHERE IDC = ?",
                   {Value(doc)});

    MngRun run(book, Fill("2031-02-01", "2031-02-28"));
    ASSERT_EQ(run.user.ErrorsText(), "");
    const auto& lines = run.form.Lines();
    ASSERT_EQ(lines.size(), 1u) << "the return counts under its parent's department, not DOWN";
    EXPECT_EQ(*lines[0].depCode, odd);
    EXPECT_EQ(lines[0].person, "PX : Ona O'Neil");
    // 100 + 10 sold, 50 returned, the return of the row without quantity counts nothing.
    EXPECT_EQ(lines[0].summa, Currency::Parse("60.00"));
    EXPECT_EQ(lines[0].summVat, Currency::Parse("12.60"));
    ASSERT_EQ(run.form.Rows().size(), 4u);

    // The client becomes a subsidiary: the whole line moves under it.
    db.Execute("UPDATE REFClient SET IsSubsidiary = 1 WHERE Code = 'KX'");
    MngRun again(book, Fill("2031-02-01", "2031-02-28"));
    ASSERT_EQ(again.form.Lines().size(), 1u);
    EXPECT_EQ(again.form.Lines()[0].posNumb, 1);
    EXPECT_EQ(again.form.Lines()[0].personCode, "KX");
    EXPECT_FALSE(again.form.Lines()[0].depCode.has_value());
}

TEST_F(SalesByManager, ARefusedPeriodNamesItsFieldAndThePrintCarriesTheDepartmentTotals)
{
    {
        MngRun run(book, Fill("2026-03-31", "2026-03-01", "message Gerai\n"));
        ASSERT_FALSE(run.user.MessageTexts().empty());
        EXPECT_EQ(run.user.MessageTexts().front(),
                  "SalesByMngDlg.edDateEnd: The first day of the period is after its last day.");
        EXPECT_TRUE(run.form.Lines().empty());
    }
    {
        MngRun run(book, Fill("1990-01-01", "1990-01-31", "message Gerai\n"));
        EXPECT_EQ(run.user.MessageTexts(), std::vector<std::string>{"The data list is empty."});
    }
    {
        MngRun run(book, Fill("2026-03-01", "2026-03-31", "SalesByMngDlg.btUsePrint click\n"));
        ASSERT_EQ(run.user.ErrorsText(), "");
        const auto& printed = run.user.Session().Prints();
        ASSERT_EQ(printed.size(), 1u);
        EXPECT_EQ(printed[0].reportCode, "SalesRep");
        EXPECT_NE(printed[0].html.find("Totals by department"), std::string::npos);
        EXPECT_NE(printed[0].html.find("UAB Talvex"), std::string::npos);
        // Each department's text is in the body and once more in the sub-report.
        const std::string dep = run.form.Lines().front().department;
        const auto first = printed[0].html.find(dep);
        ASSERT_NE(first, std::string::npos);
        EXPECT_NE(printed[0].html.find(dep, printed[0].html.find("Totals by department")), std::string::npos);
    }
}
