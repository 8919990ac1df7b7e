#include "host/data/Connection.hpp"
#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/ScriptDriver.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/CreateVornUserDialogs.hpp"
#include "quarn/frame/TalvexUserDialogs.hpp"
#include "quarn/frame/frmCPAY.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

struct CashPlanDialog : ::testing::Test {
    void Answer(const std::string& script)
    {
        driver = std::make_unique<Ui::ScriptDriver>(Ui::AnswerScript::Parse(script));
        driver->Attach(session);
    }
    std::string Text(const std::string& sql)
    {
        auto rs = book->Db().QueryPostgres(sql);
        return rs.rows.at(0).at(0).IsNull() ? std::string() : rs.rows.at(0).at(0).ToText();
    }
    Ui::Session session;
    Ui::Session::Scope sessionScope{session};
    ClientApp app{session};
    ClientApp::Scope appScope{app};
    std::unique_ptr<Ui::ScriptDriver> driver;
    std::shared_ptr<Book> book = Testing::OpenDemoBook("tester");
};

} // namespace

TEST_F(CashPlanDialog, FactoryGivesThePlanItsEditorWhoseHeaderAndLinesAreSavedThroughThePlan)
{
    EXPECT_TRUE(std::dynamic_pointer_cast<frmCPAY>(CreateVornUserDialogs().CreateDialogs("THDocument", Value("CPAY"))));
    EXPECT_EQ(CreateVornUserDialogs().CreateDialogs("THDocument", Value("PRSF")), nullptr);

    Data::Transaction unit(book->Db());
    auto plan = std::make_shared<Erp::CashPlanDocument>(book);
    plan->New(2034);
    plan->SetLineValue(plan->AddLine(), "Summa", Value(Currency::FromInteger(100)));
    plan->SetLineValue(0, "NeedPayDate", Value(Date(2034, 2, 1)));

    TalvexUserDialogs dialogs;
    dialogs.Init(plan, nullptr, Value("CPAY"));
    auto* form = dynamic_cast<frmCPAY*>(dialogs.UserForm());
    ASSERT_NE(form, nullptr);
    // A line added and removed again from the list's menu, the plan closed, then saved.
    Answer("frmCPAY.SpecList menu INS\n"
           "frmCPAY.SpecList cell 2 Summa\n"
           "frmCPAY.SpecList menu DEL\n"
           "frmCPAY.SpecList menu INS\n"
           "frmCPAY.SpecList edit 2 Summa = 25\n"
           "frmCPAY.chIsClosed = True\n"
           "frmCPAY accept\n");
    EXPECT_TRUE(dialogs.RunForm(false, false, nullptr));
    EXPECT_TRUE(session.Errors().empty()) << session.Errors().front().message;
    EXPECT_EQ(form->Get_oDoc(), plan.get());
    ASSERT_GT(plan->IDC(), 0);
    EXPECT_EQ(Text("SELECT DocumentDate || ' ' || IsClosed || ' ' || Summa FROM THDocument WHERE IDC = " +
                   std::to_string(plan->IDC())),
              "2034-01-01 1 125.0000");
    EXPECT_EQ(Text("SELECT string_agg(PosNumb || ':' || NeedPayDate || ':' || PaymentTypeCode, ' ' ORDER BY PosNumb) "
                   "FROM THGoodSpecCPAY WHERE DocID = " +
                   std::to_string(plan->IDC())),
              "1:2034-02-01:BANK 2:2034-01-01:BANK");

    // A second plan of the year is refused when the user saves it: the error is shown and
    // nothing is written.
    auto second = std::make_shared<Erp::CashPlanDocument>(book);
    second->New(2034);
    TalvexUserDialogs again;
    again.Init(second, nullptr, Value("CPAY"));
    Answer("frmCPAY accept\n");
    again.RunForm(false, false, nullptr);
    ASSERT_FALSE(session.Errors().empty());
    EXPECT_EQ(session.Errors().front().message, "A cash payment plan of 2034 already exists");
    EXPECT_EQ(Text("SELECT count(*) FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = '2034-01-01'"), "1");
}

