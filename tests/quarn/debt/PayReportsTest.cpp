#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/debt/CDetailDocPayment.hpp"
#include "quarn/debt/CPaymentDocByPRSF.hpp"
#include "quarn/debt/CReportDebtPayAnalysis.hpp"
#include "quarn/debt/PayReportsReference.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

class PayReports : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("pay_reports_tester"); }

    void AddBook(FieldList& in) { in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book))); }

    static std::shared_ptr<Data::Recordset> ResultOf(const FieldList& out)
    {
        return std::dynamic_pointer_cast<Data::Recordset>(out.Item("DataList").GetValue().ToObject());
    }

    static bool HasMessage(const Testing::ScriptedUser& user, const std::string& start)
    {
        const auto texts = user.MessageTexts();
        return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.starts_with(start); });
    }

    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(PayReports, AnalysisTotalsOverAllTermsMatchTheTables)
{
    DebtPayAnalysisQuery query;
    query.dateBeg = Date::Parse("2000-01-01");
    query.dateEnd = Date::Parse("2030-12-31");
    query.repDate = Date::Parse("2026-06-30");
    const auto rows = CReportDebtPayAnalysis::Analyse(book, query);
    std::map<std::string, const DebtPayAnalysisRow*> grand;
    Currency clientsDue;
    for (const auto& row : rows) {
        if (row.kind == DebtPayAnalysisKind::GrandTotal) grand[row.currencyCode] = &row;
        if (row.kind == DebtPayAnalysisKind::ClientTotal) clientsDue += row.due;
    }
    auto expected =
        book->Db().QueryPostgres(Testing::kDebtPayAnalysisByCurrency, {Value(query.repDate), Value(query.dateEnd)});
    ASSERT_FALSE(expected.rows.empty());
    ASSERT_EQ(grand.size(), expected.rows.size());
    Currency grandDue;
    for (const auto& e : expected.rows) {
        const std::string currency = e.at(0).ToText();
        SCOPED_TRACE(currency);
        ASSERT_TRUE(grand.count(currency));
        const DebtPayAnalysisRow& g = *grand[currency];
        EXPECT_EQ(g.invoices, e.at(1).ToInteger());
        EXPECT_EQ(g.due, e.at(2).ToCurrency());
        EXPECT_EQ(g.paid, e.at(3).ToCurrency());
        EXPECT_EQ(g.open, g.due - g.paid);
        EXPECT_LE(g.overdue, g.open);
        EXPECT_LE(g.paidOnTime, g.paid);
        grandDue += g.due;
    }
    EXPECT_EQ(clientsDue, grandDue);
}

TEST_F(PayReports, AnalysisFromTheFormRefusesBadInputAndSaysWhenNothingFellDue)
{
    {
        Testing::ScriptedUser user;
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        user.Set("frmDebtPayAnalysis", "edDateBeg", "2026-03-01")
            .Set("frmDebtPayAnalysis", "edDateEnd", "2026-02-01")
            .Click("frmDebtPayAnalysis", "btOK")
            .Set("frmDebtPayAnalysis", "edDateEnd", "2026-03-31")
            .Set("frmDebtPayAnalysis", "cbClient", "K1'; DROP TABLE THDocument --")
            .Click("frmDebtPayAnalysis", "btOK")
            .Click("frmDebtPayAnalysis", "btCancel");
        FieldList in, out;
        AddBook(in);
        CReportDebtPayAnalysis report;
        report.SetVisual(true);
        EXPECT_FALSE(report.Run(in, out));
        EXPECT_TRUE(HasMessage(user, "frmDebtPayAnalysis.edDateEnd: the period ends (2026-02-01)"));
        EXPECT_TRUE(HasMessage(
            user, "frmDebtPayAnalysis.cbClient: there is no client with the code 'K1'; DROP TABLE THDocument --'"));
        EXPECT_FALSE(book->Db().Query("SELECT COUNT(*) FROM THDocument").rows.empty());
    }
    {
        Testing::ScriptedUser user;
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        user.Set("frmDebtPayAnalysis", "edDateBeg", "2001-01-01")
            .Set("frmDebtPayAnalysis", "edDateEnd", "2001-12-31")
            .Set("frmDebtPayAnalysis", "edRepDate", "2026-06-30")
            .Click("frmDebtPayAnalysis", "btOK");
        FieldList in, out;
        AddBook(in);
        CReportDebtPayAnalysis report;
        report.SetVisual(true);
        ASSERT_TRUE(report.Run(in, out)) << user.ErrorsText();
        EXPECT_EQ(ResultOf(out)->RecordCount(), 0);
        EXPECT_TRUE(HasMessage(user, "No terms fell due from 2001-01-01 to 2001-12-31."));
    }
}

