// Sales by payment type over the demo company and rows of its own: the split's totals per
// pay type against an SQL of the same payments, the cube, the parameter form's refusals.

#include "quarn/sales/CRSaleByPayType.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/sales/frmRSaleByPayType.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

using namespace Talvex;
using Quarn_DuzAde::CRSaleByPayType;
using Quarn_DuzAde::PaySums;

namespace {

// Per invoice with goods rows: its total and what each pay type paid, by the rules written
// out again over the base tables (all the demo's documents are in the accounting currency or
// converted at the same day rate; the check keeps to those in the accounting currency).
constexpr const char* kReference = R"sql(
SELECT d.IDC, d.Summa,
       CASE WHEN a.CashRegState = 2 THEN d.Summa ELSE 0 END +
         (SELECT COALESCE(SUM(s.SummaCur), 0) FROM THPaySpec s JOIN THDocument p ON p.IDC = s.DocID
          WHERE s.CorDocID = d.IDC AND p.DocTypeCode IN ('KVT', 'KOP')),
       CASE WHEN a.CashRegState = 3 THEN d.Summa ELSE 0 END,
       (SELECT COALESCE(SUM(s.SummaCur), 0) FROM THPaySpec s JOIN THDocument p ON p.IDC = s.DocID
        WHERE s.CorDocID = d.IDC AND p.DocTypeCode IN ('MPP', 'MPPT')),
       (SELECT COALESCE(SUM(s.SummaCur), 0) FROM THPaySpec s JOIN THDocument p ON p.IDC = s.DocID
        WHERE s.CorDocID = d.IDC AND p.DocTypeCode IN ('BUSM', 'SUSM', 'USM')),
       (SELECT SUM(g.Summa) FROM THGoodSpec g WHERE g.DocID = d.IDC)
FROM THDocument d
LEFT JOIN THDocumentPRSF a ON a.DocID = d.IDC
WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.CurrencyCode = 'EUR'
  AND d.DocumentDate BETWEEN '2026-01-01' AND '2026-12-31'
  AND EXISTS (SELECT 1 FROM THGoodSpec g WHERE g.DocID = d.IDC)
)sql";

FieldList PeriodParams(const std::shared_ptr<Book>& book, const char* beg, const char* end, const char* dep = "")
{
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("BegPeriod", FieldType::kDate, Value(Date::Parse(beg)));
    params.Add("EndPeriod", FieldType::kDate, Value(Date::Parse(end)));
    params.Add("Department", FieldType::kCode, Value(std::string(dep)));
    return params;
}

void RunPass(CRSaleByPayType& report)
{
    for (long step = 1; step <= report.CountStep(); ++step)
        ASSERT_TRUE(report.Step(step));
}

class SaleByPayType : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("sale_by_pay_type_tester"); }
    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(SaleByPayType, EachInvoicesSplitAddsUpToWhatItsPaymentsSayToTheCent)
{
    auto report = std::make_shared<CRSaleByPayType>();
    FieldList params = PeriodParams(book, "2026-01-01", "2026-12-31");
    report->Prepare(params);
    RunPass(*report);

    std::map<std::int64_t, PaySums> split;
    std::map<std::int64_t, Currency> notPaid, rowSums;
    for (const auto& row : report->SplitRows()) {
        for (std::size_t t = 0; t < Quarn_DuzAde::kPayTypeCount; ++t)
            split[row.idc][t] += row.paid[t];
        notPaid[row.idc] += row.notPayed;
        rowSums[row.idc] += row.specSumma;
    }
    const auto expected = book->Db().Query(kReference);
    ASSERT_GT(expected.rows.size(), 50u);
    PaySums seen{};
    for (const auto& r : expected.rows) {
        const std::int64_t idc = r[0].ToInteger();
        ASSERT_TRUE(split.count(idc)) << "invoice " << idc;
        Currency given;
        for (std::size_t t = 0; t < Quarn_DuzAde::kPayTypeCount; ++t) {
            EXPECT_EQ(split[idc][t], r[2 + t].ToCurrency()) << "invoice " << idc << ", pay type " << t;
            given += split[idc][t];
            if (!split[idc][t].IsZero()) seen[t] = split[idc][t];
        }
        EXPECT_EQ(given + notPaid[idc], r[6].ToCurrency()) << "invoice " << idc;
    }
    // The demo company's invoices of the year are paid every way there is.
    for (std::size_t t = 0; t < Quarn_DuzAde::kPayTypeCount; ++t)
        EXPECT_FALSE(seen[t].IsZero()) << "pay type " << t;
}

