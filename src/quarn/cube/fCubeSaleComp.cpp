#include "quarn/cube/fCubeSaleComp.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {
constexpr long kPeriodText = 15100;
constexpr long kAnalogueText = 15180;
} // namespace

fCubeSaleComp::fCubeSaleComp(const char* formName) : Form(formName)
{
    Add(ControlKind::Label, "lblPeriod", ModuleFormRes().GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::CheckBox, "chIsAnalogue", ModuleFormRes().GetString(kAnalogueText));
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool fCubeSaleComp::Browse(Talvex::Ui::Form* /*owner*/, Talvex::FieldList& repParams, const std::string& title)
{
    params_ = &repParams;
    if (!title.empty()) SetCaption(title);
    if (repParams.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(repParams.Item("DateBeg").GetValue());
    if (repParams.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(repParams.Item("DateEnd").GetValue());
    bool analogues = false;
    if (repParams.ExistsField("IsAnalogue")) {
        const Value& v = repParams.Item("IsAnalogue").GetValue();
        analogues = !v.IsNull() && !v.IsEmpty() && v.ToBool();
    }
    Ctl("chIsAnalogue").SetValue(Value(analogues ? 1 : 0));
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void fCubeSaleComp::btOk_Click()
{
    try {
        const Value& beg = Ctl("edBegDate").GetValue();
        const Value& end = Ctl("edEndDate").GetValue();
        if (!beg.IsDate()) throw Talvex::ValueError("edBegDate: the period needs a start date");
        if (!end.IsDate()) throw Talvex::ValueError("edEndDate: the period needs an end date");
        if (end.ToDate() < beg.ToDate())
            throw Talvex::ValueError("edEndDate: the period ends (" + end.ToDate().ToIso() + ") before it starts (" +
                                     beg.ToDate().ToIso() + ")");
        if (const std::string tooLong = PeriodTooLong("edEndDate", beg.ToDate(), end.ToDate()); !tooLong.empty())
            throw Talvex::ValueError(tooLong);
        if (params_) {
            params_->Add("DateBeg", Talvex::FieldType::kDate, beg);
            params_->Add("DateEnd", Talvex::FieldType::kDate, end);
            params_->Add("IsAnalogue", Talvex::FieldType::kFlag,
                         Value(Ctl("chIsAnalogue").GetValue().ToBool() ? 1 : 0));
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
