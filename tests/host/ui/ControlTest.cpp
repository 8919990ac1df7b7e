#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

using namespace Talvex::Ui;
using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Testing::ScriptedUser;

namespace {

class ParamsForm : public Form {
public:
    ParamsForm() : Form("frmParams")
    {
        Add(ControlKind::NumberBox, "edSum").SetValue(Value("100"));
        Add(ControlKind::DateBox, "edDateBeg").SetValue(Value("2025-01-01"));
        Control& department = Add(ControlKind::ComboBox, "cbDepartment");
        department.SetItems({{"PARD", "Sales"}, {"BUH", "Accounting"}});
        Add(ControlKind::TextBox, "edClient").SetLocked(true);
        Add(ControlKind::Label, "lblTop");
        Add(ControlKind::Selector, "selClient").BindSelector({"REFClient", SelectionType::Single});
        Control& payables = Add(ControlKind::OptionButton, "chIsKredit0");
        payables.SetGroup("chIsKredit");
        Control& receivables = Add(ControlKind::OptionButton, "chIsKredit1");
        receivables.SetGroup("chIsKredit");
        receivables.SetValue(Value(true));
        Add(ControlKind::CheckBox, "chTotalByPerson");
        Add(ControlKind::Button, "btDocList").SetEnabled(false);
        Add(ControlKind::Button, "btHidden").SetVisible(false);
        for (const char* name : {"edSum", "edDateBeg", "cbDepartment", "edClient", "selClient"})
            On(name, "Change",
               [this, name](EventArgs& e) { changes.push_back(std::string(name) + "=" + e.value.ToText()); });
        for (const char* name : {"chIsKredit0", "chIsKredit1", "chTotalByPerson", "btDocList", "btHidden"})
            On(name, "Click", [this, name](EventArgs&) { changes.push_back(std::string(name) + " click"); });
    }
    std::vector<std::string> changes;
};

} // namespace

TEST(Controls, BadTypedInputIsRefusedWithANamedMessageAndNeverReachesTheHandler)
{
    ScriptedUser user(R"(
frmParams.edSum = 12a
frmParams.edSum = 1.005
frmParams.edDateBeg = 2025-02-30
frmParams.edDateBeg = next monday
frmParams.cbDepartment = SALES
frmParams.selClient = K1,K2
frmParams.edClient = someone
frmParams.lblTop = text
frmParams.btDocList click
frmParams.btHidden click
frmParams close
)");
    ParamsForm form;
    form.Show(true);

    EXPECT_TRUE(form.changes.empty());
    EXPECT_EQ(user.ErrorMessages(), (std::vector<std::string>{
                                        "edSum: '12a' is not a number",
                                        "edSum: '1.005' has more than 2 decimals",
                                        "edDateBeg: '2025-02-30' is not a valid date",
                                        "edDateBeg: 'next monday' is not a date (yyyy-mm-dd)",
                                        "cbDepartment: 'SALES' is not in the list",
                                        "selClient: takes one code, not 'K1,K2'",
                                        "frmParams.edClient: read-only",
                                        "frmParams.lblTop: a Label takes no input",
                                        "frmParams.btDocList: disabled, cannot be clicked",
                                        "frmParams.btHidden: hidden, cannot be clicked",
                                    }));
    EXPECT_EQ(user.Session().Errors()[0].source, "frmParams.edSum value");
    EXPECT_EQ(form.Ctl("edSum").GetValue(), Value(Currency::Parse("100")));
    EXPECT_EQ(form.Ctl("edDateBeg").GetValue(), Value(Date(2025, 1, 1)));
    EXPECT_EQ(form.Ctl("cbDepartment").GetValue(), Value());
}

