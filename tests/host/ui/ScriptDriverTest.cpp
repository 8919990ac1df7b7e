// The scripted user against answers that misname windows and controls: it stops before a
// step meant for one window lands on another, and says which step never ran.

#include "host/ui/Form.hpp"
#include "host/ui/IProcessObject.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

#include <memory>

using namespace Talvex::Ui;
using Talvex::Testing::ScriptedUser;

namespace {

// A set-off window in small: a sum, a button that writes, a list with a local menu.
class SetOffForm : public Form {
public:
    SetOffForm() : Form("frmSetOff")
    {
        Add(ControlKind::NumberBox, "edSum");
        Add(ControlKind::Button, "btWrite");
        Add(ControlKind::Button, "btOk").SetDefault(true);
        LocalList& list = AddLocalList("lstDocs");
        list.AddMenuItem("CreateDoc", "Create");
        list.AddMenuItem("DeleteDoc", "Delete");
        On("btWrite", "Click", [this](EventArgs&) { ++writes; });
        On("btOk", "Click", [this](EventArgs&) {
            ++accepted;
            Hide();
        });
    }
    int writes = 0;
    int accepted = 0;
};

} // namespace

TEST(ScriptedUser, StopsAtAWindowNameThatIsASlipOfTheWindowJustOpened)
{
    ScriptedUser user("frmSetOff.edSum = 500\nfrmSetOff.btWrite click\nfrmSetof.lstDocs select all\n"
                      "frmSetOff close\n");
    SetOffForm form;
    EXPECT_THROW(form.Show(true), ScriptStoppedError);
    EXPECT_EQ(user.Failure(),
              "answers line 3: frmSetof.lstDocs select all: no window 'frmSetof' has opened; is it frmSetOff?");
    // Nothing of the script ran: the sum is not set and nothing was written.
    EXPECT_EQ(form.writes, 0);
    EXPECT_TRUE(form.Ctl("edSum").GetValue().IsEmpty());
    EXPECT_EQ(user.Remaining().size(), 4u);
}

TEST(ScriptedUser, StopsBeforeAWindowsFirstStepWhenAStepNamesNoControlOfIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"frmSetOff.lstDcs select 1", "frmSetOff has no control 'lstDcs'"},
        {"frmSetOff.btWrite select all", "frmSetOff.btWrite is not a grid"},
        {"frmSetOff.edSum menu CreateDoc", "frmSetOff.edSum is not a list with a menu"},
        {"frmSetOff.lstDocs menu Delete", "the menu of frmSetOff.lstDocs has no item 'Delete' (it has CreateDoc, "
                                          "DeleteDoc)"},
    };
    for (const auto& [step, problem] : cases) {
        ScriptedUser user(std::string("frmSetOff.btWrite click\n") + step + "\n");
        SetOffForm form;
        EXPECT_THROW(form.Show(true), ScriptStoppedError) << step;
        EXPECT_EQ(user.Failure(), "answers line 2: " + std::string(step) + ": " + problem);
        EXPECT_EQ(form.writes, 0) << step;
    }
}

TEST(ScriptedUser, NeverAcceptsWithItsDefaultsAWindowThatLaterStepsAnswer)
{
    {
        // The next step's window is not open: pressing OK for frmSetOff would skip its
        // own steps further down.
        ScriptedUser user("frmSetOff.edSum = 5\nfrmSetOffList.lstDocs select all\nfrmSetOff.btWrite click\n");
        SetOffForm form;
        EXPECT_THROW(form.Show(true), ScriptStoppedError);
        EXPECT_EQ(user.Failure(), "answers line 2: frmSetOffList.lstDocs select all: no window 'frmSetOffList' is "
                                  "open, and frmSetOff, which later steps answer, waits");
        EXPECT_EQ(form.accepted, 0);
        EXPECT_EQ(form.writes, 0);
    }
    {
        ScriptedUser user("message Gerai\nfrmSetOff.btWrite click\n");
        SetOffForm form;
        EXPECT_THROW(form.Show(true), ScriptStoppedError);
        EXPECT_EQ(user.Failure(),
                  "answers line 1: message Gerai: no message box is open, and frmSetOff, which later steps answer, "
                  "waits");
    }
    {
        // Steps for other windows only: the window is accepted as before.
        ScriptedUser user("frmSetOffList.lstDocs select all\n");
        SetOffForm form;
        form.Show(true);
        EXPECT_EQ(form.accepted, 1);
        EXPECT_EQ(user.Failure(), "");
        EXPECT_EQ(user.FirstUnplayed(),
                  "answers line 1: frmSetOffList.lstDocs select all: never ran: no window 'frmSetOffList' opened");
    }
    {
        ScriptedUser user("message Taip\n");
        EXPECT_THROW(MessageBox(user.Session()).ShowSingle("Done", "Gerai"), ScriptStoppedError);
        EXPECT_EQ(user.Failure(), "answers line 1: message Taip: The message box has no button 'Taip'");
    }
}

TEST(ScriptedUser, TellsWhyTheFirstStepLeftNeverRan)
{
    {
        ScriptedUser user("frmSetOff.btOk click\nfrmSetOff.btWrite click\n");
        SetOffForm form;
        form.Show(true);
        EXPECT_EQ(user.FirstUnplayed(), "answers line 2: frmSetOff.btWrite click: never ran: the window "
                                        "'frmSetOff' was no longer open when its turn came");
    }
    {
        ScriptedUser user("progress cancel 5\n");
        EXPECT_EQ(user.FirstUnplayed(), "answers line 1: progress cancel 5: never ran: no progress run reached step 5");
    }
    {
        ScriptedUser user("message Gerai\n");
        EXPECT_EQ(user.FirstUnplayed(), "answers line 1: message Gerai: never ran: no message box was open for it");
    }
    {
        ScriptedUser user("frmSetOff.btWrite click\nfrmSetOff close\n");
        SetOffForm form;
        form.Show(true);
        EXPECT_EQ(form.writes, 1);
        EXPECT_EQ(user.FirstUnplayed(), "");
        EXPECT_EQ(user.Failure(), "");
    }
}

namespace {

// A run whose first step opens a log window, as a step may open a document.
class LoggedRun : public IProcessObject {
public:
    std::string Caption() override { return "Writing"; }
    long CountStep() override { return 3; }
    bool Step(long index) override
    {
        if (index == 1) {
            log = std::make_unique<Form>("frmWriteLog");
            log->Show(false);
        }
        return true;
    }
    std::unique_ptr<Form> log;
};

} // namespace

TEST(ScriptedUser, AStopDuringAProgressRunCancelsItBeforeItsNextStep)
{
    ScriptedUser user("frmRun.btGo click\nfrmWriteLg.btClose click\n");
    LoggedRun run;
    Form form("frmRun");
    form.Add(ControlKind::Button, "btGo");
    form.On("btGo", "Click", [&](EventArgs&) { ProgressRunner().Run(run); });
    EXPECT_THROW(form.Show(true), ScriptStoppedError);
    ASSERT_EQ(user.ProgressRuns().size(), 1u);
    EXPECT_EQ(user.ProgressRuns()[0].stepsDone, 1);
    EXPECT_TRUE(user.ProgressRuns()[0].cancelled);
    EXPECT_EQ(user.Failure(),
              "answers line 2: frmWriteLg.btClose click: no window 'frmWriteLg' has opened; is it frmWriteLog?");
}
