#include "host/ui/AnswerScript.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MainWindow.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/TableRowSource.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace Talvex::Ui;
using Talvex::Currency;
using Talvex::Value;
using Talvex::Testing::ScriptedUser;

TEST(AnswerScript, ParsesEveryStepAndWritesItBack)
{
    const char* text = R"(# answers of a set-off run
frmDebtOfClients.edDateBeg = 2025-01-01
frmDebtOfClients.edNote = "  spaced  "
frmDebtOfClients.edEmpty =
frmDebtOfClients.btFillList click
  frmDebtOfClients.grdList dblclick 3 Summa1
frmSetOffDebt.grdList select 1 2 5
frmSetOffDebt.grdList menu CreateDoc
frmDebtOfClients.grdList cell 2 BegRest
message Gerai
progress cancel 4
frmDebtOfClients close
frmDebtOfClients accept
frmSetOffDebt.grdList select all
)";
    const AnswerScript script = AnswerScript::Parse(text);
    const auto& steps = script.Steps();
    ASSERT_EQ(steps.size(), 13u);
    EXPECT_EQ(steps[0].verb, ScriptVerb::Set);
    EXPECT_EQ(steps[0].form, "frmDebtOfClients");
    EXPECT_EQ(steps[0].control, "edDateBeg");
    EXPECT_EQ(steps[0].text, "2025-01-01");
    EXPECT_EQ(steps[0].line, 2);
    EXPECT_EQ(steps[1].text, "  spaced  ");
    EXPECT_EQ(steps[2].text, "");
    EXPECT_EQ(steps[4].rows, std::vector<long>{3});
    EXPECT_EQ(steps[4].column, "Summa1");
    EXPECT_EQ(steps[5].rows, (std::vector<long>{1, 2, 5}));
    EXPECT_EQ(steps[6].text, "CreateDoc");
    EXPECT_EQ(steps[7].verb, ScriptVerb::Cell);
    EXPECT_EQ(steps[7].rows, std::vector<long>{2});
    EXPECT_EQ(steps[7].column, "BegRest");
    EXPECT_EQ(steps[8].verb, ScriptVerb::Answer);
    EXPECT_EQ(steps[8].text, "Gerai");
    EXPECT_EQ(steps[9].afterStep, 4);
    EXPECT_EQ(steps[11].verb, ScriptVerb::Accept);
    EXPECT_EQ(steps[12].verb, ScriptVerb::Select);
    EXPECT_TRUE(steps[12].rows.empty());
    EXPECT_EQ(steps[12].ToText(), "frmSetOffDebt.grdList select all");

    std::string written;
    for (const auto& step : steps)
        written += step.ToText() + "\n";
    const AnswerScript again = AnswerScript::Parse(written);
    ASSERT_EQ(again.Steps().size(), steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(again.Steps()[i].ToText(), steps[i].ToText());
        EXPECT_EQ(again.Steps()[i].text, steps[i].text);
    }
}

