#include "quarn/cube/fCubeParamBackOrder.hpp"

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
}

fCubeParamBackOrder::fCubeParamBackOrder() : Form("fCubeParamBackOrder")
{
    Add(ControlKind::Label, "lblPeriod", ModuleFormRes().GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool fCubeParamBackOrder::Browse(Talvex::Ui::Form* /*owner*/, Talvex::FieldList& repParams, const std::string& title)
{
    params_ = &repParams;
    if (!title.empty()) SetCaption(title);
    if (repParams.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(repParams.Item("DateBeg").GetValue());
    if (repParams.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(repParams.Item("DateEnd").GetValue());
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void fCubeParamBackOrder::btOk_Click()
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
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
