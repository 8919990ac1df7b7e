#include "host/data/Recordset.hpp"
#include "host/objects/AtomObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/ui/ScriptDriver.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/TalvexUserDialogs.hpp"
#include "quarn/frame/frmQuestion.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

struct HostFixture : ::testing::Test {
    void Answer(const std::string& script)
    {
        driver = std::make_unique<Ui::ScriptDriver>(Ui::AnswerScript::Parse(script));
        driver->Attach(session);
    }
    Ui::Session session;
    Ui::Session::Scope sessionScope{session};
    ClientApp app{session};
    ClientApp::Scope appScope{app};
    std::unique_ptr<Ui::ScriptDriver> driver;
};

struct Document : AtomObject {
    explicit Document(std::string objectName) : name(std::move(objectName)) {}
    std::string ObjectName() const override { return name; }
    std::string name;
};

} // namespace

TEST_F(HostFixture, QuestionFormTellsWhatTheUserChose)
{
    struct Case {
        const char* script;
        bool deleteAdd, none, cancel;
    };
    const Case cases[] = {
        {"frmQuestion.btOk click\n", false, false, false},
        {"frmQuestion.optDelete = True\nfrmQuestion.btOk click\n", true, false, false},
        {"frmQuestion.optExit = True\nfrmQuestion.btOk click\n", false, true, false},
        {"frmQuestion.optDelete = True\nfrmQuestion.btCancel click\n", false, false, true},
    };
    for (const auto& c : cases) {
        Answer(c.script);
        frmQuestion form;
        bool deleteAdd = false, none = false, cancel = false;
        form.ShowDialog("BANK", 2026, deleteAdd, none, cancel);
        EXPECT_EQ(deleteAdd, c.deleteAdd) << c.script;
        EXPECT_EQ(none, c.none) << c.script;
        EXPECT_EQ(cancel, c.cancel) << c.script;
        EXPECT_NE(form.Ctl("lblTop").Caption().find("\"BANK\" for 2026"), std::string::npos)
            << form.Ctl("lblTop").Caption();
    }
    EXPECT_TRUE(session.Errors().empty());
}

TEST_F(HostFixture, DialogBridgeWithoutAFormOfItsOwnRunsNothing)
{
    TalvexUserDialogs dialogs;
    dialogs.Init(std::make_shared<Document>("PRSF"), nullptr, Value("PRSF"));
    EXPECT_EQ(dialogs.UserForm(), nullptr);
    EXPECT_FALSE(dialogs.RunForm(false, false, nullptr));
    dialogs.SetCopyObjectID(42);
    EXPECT_EQ(dialogs.CopyObjectID(), 42);
    dialogs.SetUnloadFormOnClose(false);
    EXPECT_FALSE(dialogs.UnloadFormOnClose());
    EXPECT_TRUE(session.Errors().empty());

    TalvexUserDialogs broken;
    broken.Init(nullptr, nullptr, Value());
    ASSERT_EQ(session.Errors().size(), 1u);
}

TEST_F(HostFixture, RefreshWithWaitShowsTheWaitWindowOverTheMainForm)
{
    auto book = Testing::OpenDemoBook("tester");
    auto list = book->CreateList("REFCurrency");
    long owner = -1;
    RefreshWithWait(*list, owner);
    EXPECT_EQ(owner, ClientContext::kMainFormHwnd);
    EXPECT_TRUE(list->IsFilled());
    EXPECT_GT(list->Recordset()->RecordCount(), 0);
    ASSERT_FALSE(session.WaitHistory().empty());
    EXPECT_EQ(session.WaitText(), ""); // closed again

    auto bad = book->CreateList("REFCurrency");
    bad->SetFilter("oTable.NoSuchColumn = 1");
    RefreshWithWait(*bad, owner);
    EXPECT_EQ(session.Errors().size(), 1u);
    EXPECT_FALSE(bad->IsFilled());

    // A copy no longer shares rows with the original.
    auto copy = std::dynamic_pointer_cast<Data::Recordset>(CloneObject(list->Recordset()));
    ASSERT_TRUE(copy);
    copy->MoveFirst();
    copy->Fields().Item("Name").SetValue(Value("changed in the copy"));
    copy->Update();
    auto original = list->Recordset();
    original->MoveFirst();
    EXPECT_NE(original->Fields().Item("Name").Value().ToText(), "changed in the copy");
}