TEST(AnswerScript, AMistakeIsNamedWithItsLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"frm.bt clik", "answers:1: unknown action 'clik' (expected '=', click, dblclick, cell, select, menu, edit, "
                        "addrow, delrow, card or expect)"},
        {"\nfrm.grd dblclick 0", "answers:2: '0' is not a row number (rows count from 1)"},
        {"frm.grd dblclick x", "answers:1: 'x' is not a row number (rows count from 1)"},
        {"frm = 5", "answers:1: 'frm': a value needs form.control"},
        {"frm open", "answers:1: unknown window action 'open' (expected close or accept)"},
        {"progress cancel soon", "answers:1: 'soon' is not a step number"},
        {"message", "answers:1: a message answer needs a button"},
        {"frm.lst menu", "answers:1: expected 'menu <key>'"},
        {"frm.bt", "answers:1: 'frm.bt' has no action"},
    };
    for (const auto& [text, message] : cases) {
        try {
            AnswerScript::Parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const UiError& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
    for (const std::string& path : {std::string("/nonexistent/answers.txt"), ::testing::TempDir()}) {
        try {
            AnswerScript::Load(path);
            ADD_FAILURE() << "read: " << path;
        } catch (const UiError& error) {
            const std::string why = path == ::testing::TempDir() ? "not a regular file" : "no such file";
            EXPECT_EQ(std::string(error.what()), "Cannot read the answers file '" + path + "': " + why);
        }
    }
}

namespace {

// A small report of the shape the module's list reports take: parameters, a fill button
// that runs a progress pass into a local list, drill-down to documents, a local menu that
// ends in a message.
class ClientDebtForm : public Form, public IProcessObject {
public:
    ClientDebtForm() : Form("frmDebtOfClients", "Debt of clients"), list(AddLocalList("grdList"))
    {
        Add(ControlKind::DateBox, "edDateBeg");
        Add(ControlKind::Button, "btFillList");
        Add(ControlKind::Button, "btOk").SetDefault(true);
        list.AddMenuItem("CreateDoc", "Create documents");
        On("btFillList", "Click", [this](EventArgs&) {
            source = std::make_shared<TableRowSource>(std::vector<std::string>{"IDC", "Client", "Debt"});
            ProgressRunner().Run(*this);
            list.SetRowSource(source);
            list.Refresh();
        });
        On("grdList", "DblClick", [this](EventArgs& e) {
            DocumentOpener().Open("THDocument", list.Cell(static_cast<std::size_t>(e.row), "IDC").ToInteger());
        });
        On("grdList", "OnRunMDICommand", [this](EventArgs& e) {
            if (e.key == "CreateDoc") MessageBox(*GetSession()).ShowSingle("3 documents created", "Gerai");
        });
    }
    std::string Caption() override { return "Filling"; }
    long CountStep() override { return 3; }
    bool Step(long index) override
    {
        const auto begin = Ctl("edDateBeg").GetValue().ToDate();
        source->AddRow({
            Value(static_cast<std::int64_t>(100 + index)),
            Value("K" + std::to_string(index)),
            Value(Currency::FromInteger(index * 10)),
        });
        Talvex::Ui::Session::Current().ShowStatus("client " + std::to_string(index) + " from " + begin.ToIso());
        return true;
    }

    LocalList& list;
    std::shared_ptr<TableRowSource> source;
};

} // namespace

TEST(ScriptedUser, PlaysAReportRunFromAnAnswersFile)
{
    const std::string path = ::testing::TempDir() + "ui_answers.txt";
    {
        std::ofstream out(path);
        out << "frmDebtOfClients.edDateBeg = 2025-01-01\n"
               "frmDebtOfClients.btFillList click\n"
               "frmDebtOfClients.grdList dblclick 3\n"
               "frmDebtOfClients.grdList menu CreateDoc\n"
               "message Gerai\n"
               "frmDebtOfClients.grdList select all\n"
               "frmDebtOfClients close\n";
    }
    ScriptedUser user;
    {
        // The CLI's way: a driver over the file, in place of the test conveniences.
        ScriptDriver driver(AnswerScript::Load(path));
        driver.Attach(user.Session());
        ClientDebtForm form;
        form.Show(true);
        EXPECT_TRUE(driver.Remaining().empty());
        EXPECT_EQ(form.list.SelectedRows(), (std::vector<long>{0, 1, 2}));
        EXPECT_EQ(
            driver.Transcript(),
            (std::vector<std::string>{"status: client 1 from 2025-01-01", "status: client 2 from 2025-01-01",
                                      "status: client 3 from 2025-01-01", "progress: Filling: 3 of 3",
                                      "document: THDocument 103", "message: 3 documents created", "answer: Gerai"}));
    }
    std::remove(path.c_str());
    EXPECT_EQ(user.ErrorsText(), "");
    ASSERT_EQ(user.DocumentsOpened().size(), 1u);
    EXPECT_EQ(user.DocumentsOpened()[0].idc, 103);
}

TEST(ScriptedUser, AcceptsAWindowWithoutAnswersAndPlaysStepsForModelessWindows)
{
    ScriptedUser user;
    user.Set("frmParams", "edYear", "2025").Click("frmCube", "btRefresh").Close("frmCube").Click("frmMissing", "btAny");

    // A parameter form answered, then its default button pressed for it since the next
    // step belongs to another window.
    Form params("frmParams");
    params.Add(ControlKind::NumberBox, "edYear").SetDecimals(0);
    params.Add(ControlKind::Button, "btOk").SetDefault(true);
    bool confirmed = false;
    params.On("btOk", "Click", [&](EventArgs&) {
        confirmed = true;
        params.Hide();
    });
    params.Show(true);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(params.Ctl("edYear").GetValue().ToInteger(), 2025);

    // A default button that does not close its form: the form is hidden for it.
    Form stubborn("frmStubborn");
    stubborn.Add(ControlKind::Button, "btOk").SetDefault(true);
    int presses = 0;
    stubborn.On("btOk", "Click", [&](EventArgs&) { ++presses; });
    stubborn.Show(true);
    EXPECT_EQ(presses, 1);
    EXPECT_FALSE(stubborn.IsVisible());

    // A modeless cube window held by the window manager under its key.
    auto cube = std::make_shared<Form>("frmCube");
    cube->Add(ControlKind::Button, "btRefresh");
    int refreshed = 0;
    cube->On("btRefresh", "Click", [&](EventArgs&) { ++refreshed; });
    MainWindow windows(user.Session());
    windows.ShowForm(cube, "RSale");
    auto second = std::make_shared<Form>("frmCube");
    EXPECT_EQ(&windows.ShowForm(second, "RSale"), cube.get()); // one window per key
    std::weak_ptr<Form> held = cube;
    cube.reset();
    EXPECT_FALSE(held.expired());

    EXPECT_EQ(user.PlayRemaining(), 2);
    EXPECT_EQ(refreshed, 1);
    EXPECT_TRUE(held.expired()); // closed by the user: the window manager let it go
    ASSERT_EQ(user.Remaining().size(), 1u);
    EXPECT_EQ(user.Remaining()[0].form, "frmMissing");
    EXPECT_EQ(user.ErrorsText(), "");
}

TEST(ScriptedUser, AcceptsEachNewFormEvenWhenItStandsWhereAnEarlierOneStood)
{
    ScriptedUser user;
    // Forms made anew on the stack, one after the other, land at the same address.
    for (int i = 0; i < 4; ++i) {
        Form form("frmDocs");
        form.Add(ControlKind::Button, "btClose", "Close");
        EXPECT_NO_THROW(form.Show(true)) << i;
        EXPECT_FALSE(form.IsVisible()) << i;
    }
    EXPECT_EQ(user.ErrorsText(), "");
}