TEST_F(CashPlanDialog, GridEditsGoThroughThePlanAndRefusalsStayAtTheirCell)
{
    Data::Transaction unit(book->Db());
    const std::string client = Text("SELECT min(Code) FROM REFClient WHERE IsGroup = 0");
    const std::string clientName = Text("SELECT Name FROM REFClient WHERE Code = '" + client + "'");
    auto plan = std::make_shared<Erp::CashPlanDocument>(book);
    plan->New(2041);
    plan->SetLineValue(plan->AddLine(), "Summa", Value(Currency::FromInteger(5)));
    plan->SetLineValue(0, "PaymentTypeCode", Value("CASH"));
    plan->SetLineValue(0, "NeedPayDate", Value(Date(2041, 3, 15)));
    plan->SetLineValue(plan->AddLine(), "Summa", Value(Currency::FromInteger(7)));

    TalvexUserDialogs dialogs;
    dialogs.Init(plan, nullptr, Value("CPAY"));
    auto* form = dynamic_cast<frmCPAY*>(dialogs.UserForm());
    ASSERT_NE(form, nullptr);
    Answer("");
    dialogs.RunForm(false, true, nullptr);
    auto& list = form->Get_SpecList();
    ASSERT_EQ(list.RowCount(), 2u);

    // An unknown client stays typed at its cell with the problem; the plan keeps its line.
    EXPECT_THROW(form->UserEditCell("SpecList", 0, "Client", Value("NO-SUCH")), ValueError);
    const auto* refusal = list.RefusalAt(0, list.ColumnIndex("Client"));
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(refusal->text, "NO-SUCH");
    EXPECT_EQ(refusal->message, "Klientas (Client): no client 'NO-SUCH'");
    EXPECT_EQ(plan->Lines()[0].client, "");
    EXPECT_THROW(form->UserEditCell("SpecList", 1, "Summa", Value("-3")), ValueError);
    EXPECT_EQ(plan->Lines()[1].summa, Currency::FromInteger(7));

    // Accepted edits reach the plan and the names beside them follow.
    form->UserEditCell("SpecList", 0, "Client", Value(client));
    EXPECT_EQ(plan->Lines()[0].client, client);
    EXPECT_EQ(list.Cell(0, "ClientName").ToText(), clientName);
    EXPECT_EQ(list.RefusalAt(0, list.ColumnIndex("Client")), nullptr);
    form->UserEditCell("SpecList", 1, "Summa", Value("12.5"));
    EXPECT_EQ(form->Ctl("edSum").GetValue().ToCurrency(), Currency::Parse("17.5"));

    // A row added gets the plan's defaults; a row deleted takes its line, positions close up.
    form->UserAddRow("SpecList");
    ASSERT_EQ(plan->Lines().size(), 3u);
    EXPECT_EQ(list.Cell(2, "PaymentTypeCode").ToText(), "BANK");
    EXPECT_EQ(list.Cell(2, "PaymentTypeName").ToText(), "Bank transfer");
    EXPECT_EQ(list.Cell(2, "NeedPayDate").ToDate(), Date(2041, 1, 1));
    form->UserDeleteRow("SpecList", 1);
    ASSERT_EQ(plan->Lines().size(), 2u);
    EXPECT_EQ(plan->Lines()[1].summa, Currency());
    EXPECT_EQ(list.Cell(1, "PosNumb").ToInteger(), 2);

    // The periodic fill: the plan's CASH line of 2041 is deleted first, as the question's
    // answer says, then one line a month from 31 October, each due on a working day.
    form->UserDeleteRow("SpecList", 1);
    Answer("frmPeriodPayment.edSum = 0\n"
           "frmPeriodPayment.btOk click\n"
           "frmPeriodPayment.edDate = 2041-10-31\n"
           "frmPeriodPayment.edSum = 20\n"
           "frmPeriodPayment.cbPaymentType = CASH\n"
           "frmPeriodPayment.btOk click\n"
           "frmQuestion.optDelete = True\n"
           "frmQuestion.btOk click\n");
    form->UserClick("btPeriodic");
    ASSERT_FALSE(session.Messages().empty());
    EXPECT_EQ(session.Messages().front().text, "frmPeriodPayment.edSum: must be above zero");
    std::string lines;
    for (const auto& line : plan->Lines())
        lines += line.needPayDate.ToIso() + ":" + line.paymentTypeCode + ":" + line.summa.ToString() + " ";
    EXPECT_EQ(lines, "2041-10-31:CASH:20 2041-11-29:CASH:20 2041-12-31:CASH:20 ");
    EXPECT_EQ(list.RowCount(), 3u);

    // Saved from the dialog: the lines are written under the new plan.
    form->UserClick("btApply");
    EXPECT_TRUE(session.Errors().empty()) << session.Errors().front().message;
    ASSERT_GT(plan->IDC(), 0);
    EXPECT_EQ(Text("SELECT string_agg(c.NeedPayDate || ':' || c.PaymentTypeCode || ':' || g.Summa, ' ' ORDER BY "
                   "g.PosNumb) FROM THGoodSpec g JOIN THGoodSpecCPAY c ON c.DocID = g.DocID AND c.PosNumb = g.PosNumb "
                   "WHERE g.DocID = " +
                   std::to_string(plan->IDC())),
              "2041-10-31:CASH:20.0000 2041-11-29:CASH:20.0000 2041-12-31:CASH:20.0000");
}