// Each row's sum and VAT in the accounting currency, worked out apart: the latest rate of the
// invoice's currency dated up to its day, the product rounded half away from zero to cents;
// rows of invoices in the accounting currency as they stand. The rows come in invoice and
// position order, those of invoices without a buyer left out.
TEST_F(SaleByPayType, RowsInOtherCurrenciesAreConvertedAtTheRateOfTheInvoicesDay)
{
    auto report = std::make_shared<CRSaleByPayType>();
    FieldList params = PeriodParams(book, "2025-01-01", "2026-12-31");
    report->Prepare(params);
    const std::string sql = R"sql(
        SELECT g.DocID, d.CurrencyCode <> ')sql" + book->AccountCurrency() + R"sql(',
               CASE WHEN d.CurrencyCode = ')sql" + book->AccountCurrency() + R"sql(' THEN g.Summa ELSE ROUND(g.Summa * r.Rate, 2) END,
               CASE WHEN d.CurrencyCode = ')sql" + book->AccountCurrency() + R"sql(' THEN v.SummVAT ELSE ROUND(v.SummVAT * r.Rate, 2) END
        FROM THDocument d
        JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PIR'
        JOIN THGoodSpec g ON g.DocID = d.IDC
        JOIN REFGood good ON good.Code = g.GoodCode
        JOIN THGoodSpecPRSF v ON v.DocID = g.DocID AND v.PosNumb = g.PosNumb
        LEFT JOIN LATERAL (SELECT cr.Rate FROM REFCurrencyRate cr JOIN REFCurrency cu ON cu.Code = cr.CurrencyCode
                           WHERE cr.CurrencyCode = d.CurrencyCode AND cr.RateTypeCode = cu.DefaultRateType
                             AND cr.DateApply <= d.DocumentDate
                           ORDER BY cr.DateApply DESC LIMIT 1) r ON TRUE
        WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'
        ORDER BY g.DocID, g.PosNumb)sql";
    const auto expected = book->Db().QueryPostgres(sql);
    const auto& rows = report->SplitRows();
    ASSERT_EQ(rows.size(), expected.rows.size());
    std::size_t foreign = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& e = expected.rows[i];
        ASSERT_EQ(rows[i].idc, e[0].ToInteger()) << "row " << i;
        if (e[1].ToBool()) ++foreign;
        const Currency sum = e[2].IsNull() ? Currency() : e[2].ToCurrency();
        const Currency vat = e[3].IsNull() ? Currency() : e[3].ToCurrency();
        EXPECT_EQ(rows[i].specSumma, sum) << "invoice " << rows[i].idc << ", row " << i;
        EXPECT_EQ(rows[i].summVat, vat) << "invoice " << rows[i].idc << ", row " << i;
        EXPECT_EQ(rows[i].notPayed, rows[i].specSumma) << "before the pass nothing is paid";
    }
    // The demo company sells in other currencies too: the check saw them.
    EXPECT_GT(foreign, 10u);
}

