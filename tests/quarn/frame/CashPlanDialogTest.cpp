#include "host/data/Connection.hpp"
#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
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
           "frmCPAY.chIsClosed = True\n"
           "frmCPAY accept\n");
    EXPECT_TRUE(dialogs.RunForm(false, false, nullptr));
    EXPECT_TRUE(session.Errors().empty()) << session.Errors().front().message;
    EXPECT_EQ(form->Get_oDoc(), plan.get());
    ASSERT_GT(plan->IDC(), 0);
    EXPECT_EQ(Text("SELECT DocumentDate || ' ' || IsClosed || ' ' || Summa FROM THDocument WHERE IDC = " +
                   std::to_string(plan->IDC())),
              "2034-01-01 1 100.0000");
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
    EXPECT_EQ(session.Errors().size(), 1u);
    EXPECT_EQ(Text("SELECT count(*) FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = '2034-01-01'"), "1");
}