TEST_F(CashPlanDialog, PeriodicFillSkipsTheCompanysDaysOffAndCanBeStoppedOrAddedTo)
{
    // 24 December 2026 is a working Thursday that the demo company's calendar takes off.
    ASSERT_EQ(Text("SELECT IsWorkDay FROM REFDates WHERE CalDate = '2026-12-24'"), "0");
    auto plan = std::make_shared<Erp::CashPlanDocument>(book);
    plan->New(2026);
    TalvexUserDialogs dialogs;
    dialogs.Init(plan, nullptr, Value("CPAY"));
    auto* form = dynamic_cast<frmCPAY*>(dialogs.UserForm());
    ASSERT_NE(form, nullptr);
    Answer("");
    dialogs.RunForm(false, true, nullptr);
    auto dates = [&] {
        std::string text;
        for (const auto& line : plan->Lines())
            text += line.needPayDate.ToIso() + " ";
        return text;
    };

    Answer("frmPeriodPayment.edDate = 2026-12-17\n"
           "frmPeriodPayment.edSum = 10\n"
           "frmPeriodPayment.optWeek = True\n"
           "frmPeriodPayment.btOk click\n");
    form->UserClick("btPeriodic");
    EXPECT_EQ(dates(), "2026-12-17 2026-12-23 2026-12-31 ");

    // The same payment type again: "leave" adds nothing, "add" keeps the lines there are.
    Answer("frmPeriodPayment.edDate = 2026-12-01\n"
           "frmPeriodPayment.edSum = 10\n"
           "frmPeriodPayment.optQuarter = True\n"
           "frmPeriodPayment.btOk click\n"
           "frmQuestion.optExit = True\n"
           "frmQuestion.btOk click\n");
    form->UserClick("btPeriodic");
    EXPECT_EQ(dates(), "2026-12-17 2026-12-23 2026-12-31 ");
    Answer("frmPeriodPayment.edDate = 2026-12-01\n"
           "frmPeriodPayment.edSum = 10\n"
           "frmPeriodPayment.optQuarter = True\n"
           "frmPeriodPayment.btOk click\n"
           "frmQuestion.optAdd = True\n"
           "frmQuestion.btOk click\n");
    form->UserClick("btPeriodic");
    EXPECT_EQ(dates(), "2026-12-17 2026-12-23 2026-12-31 2026-12-01 ");
    EXPECT_EQ(form->Get_SpecList().RowCount(), 4u);
    EXPECT_TRUE(session.Errors().empty()) << session.Errors().front().message;
}