TEST_F(SaleByPayType, AnInvoicePaidThreeWaysPartlyBeforeItsDateIsSplitByItsRowsWithoutVat)
{
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    db.Execute("INSERT INTO REFPerson (Code, FirstName, LastName) VALUES ('PB''1;--', 'Ona', 'O''Hara')");
    db.Execute("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted, Summa, CurrencyCode) "
               "VALUES ('PRSF', '2031-06-10', 'PT-1', 1, 181.50, 'EUR')");
    const std::int64_t inv = db.Query("SELECT IDC FROM THDocument WHERE Number = 'PT-1'").rows.at(0).at(0).ToInteger();
    db.Execute("INSERT INTO THDocumentPRSF (DocID, CashRegState) VALUES (?, 0)", {Value(inv)});
    db.Execute("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
               "VALUES (?, 'PRSF', 'PIR', 2, 'PB''1;--')",
               {Value(inv)});
    const std::string good = db.Query("SELECT MIN(Code) FROM REFGood WHERE IsGroup = 0").rows.at(0).at(0).ToText();
    db.Execute("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa) "
               "VALUES (?, 1, ?, 'VNT', 1, 1, 121.00), (?, 2, ?, 'VNT', 1, 1, 60.50)",
               {Value(inv), Value(good), Value(inv), Value(good)});
    db.Execute("INSERT INTO THGoodSpecPRSF (DocID, PosNumb, SummVAT) VALUES (?, 1, 21.00), (?, 2, 10.50)",
               {Value(inv), Value(inv)});
    // Cash paid before the invoice's date, commission and a set-off after it.
    for (const auto& [type, date, sum] :
         {std::tuple{"KVT", "2031-06-01", "50.00"}, std::tuple{"MPP", "2031-06-20", "100.00"},
          std::tuple{"SUSM", "2031-06-25", "31.50"}}) {
        db.Execute(
            "INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted, Summa, CurrencyCode) "
            "VALUES (?, ?, ?, 1, ?, 'EUR')",
            {Value(type), Value(Date::Parse(date)), Value(std::string("PT-") + type), Value(Currency::Parse(sum))});
        db.Execute("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) "
                   "SELECT IDC, ?, Summa, Summa FROM THDocument WHERE Number = ?",
                   {Value(inv), Value(std::string("PT-") + type)});
    }

    auto report = std::make_shared<CRSaleByPayType>();
    FieldList params = PeriodParams(book, "2031-06-01", "2031-06-30");
    report->Prepare(params);
    RunPass(*report);
    ASSERT_EQ(report->Invoices().size(), 1u);
    const auto& rows = report->SplitRows();
    ASSERT_EQ(rows.size(), 2u);
    // Net 100 and 50: two thirds and one third of each pay type.
    EXPECT_EQ(rows[0].paid[0], Currency::Parse("33.33"));
    EXPECT_EQ(rows[1].paid[0], Currency::Parse("16.67"));
    EXPECT_EQ(rows[0].paid[2], Currency::Parse("66.67"));
    EXPECT_EQ(rows[1].paid[2], Currency::Parse("33.33"));
    EXPECT_EQ(rows[0].paid[3], Currency::Parse("21.00"));
    EXPECT_EQ(rows[1].paid[3], Currency::Parse("10.50"));
    EXPECT_EQ(rows[0].notPayed, Currency());
    EXPECT_EQ(rows[1].notPayed, Currency());

    // The cube's source shows the private buyer by name.
    auto source = report->SourceRecordset();
    source->MoveFirst();
    EXPECT_EQ(source->Fields().Item("Client").Value().ToText(), "PB'1;-- : Ona O'Hara");
    EXPECT_EQ(source->Fields().Item("Department").Value().ToText(), "--");

    // A department given narrows the invoices to it: this one has none.
    auto narrowed = std::make_shared<CRSaleByPayType>();
    FieldList other = PeriodParams(book, "2031-06-01", "2031-06-30", "PARD-V");
    narrowed->Prepare(other);
    EXPECT_EQ(narrowed->CountStep(), 0);
}

