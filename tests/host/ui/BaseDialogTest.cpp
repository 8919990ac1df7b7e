#include "host/ui/BaseDialog.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/SystemDialog.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

using namespace Talvex::Ui;
using Talvex::Currency;
using Talvex::Value;
using Talvex::Testing::ScriptedUser;

namespace {

struct Document : Talvex::Object {
    std::string number;
};

class DocForm : public Form {
public:
    explicit DocForm(std::string dialogMember = "mBaseDlg") : Form("frmDoc")
    {
        Add(ControlKind::TextBox, "edNumber").BindField("Number");
        Add(ControlKind::NumberBox, "edSumma").BindField("Summa");
        Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
        Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
        const std::string m = std::move(dialogMember);
        On(m, "BeforeLoadHandling", [this](EventArgs& e) {
            events.push_back(std::string("BeforeLoadHandling insert=") + (e.isInsert ? "1" : "0"));
            e.fields->Set("Number", Value("SUSM-1"));
            e.fields->Set("Summa", Value(Currency::Parse("12.5")));
        });
        On(m, "AfterLoadHandling",
           [this](EventArgs&) { events.push_back("AfterLoadHandling " + Ctl("edNumber").GetValue().ToText()); });
        On(m, "BeforeShow", [this](EventArgs& e) {
            events.push_back("BeforeShow " + std::static_pointer_cast<Document>(e.atomObj)->number);
            e.cancel = cancelShow;
        });
        On(m, "AfterShow",
           [this](EventArgs&) { events.push_back(std::string("AfterShow visible=") + (IsVisible() ? "1" : "0")); });
        On(m, "AfterWriteRecord", [this](EventArgs& e) {
            events.push_back("AfterWriteRecord " + e.fields->Item("Summa").ToText());
            if (failWrite) throw Talvex::ValueError("the document is locked by another user");
        });
    }
    std::vector<std::string> events;
    bool cancelShow = false;
    bool failWrite = false;
};

} // namespace

TEST(BaseDialog, RaisesItsEventsInOrderAndWritesTheBoundFieldsOnSave)
{
    ScriptedUser user("frmDoc.edSumma = 99.9\nfrmDoc.btOk click\n");
    auto document = std::make_shared<Document>();
    document->number = "D1";
    DocForm form;
    BaseDialog dialog;
    dialog.Init(form, document, Value("param"));

    EXPECT_TRUE(dialog.RunForm(false, false));
    EXPECT_EQ(form.events, (std::vector<std::string>{"BeforeLoadHandling insert=0", "AfterLoadHandling SUSM-1",
                                                     "BeforeShow D1", "AfterShow visible=1", "AfterWriteRecord 99.9"}));
    EXPECT_EQ(dialog.Fields().Item("summa"), Value(Currency::Parse("99.9"))); // names without case
    EXPECT_EQ(dialog.Param(), Value("param"));
    EXPECT_EQ(user.ErrorsText(), "");
}

TEST(BaseDialog, CancelInBeforeShowStopsTheDialogAndTheCancelButtonSavesNothing)
{
    ScriptedUser user("frmDoc.edSumma = 1\nfrmDoc.btCancel click\n");
    DocForm form;
    BaseDialog dialog;
    dialog.Init(form, std::make_shared<Document>(), Value());

    form.cancelShow = true;
    EXPECT_FALSE(dialog.RunForm(true, false));
    EXPECT_TRUE(user.Session().Messages().empty());
    EXPECT_EQ(form.events.back(), "BeforeShow ");
    EXPECT_EQ(user.Remaining().size(), 2u); // the window never opened to take them

    form.cancelShow = false;
    form.events.clear();
    EXPECT_FALSE(dialog.RunForm(true, false));
    EXPECT_TRUE(dialog.DataChanged()); // the user typed into a bound box and did not save
    EXPECT_EQ(form.events.back(), "AfterShow visible=1");
}

TEST(BaseDialog, AWriteThatFailsKeepsTheDialogOpenAndUnsaved)
{
    ScriptedUser user("frmDoc.edSumma = 7\nfrmDoc.btOk click\nfrmDoc.btCancel click\n");
    DocForm form;
    form.failWrite = true;
    BaseDialog dialog;
    dialog.Init(form, std::make_shared<Document>(), Value());

    EXPECT_FALSE(dialog.RunForm(false, false));
    EXPECT_EQ(form.events.back(), "AfterWriteRecord 7"); // tried once, then the user gave up
    EXPECT_TRUE(dialog.DataChanged());
    EXPECT_NE(user.ErrorsText().find("the document is locked by another user"), std::string::npos);
    EXPECT_TRUE(user.Remaining().empty()) << "the cancel button was still there to press";
}

TEST(SystemDialog, ForwardsTheBridgesPropertiesToItsForm)
{
    ScriptedUser user; // accepts with the default button
    DocForm form("mSysDialog");
    SystemDialog dialog;
    dialog.Init(form, std::make_shared<Document>(), Value());
    dialog.SetEnableControl("Summa", false);
    EXPECT_FALSE(form.Ctl("edSumma").Enabled());
    EXPECT_FALSE(dialog.EnableControl("Summa"));
    EXPECT_THROW(dialog.EnableControl("Nothing"), UiError);
    dialog.UserParams().Set("Year", Value(2025));

    EXPECT_TRUE(dialog.RunForm(false, false));
    EXPECT_FALSE(dialog.InsertMode());
    EXPECT_FALSE(dialog.Visible());
    EXPECT_FALSE(form.IsLoaded()); // unloaded on close
    EXPECT_EQ(dialog.UserParams().Item("Year"), Value(2025));

    // Modeless: the window stays up and belongs to the session.
    dialog.SetUnloadFormOnClose(false);
    EXPECT_TRUE(dialog.RunForm(false, true));
    EXPECT_TRUE(dialog.Visible());
    EXPECT_EQ(user.Session().FindWindow("frmDoc"), &form);
    dialog.UnloadForm();
    EXPECT_EQ(user.Session().FindWindow("frmDoc"), nullptr);
}
