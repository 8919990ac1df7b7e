#include "host/ui/Form.hpp"
#include "host/ui/EventArgs.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/UiError.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Talvex::Ui;

namespace {

// A report form whose author misspelt the button in the handler's name.
class MisspeltHandlerForm : public Form {
public:
    MisspeltHandlerForm() : Form("frmDebtOfClients")
    {
        Add(ControlKind::Button, "btFillList", "Fill");
        On("btFillLst", "Click", [](EventArgs&) {});
    }
};

std::string Refusal(const std::function<void()>& action)
{
    try {
        action();
    } catch (const UiError& refusal) {
        return refusal.what();
    }
    return "(accepted)";
}

} // namespace

TEST(FormHandlers, AHandlerOfAControlTheFormDoesNotHaveFailsWhereItIsRegistered)
{
    EXPECT_EQ(Refusal([] { MisspeltHandlerForm form; }),
              "frmDebtOfClients: a Click handler for 'btFillLst', which is no control of the form");

    Form form("frmSetOffDebt");
    form.Add(ControlKind::DateBox, "edDate");
    form.AddGrid("grdList");
    for (const auto& [source, event] : std::vector<std::pair<std::string, std::string>>{
             {"edDat", "Change"}, {"grdLst", "DblClick"}, {"grdLst", "RowColChange"}, {"btLater", "Click"}}) {
        const std::string refusal = Refusal([&] { form.On(source, event, [](EventArgs&) {}); });
        EXPECT_NE(refusal.find("frmSetOffDebt"), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("'" + source + "'"), std::string::npos) << refusal;
        EXPECT_FALSE(form.HasHandler(source, event));
    }
    // Declared first, the same names are taken.
    form.Add(ControlKind::Button, "btLater");
    EXPECT_EQ(Refusal([&] { form.On("btLater", "Click", [](EventArgs&) {}); }), "(accepted)");
    EXPECT_EQ(Refusal([&] { form.On("grdList", "DblClick", [](EventArgs&) {}); }), "(accepted)");
}

TEST(FormHandlers, EventsOfTheFormOfEnginesAndOfListsNeedNoControlOfThatName)
{
    Form form("frmDebtDocList");
    LocalList& list = form.AddLocalList("grdList");
    std::vector<std::string> ran;
    auto record = [&ran](EventArgs& e) { ran.push_back(e.source + " " + e.event); };
    // The dialog engine and a list engine kept under a member name raise under names that are no controls.
    form.On("Form", "Load", record);
    form.On("mBaseDlg", "BeforeLoadHandling", record);
    form.On("mLocalList", "OnRefresh", record);
    form.On(list.Name(), "AfterRefresh", record);
    for (const auto& [source, event] : std::vector<std::pair<std::string, std::string>>{
             {"Form", "Load"}, {"mBaseDlg", "BeforeLoadHandling"}, {"mLocalList", "OnRefresh"}}) {
        EventArgs args;
        EXPECT_TRUE(form.Raise(source, event, args)) << source;
    }
    list.Refresh();
    EXPECT_EQ(ran, (std::vector<std::string>{"Form Load", "mBaseDlg BeforeLoadHandling", "mLocalList OnRefresh",
                                             "grdList AfterRefresh"}));
}