TEST_F(SaleByPayType, TheFormRefusesAReversedPeriodAndAnUnknownDepartmentAtTheirControls)
{
    {
        Testing::ScriptedUser user("frmRSaleByPayType.edBegDate = 2026-12-31\nfrmRSaleByPayType.edEndDate = "
                                   "2026-01-01\nfrmRSaleByPayType.btOk click\nmessage Gerai\n"
                                   "frmRSaleByPayType.btCancel click\n");
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        Quarn_DuzAde::frmRSaleByPayType form(book);
        FieldList params = PeriodParams(book, "2026-01-01", "2026-01-31");
        EXPECT_FALSE(form.Run(params));
        ASSERT_FALSE(user.MessageTexts().empty());
        EXPECT_EQ(user.MessageTexts().front(),
                  "frmRSaleByPayType.edEndDate: The first day of the period is after its last day.");
        // Cancelled: the parameters stay as they were.
        EXPECT_EQ(params.Item("EndPeriod").GetValue().ToDate(), Date(2026, 1, 31));
    }
    {
        Testing::ScriptedUser user("frmRSaleByPayType.cbDep = X'; --\nfrmRSaleByPayType.btOk click\n");
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        Quarn_DuzAde::frmRSaleByPayType form(book);
        FieldList params = PeriodParams(book, "2026-01-01", "2026-01-31");
        EXPECT_FALSE(form.Run(params));
        const std::string all = user.ErrorsText() + (user.MessageTexts().empty() ? "" : user.MessageTexts().front());
        EXPECT_NE(all.find("cbDep"), std::string::npos) << all;
    }
    {
        Testing::ScriptedUser user("frmRSaleByPayType.edBegDate = 2026-02-01\nfrmRSaleByPayType.edEndDate = "
                                   "2026-02-28\nfrmRSaleByPayType.cbDep = PARD-V\nfrmRSaleByPayType.btOk click\n");
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        Quarn_DuzAde::frmRSaleByPayType form(book);
        FieldList params = PeriodParams(book, "2026-01-01", "2026-01-31");
        EXPECT_TRUE(form.Run(params));
        EXPECT_EQ(params.Item("BegPeriod").GetValue().ToDate(), Date(2026, 2, 1));
        EXPECT_EQ(params.Item("Department").GetValue().ToText(), "PARD-V");
    }
}

// The whole road: the host runs the report, the dialog is answered, the cube shows the
// split, and a cell lists its invoice rows, whose sums add up to it, and its payment documents.
TEST_F(SaleByPayType, ACellListsItsInvoiceRowsAndItsPaymentDocuments)
{
    Testing::ScriptedUser user;
    user.Set("frmRSaleByPayType", "edBegDate", "2026-02-01")
        .Set("frmRSaleByPayType", "edEndDate", "2026-02-28")
        .Click("frmRSaleByPayType", "btOk")
        .Accept("CubeSrcList")
        .Accept("CubeSrcList");
    ClientApp app{user.Session()};
    ClientApp::Scope scope{app};
    auto report = std::make_shared<CRSaleByPayType>();
    report->SetVisual(true);
    FieldList in;
    in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    FieldList out;
    EXPECT_FALSE(report->Run(in, out));
    ASSERT_EQ(user.ErrorsText(), "");
    auto* window = dynamic_cast<CubeWindow*>(user.Session().FindWindow(CubeWindow::kFormName));
    ASSERT_NE(window, nullptr);
    CCube& cube = window->CubeControl();
    EXPECT_EQ(window->Caption(), "Sales by payment type");
    const auto& grid = cube.cube().Grid();
    auto year = grid.FindColHeader({Value(std::int64_t{2026})});
    ASSERT_TRUE(year);
    // The department that sold most in cash.
    std::size_t best = 0;
    double bestCash = -1;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        if (grid.RowHeader(row).IsGrandTotal()) continue;
        const double v = grid.FactValue(row, *year, "Cash").value_or(0);
        if (v > bestCash) bestCash = v, best = row;
    }
    ASSERT_GT(bestCash, 0);
    const double cellSum = grid.FactValue(best, *year, "SpecSumma").value_or(0);
    cube.UserDblClickCell(grid.ColumnOf(*year, "Cash"), best);
    ASSERT_EQ(user.ErrorsText(), "");
    ASSERT_NE(report->Wrapper(), nullptr);
    auto* list = report->Wrapper()->ListForm();
    ASSERT_NE(list, nullptr);
    const auto& rows = list->GridCtl("SpecGrid");
    ASSERT_GT(rows.RowCount(), 0u);
    double shownSum = 0;
    for (std::size_t r = 0; r < rows.RowCount(); ++r)
        shownSum += rows.Cell(r, "SpecSumma").ToDouble();
    EXPECT_NEAR(shownSum, cellSum, 0.005);

    cube.UserFocusCell(grid.ColumnOf(*year, "Cash"), best);
    cube.UserChooseMenu(2);
    ASSERT_EQ(user.ErrorsText(), "");
    auto* payments = report->Wrapper()->ListForm();
    ASSERT_NE(payments, nullptr);
    const auto& shown = payments->GridCtl("SpecGrid");
    ASSERT_TRUE(shown.FindColumn("PayDocDate") && shown.FindColumn("Summa"));
    EXPECT_GT(shown.RowCount(), 0u);
}