TEST_F(PayReports, DetailOfADocumentWithTermsAndPaymentsMatchesTheTables)
{
    auto pick = book->Db().QueryPostgres(R"sql(
        SELECT d.IDC, d.Number,
               GREATEST(d.Summa, (SELECT sum(t.Summa) FROM THDocumentPayTerm t WHERE t.DocID = d.IDC)),
               COALESCE((SELECT sum(ps.SummaCur) FROM THPaySpec ps JOIN THDocument pay ON pay.IDC = ps.DocID
                         WHERE ps.CorDocID = d.IDC AND pay.IsPosted = 1 AND ps.SummaCur > 0
                           AND pay.DocumentDate <= '2026-06-30'), 0)
        FROM THDocument d
        WHERE d.DocTypeCode = 'PRSF' AND (SELECT count(*) FROM THDocumentPayTerm t WHERE t.DocID = d.IDC) >= 2
          AND EXISTS (SELECT 1 FROM THPaySpec ps WHERE ps.CorDocID = d.IDC)
        ORDER BY d.IDC LIMIT 1)sql");
    ASSERT_EQ(pick.rows.size(), 1u);
    const std::string number = pick.rows[0].at(1).ToText();
    const Currency need = pick.rows[0].at(2).ToCurrency();
    const Currency paid = pick.rows[0].at(3).ToCurrency();

    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope scope{app};
    user.Set("frmDetailDocPayment", "cbDocument", "NO-SUCH'; --")
        .Click("frmDetailDocPayment", "btOK")
        .Set("frmDetailDocPayment", "cbDocument", number)
        .Set("frmDetailDocPayment", "edRepDate", "2026-06-30")
        .Click("frmDetailDocPayment", "btOK");
    FieldList in, out;
    AddBook(in);
    CDetailDocPayment report;
    report.SetVisual(true);
    ASSERT_TRUE(report.Run(in, out)) << user.ErrorsText();
    EXPECT_TRUE(
        HasMessage(user, "frmDetailDocPayment.cbDocument: there is no document with the number 'NO-SUCH'; --'"));
    EXPECT_EQ(out.Item("DocID").GetValue().ToInteger(), pick.rows[0].at(0).ToInteger());

    auto rs = ResultOf(out);
    ASSERT_TRUE(rs);
    Currency laid, overpaid;
    long terms = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto& f = rs->Fields();
        EXPECT_EQ(f.Item("Number").Value().ToText(), number);
        const std::string note = f.Item("Note").Value().ToText();
        if (note == "total") {
            EXPECT_EQ(f.Item("NeedPaySum").Value().ToCurrency(), need);
            EXPECT_EQ(f.Item("PaySum").Value().ToCurrency(), paid);
            EXPECT_EQ(f.Item("OpenRest").Value().ToCurrency(), need - paid);
        } else if (note == "overpaid") {
            overpaid += f.Item("PaySum").Value().ToCurrency();
        } else if (!f.Item("TermNo").Value().IsEmpty()) {
            terms = std::max<long>(terms, static_cast<long>(f.Item("TermNo").Value().ToInteger()));
            if (!f.Item("PayDocID").Value().IsEmpty()) laid += f.Item("PaySum").Value().ToCurrency();
        }
    }
    EXPECT_GE(terms, 2);
    EXPECT_EQ(laid + overpaid, paid);
}