TEST(Controls, AcceptedInputIsStoredInTheKindsTypeAndRaisesItsEvent)
{
    ScriptedUser user(R"(
frmParams.edSum = 1 234,5
frmParams.edDateBeg = 2024.02.29
frmParams.cbDepartment = Accounting
frmParams.chIsKredit0 click
frmParams.chTotalByPerson click
frmParams.chTotalByPerson click
frmParams.edSum =
frmParams close
)");
    ParamsForm form;
    form.Show(true);

    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(form.changes,
              (std::vector<std::string>{"edSum=1234.5", "edDateBeg=2024-02-29", "cbDepartment=BUH", "chIsKredit0 click",
                                        "chTotalByPerson click", "chTotalByPerson click", "edSum="}));
    // The option group lets one button be set.
    EXPECT_EQ(form.Ctl("chIsKredit0").GetValue(), Value(true));
    EXPECT_EQ(form.Ctl("chIsKredit1").GetValue(), Value(false));
    EXPECT_EQ(form.Ctl("chTotalByPerson").GetValue(), Value(0));
    EXPECT_EQ(form.Ctl("edDateBeg").GetValue(), Value(Date(2024, 2, 29)));
    EXPECT_TRUE(form.Ctl("edSum").GetValue().IsEmpty());
}

TEST(Controls, CodeSettingAValueIsCheckedTooButRaisesNoEvent)
{
    Session session;
    ParamsForm form;
    EXPECT_THROW(form.Ctl("edSum").SetValue(Value("ten")), Talvex::ValueError);
    EXPECT_THROW(form.Ctl("btDocList").SetValue(Value(1)), Talvex::ValueError);
    form.Ctl("edSum").SetValue(Value(Currency::Parse("-0.25")));
    form.Ctl("edDateBeg").SetFormat("mm.yyyy");
    EXPECT_EQ(form.Ctl("edDateBeg").DisplayText(), "01.2025");
    form.Ctl("edSum").SetFormat("#,##0.00");
    EXPECT_EQ(form.Ctl("edSum").DisplayText(), "-0.25");
    EXPECT_TRUE(form.changes.empty());
    EXPECT_THROW(form.Ctl("edNothing"), UiError);
    EXPECT_THROW(form.Add(ControlKind::TextBox, "edSum"), UiError);
}

TEST(Controls, MonthBoxTakesMonthsAsShownOrYearFirstAndRefusesOthers)
{
    ScriptedUser user(R"(
frmMonths.edMonth = 03.2026
frmMonths.edMonth = 2025-12
frmMonths.edMonth = 2024-02-29
frmMonths.edMonth = 13.2026
frmMonths.edMonth = 3.2026
frmMonths.edDay = 03.2026
frmMonths close
)");
    Form form("frmMonths");
    Control& month = form.Add(ControlKind::DateBox, "edMonth");
    month.SetFormat("mm.yyyy");
    form.Add(ControlKind::DateBox, "edDay").SetFormat("yyyy-mm-dd");
    std::vector<Value> taken;
    form.On("edMonth", "Change", [&](EventArgs& e) { taken.push_back(e.value); });
    form.Show(true);

    // The first of the month, a whole date as typed; a month box shows what it holds as months.
    EXPECT_EQ(taken, (std::vector<Value>{Value(Date(2026, 3, 1)), Value(Date(2025, 12, 1)), Value(Date(2024, 2, 29))}));
    EXPECT_EQ(month.DisplayText(), "02.2024");
    EXPECT_EQ(user.ErrorMessages(), (std::vector<std::string>{
                                        "edMonth: '13.2026' is not a month (mm.yyyy)",
                                        "edMonth: '3.2026' is not a month (mm.yyyy)",
                                        "edDay: '03.2026' is not a date (yyyy-mm-dd)",
                                    }));
    EXPECT_TRUE(IsMonthFormat("mm yyyy"));
    EXPECT_FALSE(IsMonthFormat("dd.mm.yyyy"));
}

TEST(Controls, PlacementOnATabPageIsKeptAndANegativePageRefused)
{
    Form form("frmTabs");
    form.Add(ControlKind::TabControl, "tabPages").SetTabs({"Period", "More"});
    Control& box = form.Add(ControlKind::CheckBox, "chMore");
    EXPECT_EQ(box.TabControlName(), "");
    box.PlaceOnTab("tabPages", 1);
    EXPECT_EQ(box.TabControlName(), "tabPages");
    EXPECT_EQ(box.TabPage(), 1);
    EXPECT_THROW(box.PlaceOnTab("tabPages", -1), Talvex::ValueError);
    EXPECT_EQ(box.TabPage(), 1);
}