TEST_F(CashPlanDialog, CopiesALineWritesNextYearsPlanOnceShowsItsMonthsAndPrints)
{
    Data::Transaction unit(book->Db());
    ASSERT_EQ(Text("SELECT count(*) FROM REFDates WHERE CalDate BETWEEN '2038-01-01' AND '2038-12-31'"), "0");
    auto plan = std::make_shared<Erp::CashPlanDocument>(book);
    plan->New(2037);
    plan->SetLineValue(plan->AddLine(), "Summa", Value(Currency::FromInteger(100)));
    plan->SetLineValue(0, "NeedPayDate", Value(Date(2037, 3, 15)));
    plan->SetLineValue(plan->AddLine(), "Summa", Value(Currency::Parse("40.10")));
    plan->SetLineValue(1, "NeedPayDate", Value(Date(2037, 12, 26)));
    TalvexUserDialogs dialogs;
    dialogs.Init(plan, nullptr, Value("CPAY"));
    auto* form = dynamic_cast<frmCPAY*>(dialogs.UserForm());
    ASSERT_NE(form, nullptr);
    Answer("");
    dialogs.RunForm(false, true, nullptr);

    // The chosen line again, as a line of its own.
    form->Get_SpecList().SetCurrentRow(1);
    form->UserClick("btCopy");
    ASSERT_EQ(plan->Lines().size(), 3u);
    EXPECT_EQ(plan->Lines()[2].summa, Currency::Parse("40.10"));
    EXPECT_EQ(form->Get_SpecList().CurrentRow(), 2);

    // 2038 starts on a Friday holiday (first working day Monday the 4th); its 26 December is
    // a Sunday holiday, planned on Friday the 24th. Unsettled lines are carried over as well.
    form->Ctl("chCarry").SetValue(Value(true));
    form->UserClick("btCreateCopy");
    EXPECT_EQ(Text("SELECT string_agg(c.NeedPayDate || '=' || gs.Summa::numeric(19,2), ' ' ORDER BY gs.PosNumb) "
                   "FROM THDocument d JOIN THGoodSpec gs ON gs.DocID = d.IDC JOIN THGoodSpecCPAY c ON "
                   "c.DocID = gs.DocID AND c.PosNumb = gs.PosNumb WHERE d.DocTypeCode = 'CPAY' "
                   "AND d.DocumentDate = '2038-01-01'"),
              "2038-01-04=100.00 2038-01-04=40.10 2038-01-04=40.10 "
              "2038-03-15=100.00 2038-12-24=40.10 2038-12-24=40.10");
    ASSERT_FALSE(session.Messages().empty());
    EXPECT_EQ(session.Messages().back().text, "The cash payment plan of 2038 was written with 6 lines.");
    // Again: the year has its plan, and gets no second one.
    form->UserClick("btCreateCopy");
    EXPECT_EQ(session.Messages().back().text, "btCreateCopy: the year 2038 has a cash payment plan already.");
    EXPECT_EQ(session.Messages().back().kind, Ui::MessageKind::Refusal);
    EXPECT_EQ(Text("SELECT count(*) FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = '2038-01-01'"), "1");
    EXPECT_EQ(plan->Lines().size(), 3u) << "this year's plan stays as it was";

    Answer("frmCPAYCalendar close\n");
    form->UserClick("btCalendar");
    EXPECT_TRUE(driver->Remaining().empty()) << "the month window never opened";

    form->UserClick("btUsePrint");
    ASSERT_FALSE(session.Prints().empty());
    const std::string& page = session.Prints().back().html;
    EXPECT_NE(page.find("Cash payment plan"), std::string::npos);
    EXPECT_NE(page.find("180.20"), std::string::npos) << "the lines' total";
    EXPECT_NE(page.find("2037-12"), std::string::npos) << "the months after the lines";
    EXPECT_TRUE(session.Errors().empty()) << session.Errors().front().message;

    // Without a date there is no year to work from: refused at the date box.
    form->Ctl("edDate").SetValue(Value());
    form->UserClick("btCalendar");
    EXPECT_EQ(session.Messages().back().text.rfind("edDate:", 0), 0u);
}
