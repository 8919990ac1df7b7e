#include "host/ui/Session.hpp"
#include "host/ui/BlockingDriver.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace Talvex::Ui;
using Talvex::Value;
using Talvex::Testing::ScriptedUser;

namespace {

// A question form opened from another form's button, as a parameter form opens a
// confirmation.
class InnerForm : public Form {
public:
    explicit InnerForm(std::vector<std::string>& log) : Form("frmInner")
    {
        Add(ControlKind::TextBox, "edNote");
        Add(ControlKind::Button, "btOk", "OK");
        On("btOk", "Click", [this, &log](EventArgs&) {
            log.push_back("inner ok " + Ctl("edNote").GetValue().ToText());
            Hide();
        });
    }
};

class OuterForm : public Form {
public:
    explicit OuterForm(std::vector<std::string>& log) : Form("frmOuter"), inner(log)
    {
        Add(ControlKind::Button, "btAsk");
        Add(ControlKind::Button, "btOther");
        Add(ControlKind::Button, "btClose");
        On("btAsk", "Click", [this, &log](EventArgs&) {
            log.push_back("asking");
            inner.Show(true);
            log.push_back("asked, windows " + std::to_string(GetSession()->Windows().size()));
        });
        On("btOther", "Click", [&log](EventArgs&) { log.push_back("other"); });
        On("btClose", "Click", [this, &log](EventArgs&) {
            log.push_back("closing");
            Unload();
        });
        On("Form", "Unload", [&log](EventArgs&) { log.push_back("unloaded"); });
    }
    InnerForm inner;
};

} // namespace

TEST(Session, NestedModalFormsCloseInnerFirstAndOuterGoesOn)
{
    Session session;
    Session::Scope scope(session);
    std::vector<std::string> log;
    std::vector<std::string> changes;
    session.Subscribe([&](const WindowChange& change) {
        if (change.kind == WindowChange::Kind::WindowOpened) changes.push_back("open " + change.window);
        if (change.kind == WindowChange::Kind::WindowClosed) changes.push_back("close " + change.window);
    });
    OuterForm outer(log);

    // Everything the user does, queued before the form opens: the nested loop must take
    // only what comes while the inner form is up and leave the rest to the outer loop.
    session.Post(ClickAction{"frmOuter", "btAsk"});
    session.Post(ClickAction{"frmOuter", "btOther"}); // behind the modal inner form: refused
    session.Post(SetValueAction{"frmInner", "edNote", Value("checked")});
    session.Post(ClickAction{"frmInner", "btOk"});
    session.Post(ClickAction{"frmOuter", "btOther"});
    session.Post(ClickAction{"frmOuter", "btClose"});
    outer.Show(true);

    EXPECT_EQ(log, (std::vector<std::string>{"asking", "inner ok checked", "asked, windows 1", "other", "closing",
                                             "unloaded"}));
    EXPECT_EQ(changes,
              (std::vector<std::string>{"open frmOuter", "open frmInner", "close frmInner", "close frmOuter"}));
    ASSERT_EQ(session.Errors().size(), 1u);
    EXPECT_NE(session.Errors()[0].message.find("frmOuter is behind the modal window frmInner"), std::string::npos);
    EXPECT_TRUE(session.Windows().empty());
    EXPECT_FALSE(outer.IsLoaded());
}

TEST(Session, AThrowingHandlerIsReportedAndTheLoopGoesOn)
{
    ScriptedUser user;
    Form form("frmReport");
    form.Add(ControlKind::Button, "btFillList");
    form.Add(ControlKind::Button, "btCount");
    form.Add(ControlKind::Button, "btOk").SetDefault(true);
    int counted = 0;
    form.On("btFillList", "Click", [](EventArgs&) { throw std::runtime_error("the period ends before it starts"); });
    form.On("btCount", "Click", [&](EventArgs&) { ++counted; });
    user.Click("frmReport", "btFillList").Click("frmReport", "btCount").Click("frmReport", "btFillList");

    form.Show(true); // then accepted with its default button, which hides it

    EXPECT_EQ(counted, 1);
    ASSERT_EQ(user.Session().Errors().size(), 2u);
    EXPECT_EQ(user.Session().Errors()[0].source, "frmReport.btFillList Click");
    EXPECT_EQ(user.Session().Errors()[0].message, "the period ends before it starts");
    EXPECT_FALSE(form.IsVisible());
    EXPECT_TRUE(user.Remaining().empty());
}

TEST(Session, AModalLoopWithNoAnswersFailsClearlyInsteadOfHanging)
{
    {
        Session session;
        Session::Scope scope(session);
        Form form("frmX");
        try {
            form.Show(true);
            FAIL() << "a modal form without answers must not return normally";
        } catch (const NoAnswerError& error) {
            EXPECT_STREQ(error.what(), "The form 'frmX' waits for an answer and nobody can give one");
        }
        EXPECT_TRUE(session.Windows().empty());
        EXPECT_FALSE(form.IsVisible());
    }
    {
        // The error crosses every loop it is nested in, instead of being reported by the
        // handler that opened the inner form and leaving the outer one waiting.
        Session session;
        Session::Scope scope(session);
        std::vector<std::string> log;
        OuterForm outer(log);
        session.Post(ClickAction{"frmOuter", "btAsk"});
        EXPECT_THROW(outer.Show(true), NoAnswerError);
        EXPECT_EQ(log, std::vector<std::string>{"asking"});
        EXPECT_TRUE(session.Windows().empty());
        EXPECT_TRUE(session.Errors().empty());
    }
    {
        // A driver with a person behind it who never acts.
        Session session;
        Session::Scope scope(session);
        BlockingDriver patientUser(std::chrono::milliseconds(20));
        session.SetDriver(&patientUser);
        Form form("frmY");
        EXPECT_THROW(form.Show(true), NoAnswerError);
    }
}