TEST_F(PayReports, PaymentDocumentsByInvoiceTotalsMatchTheTables)
{
    PaymentDocByPRSFQuery query;
    query.dateBeg = Date::Parse("2026-01-01");
    query.dateEnd = Date::Parse("2026-03-31");
    query.repDate = Date::Parse("2026-06-30");
    const auto rows = CPaymentDocByPRSF::Compute(book, query);
    auto expected = book->Db().QueryPostgres(Testing::kPaymentsOfSaleInvoicesByCurrency,
                                             {Value(query.dateBeg), Value(query.dateEnd), Value(query.repDate)});
    ASSERT_FALSE(expected.rows.empty());
    std::vector<const PaymentDocByPRSFRow*> totals;
    bool unpaid = false, several = false;
    std::map<std::int64_t, int> linesOf;
    for (const auto& row : rows) {
        if (row.kind == PaymentDocByPRSFKind::Total) totals.push_back(&row);
        if (row.kind == PaymentDocByPRSFKind::Unpaid) unpaid = true;
        if (row.kind == PaymentDocByPRSFKind::Payment) several = ++linesOf[row.invoice.idc] > 1 || several;
    }
    ASSERT_EQ(totals.size(), expected.rows.size());
    for (std::size_t i = 0; i < totals.size(); ++i) {
        SCOPED_TRACE(totals[i]->invoice.currencyCode);
        EXPECT_EQ(totals[i]->invoice.currencyCode, expected.rows[i].at(0).ToText());
        EXPECT_EQ(totals[i]->invoices, expected.rows[i].at(1).ToInteger());
        EXPECT_EQ(totals[i]->invoice.summa, expected.rows[i].at(2).ToCurrency());
        EXPECT_EQ(totals[i]->linked, expected.rows[i].at(3).ToCurrency());
        EXPECT_EQ(totals[i]->rest, totals[i]->invoice.summa - totals[i]->linked);
    }
    // The demo company's quarter has invoices paid in several payments and some not at all.
    EXPECT_TRUE(unpaid);
    EXPECT_TRUE(several);
}

TEST_F(PayReports, PaymentDocumentsByInvoiceFromTheFormRefusesBadInputAndSaysWhenEmpty)
{
    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope scope{app};
    user.Set("frmPaymentDocByPRSF", "edDateBeg", "2001-01-01")
        .Set("frmPaymentDocByPRSF", "edDateEnd", "2001-01-31")
        .Set("frmPaymentDocByPRSF", "edRepDate", "2000-12-31")
        .Click("frmPaymentDocByPRSF", "btOK")
        .Set("frmPaymentDocByPRSF", "edRepDate", "2001-02-28")
        .Click("frmPaymentDocByPRSF", "btOK");
    FieldList in, out;
    AddBook(in);
    CPaymentDocByPRSF report;
    report.SetVisual(true);
    ASSERT_TRUE(report.Run(in, out)) << user.ErrorsText();
    EXPECT_TRUE(HasMessage(user, "frmPaymentDocByPRSF.edRepDate: the report date (2000-12-31) falls before"));
    EXPECT_TRUE(HasMessage(user, "No sale invoices from 2001-01-01 to 2001-01-31."));
    EXPECT_EQ(ResultOf(out)->RecordCount(), 0);
}

// Both reports over a period read it alike: the report date is the period's end unless given,
// a reversed period or a missing day is refused naming its parameter, the client passes on;
// the analysis adds its direction.
TEST(PayReportsQuery, PeriodReportDateAndClientAreReadAlikeAndRefusedByName)
{
    FieldList params;
    params.Add("DateBeg", FieldType::kDate, Value(Date(2026, 1, 1)));
    params.Add("DateEnd", FieldType::kText, Value(std::string("2026-03-31")));
    params.Add("Client", FieldType::kCode, Value(std::string("K'1; --")));
    const PaymentDocByPRSFQuery prsf = CPaymentDocByPRSF::QueryOf(params);
    EXPECT_EQ(prsf.dateBeg, Date(2026, 1, 1));
    EXPECT_EQ(prsf.dateEnd, Date(2026, 3, 31));
    EXPECT_EQ(prsf.repDate, Date(2026, 3, 31));
    EXPECT_EQ(prsf.client, "K'1; --");
    const DebtPayAnalysisQuery analysis = CReportDebtPayAnalysis::QueryOf(params);
    EXPECT_EQ(analysis.repDate, Date(2026, 3, 31));
    EXPECT_EQ(analysis.client, "K'1; --");
    EXPECT_EQ(analysis.direction, 2);

    params.Add("RepDate", FieldType::kDate, Value(Date(2026, 4, 15)));
    params.Add("Direction", FieldType::kText, Value(std::string("1")));
    EXPECT_EQ(CPaymentDocByPRSF::QueryOf(params).repDate, Date(2026, 4, 15));
    EXPECT_EQ(CReportDebtPayAnalysis::QueryOf(params).direction, 1);

    const auto refusal = [](const FieldList& p) {
        try {
            CPaymentDocByPRSF::QueryOf(p);
        } catch (const ValueError& e) {
            return std::string(e.what()).substr(0, std::string(e.what()).find(':'));
        }
        return std::string();
    };
    params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
    EXPECT_EQ(refusal(params), "DateEnd");
    params.Add("DateBeg", FieldType::kDate, Value());
    EXPECT_EQ(refusal(params), "DateBeg");
}
