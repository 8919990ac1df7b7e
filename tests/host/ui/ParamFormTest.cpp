// A report's parameter dialog on the common base: defaults before showing, the form's check
// on OK keeping the dialog open with the message at the control it names.

#include "host/ui/ParamForm.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Talvex::Ui;
using Talvex::Testing::ScriptedUser;

namespace {

// A profit-and-loss dialog in small: a period and an account set that must be chosen.
class ProfitParams : public ParamForm {
public:
    explicit ProfitParams(std::string savedSet) : ParamForm("frmReportProfit", "Pelnas"), savedSet_(std::move(savedSet))
    {
        Add(ControlKind::DateBox, "edBegDate");
        Add(ControlKind::DateBox, "edEndDate");
        Add(ControlKind::TextBox, "cbAccSet");
    }
    int shows = 0;

protected:
    void BeforeShow() override
    {
        ++shows;
        if (Ctl("cbAccSet").GetValue().ToText().empty()) Ctl("cbAccSet").SetValue(Value(savedSet_));
    }
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override
    {
        IsOk = false;
        if (Ctl("cbAccSet").GetValue().ToText().empty()) {
            ErrMessage = "Choose the account set";
            ErrControl = "cbAccSet";
        } else if (Ctl("edEndDate").GetValue().ToDate() < Ctl("edBegDate").GetValue().ToDate()) {
            ErrMessage = "The period ends before it begins";
            ErrControl = "edEndDate";
        } else {
            IsOk = true;
        }
    }

private:
    std::string savedSet_;
};

} // namespace

TEST(ParamForm, DefaultsComeBeforeShowingAndACheckedOkCloses)
{
    ScriptedUser user("frmReportProfit.edBegDate = 2025-01-01\nfrmReportProfit.edEndDate = 2025-03-31\n"
                      "frmReportProfit.btOK click\n");
    ProfitParams form("MAIN");
    EXPECT_TRUE(form.Execute());
    EXPECT_EQ(form.shows, 1);
    EXPECT_EQ(form.Ctl("cbAccSet").GetValue(), Value("MAIN"));
    EXPECT_TRUE(user.MessageTexts().empty());
}

TEST(ParamForm, AFailedCheckKeepsTheDialogOpenWithTheMessageAtItsControl)
{
    ScriptedUser user("frmReportProfit.edBegDate = 2025-03-01\nfrmReportProfit.edEndDate = 2025-01-31\n"
                      "frmReportProfit.btOK click\n"
                      "frmReportProfit.cbAccSet expect = \"\"\n"
                      "frmReportProfit.edEndDate = 2025-03-31\n"
                      "frmReportProfit.btOK click\n");
    ProfitParams form("");
    // The first OK is refused twice over: the set is empty (checked first) ...
    form.Ctl("cbAccSet").SetValue(Value(""));
    EXPECT_FALSE(form.Execute());
    // Refused at both OKs of the script and at the OK the scripted user pressed to accept it.
    EXPECT_EQ(user.MessageTexts(), std::vector<std::string>(3, "frmReportProfit.cbAccSet: Choose the account set"));
    EXPECT_EQ(form.Ctl("cbAccSet").Refusal(), "Choose the account set");
    // ... the refused dialog stayed open for the later steps; the second OK failed the same
    // way and the scripted user, with nothing more to say, closed it unaccepted.
    EXPECT_FALSE(form.Accepted());
    EXPECT_EQ(user.ErrorsText(), "");

    ScriptedUser second("frmReportProfit.btOK click\nfrmReportProfit.edEndDate = 2025-04-30\n"
                        "frmReportProfit.btOK click\n");
    ProfitParams again("MAIN");
    again.Ctl("edBegDate").SetValue(Value("2025-05-01"));
    again.Ctl("edEndDate").SetValue(Value("2025-01-01"));
    EXPECT_FALSE(again.Execute()); // the period is refused; 2025-04-30 still ends before May
    EXPECT_EQ(again.Ctl("edEndDate").Refusal(), "The period ends before it begins");
    EXPECT_EQ(again.Ctl("cbAccSet").Refusal(), "");

    ScriptedUser third("frmReportProfit.btOK click\nfrmReportProfit.edBegDate = 2025-01-01\n"
                       "frmReportProfit.btOK click\n");
    ProfitParams fixed("MAIN");
    fixed.Ctl("edBegDate").SetValue(Value("2025-05-01"));
    fixed.Ctl("edEndDate").SetValue(Value("2025-01-31"));
    EXPECT_TRUE(fixed.Execute());
    // A refusal is cleared by the next OK that passes.
    EXPECT_EQ(fixed.Ctl("edEndDate").Refusal(), "");
    EXPECT_EQ(third.MessageTexts().size(), 1u);
}

TEST(ParamForm, CancelClosesUnaccepted)
{
    ScriptedUser user("frmReportProfit.btCancel click\n");
    ProfitParams form("MAIN");
    EXPECT_FALSE(form.Execute());
    EXPECT_FALSE(form.IsVisible());
}