TEST(Session, PostFromAnotherThreadReachesTheHostThread)
{
    Session session;
    BlockingDriver browser(std::chrono::seconds(10));
    session.SetDriver(&browser);
    Form form("frmDebtOfClients");
    form.Add(ControlKind::Button, "btFillList");
    std::thread::id handlerThread;
    std::thread::id hostThread;
    std::promise<void> shown;
    std::promise<void> done;
    form.On("Form", "Load", [&](EventArgs&) { shown.set_value(); });
    form.On("btFillList", "Click", [&](EventArgs&) {
        handlerThread = std::this_thread::get_id();
        form.Hide();
    });

    session.Start([&] {
        hostThread = std::this_thread::get_id();
        form.Show(true);
        done.set_value();
    });
    ASSERT_EQ(shown.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    session.Post(ClickAction{"frmDebtOfClients", "btFillList"});
    ASSERT_EQ(done.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);

    // Work posted after the run reaches the same thread, which keeps dispatching.
    std::promise<std::thread::id> later;
    session.Post(RunOnHostAction{[&] { later.set_value(std::this_thread::get_id()); }});
    auto laterThread = later.get_future();
    ASSERT_EQ(laterThread.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    session.Stop();

    EXPECT_EQ(handlerThread, hostThread);
    EXPECT_EQ(laterThread.get(), hostThread);
    EXPECT_NE(hostThread, std::this_thread::get_id());
    EXPECT_TRUE(session.Errors().empty());
}

TEST(Session, StoppingEndsAModalLoopThatWaitsForAPerson)
{
    Session session;
    BlockingDriver browser(std::chrono::minutes(10));
    session.SetDriver(&browser);
    Form form("frmWaiting");
    std::promise<void> shown;
    form.On("Form", "Load", [&](EventArgs&) { shown.set_value(); });
    session.Start([&] { form.Show(true); });
    ASSERT_EQ(shown.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    session.Stop(); // returns: the loop was not left waiting ten minutes

    ASSERT_EQ(session.Errors().size(), 1u);
    EXPECT_NE(session.Errors()[0].message.find("frmWaiting' waits for an answer"), std::string::npos);
}

TEST(Session, HostOnlyOperationsRefuseOtherThreads)
{
    Session session;
    Form form("frmZ");
    std::string refused;
    std::thread other([&] {
        try {
            session.RunModal(form);
        } catch (const UiError& error) {
            refused = error.what();
        }
    });
    other.join();
    EXPECT_EQ(refused, "RunModal runs on the session's host thread only");
}

TEST(Session, ObserversSeeTheModelOfShownWindowsChange)
{
    ScriptedUser user("frmWatched.edNote = hello\nfrmWatched.btFill click\nfrmWatched close\n");
    std::vector<std::string> seen;
    const int id = user.Session().Subscribe([&](const WindowChange& change) {
        if (change.kind == WindowChange::Kind::ControlChanged || change.kind == WindowChange::Kind::GridChanged)
            seen.push_back(change.control + " " + change.detail);
    });
    Form form("frmWatched");
    form.Add(ControlKind::TextBox, "edNote");
    form.Add(ControlKind::Button, "btFill");
    Grid& grid = form.AddGrid("grdList");
    form.Ctl("edNote").SetValue(Value("before the window is up: nobody is told"));
    form.On("btFill", "Click", [&](EventArgs&) {
        grid.AddColumn("Name");
        form.Ctl("btFill").SetEnabled(false);
    });
    form.Show(true);
    user.Session().Unsubscribe(id);

    EXPECT_EQ(seen, (std::vector<std::string>{"edNote value", "grdList columns", "btFill enabled"}));
    EXPECT_EQ(user.ErrorsText(), "");
}

TEST(Session, AModelessWindowShownByTheSessionIsLoadedAndLetGoWhenClosed)
{
    ScriptedUser user("frmCube close\n");
    auto cube = std::make_shared<Form>("frmCube");
    int loads = 0;
    cube->On("Form", "Load", [&](EventArgs&) { ++loads; });
    std::weak_ptr<Form> held = cube;
    user.Session().ShowModeless(*cube, "RSale", cube);
    cube.reset();

    ASSERT_FALSE(held.expired());
    EXPECT_EQ(loads, 1);
    EXPECT_TRUE(held.lock()->IsVisible());
    EXPECT_EQ(user.Session().FindWindowByKey("RSale"), held.lock().get());
    EXPECT_EQ(user.Session().Windows().size(), 1u);
    EXPECT_EQ(user.PlayRemaining(), 1);
    EXPECT_TRUE(held.expired());
    EXPECT_TRUE(user.Session().Windows().empty());
}
