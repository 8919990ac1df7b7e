#include "quarn/settlement/frmSetLimitParm.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

frmSetLimitParm::frmSetLimitParm() : Form("frmSetLimitParm", "Credit limits by debt")
{
    Add(ControlKind::DateBox, "edDateBeg", "From");
    Add(ControlKind::DateBox, "edDateEnd", "To");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmSetLimitParm::ShowForm(Talvex::FieldList& Parm)
{
    try {
        auto book = GetBook(&Parm, false);
        const Date today = book->Today();
        Ctl("edDateBeg").SetValue(Parm.ExistsField("BegDate") ? Parm.Item("BegDate").GetValue()
                                                              : Value(today.AddMonthsClamped(-1)));
        Ctl("edDateEnd").SetValue(Parm.ExistsField("EndDate") ? Parm.Item("EndDate").GetValue() : Value(today));
        confirmed_ = false;
        Show(true);
        if (!confirmed_) return false;
        for (const auto& [name, box] : {std::pair{"BegDate", "edDateBeg"}, std::pair{"EndDate", "edDateEnd"}}) {
            const Value value = Ctl(box).GetValue();
            if (Parm.ExistsField(name))
                Parm.Item(name).SetValue(value);
            else
                Parm.Add(name, Talvex::FieldType::kDate, value);
        }
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

void frmSetLimitParm::btOk_Click()
{
    try {
        CubeParamInput::CheckPeriod(*this, "edDateBeg", "edDateEnd");
    } catch (const Talvex::ValueError& refusal) {
        Talvex::Ui::MessageBox(*GetSession())
            .Show(refusal.what(), Talvex::Ui::MessageButtons::Ok, "", Talvex::Ui::MessageKind::Refusal);
        return;
    }
    confirmed_ = true;
    Hide();
}

} // namespace Quarn_DuzAde
