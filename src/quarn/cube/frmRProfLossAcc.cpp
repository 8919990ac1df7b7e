#include "quarn/cube/frmRProfLossAcc.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
namespace In = CubeParamInput;

namespace {
constexpr long kPeriodText = 15100;
constexpr long kChartText = 15808;
} // namespace

frmRProfLossAcc::frmRProfLossAcc() : Form("frmRProfLossAcc")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::Label, "lblPeriod", res.GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::ComboBox, "cbAccSet", res.GetString(kChartText)).BindLookup({"GLAccSet", "Code", "Name"});
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmRProfLossAcc::Browse(FieldList& params, const std::string& title)
{
    params_ = &params;
    if (!title.empty()) SetCaption(title);
    LoadFromParams(params);
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void frmRProfLossAcc::LoadFromParams(const FieldList& params)
{
    if (params.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(params.Item("DateBeg").GetValue());
    if (params.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(params.Item("DateEnd").GetValue());
    Ctl("cbAccSet").SetValue(Value(In::Text(params, "AccSetCode")));
}

void frmRProfLossAcc::WriteToParams(FieldList& params) const
{
    In::CheckPeriod(*this, "edBegDate", "edEndDate");
    const std::string accSet = Ctl("cbAccSet").GetValue().IsNull() ? std::string() : Ctl("cbAccSet").GetValue().ToText();
    if (accSet.empty()) throw Talvex::ValueError("cbAccSet: choose the chart of accounts");
    if (auto book = In::BookOf(params)) In::CheckCodesExist(*book, "GLAccSet", {accSet}, "cbAccSet", "chart of accounts");
    params.Add("DateBeg", FieldType::kDate, Ctl("edBegDate").GetValue());
    params.Add("DateEnd", FieldType::kDate, Ctl("edEndDate").GetValue());
    params.Add("AccSetCode", FieldType::kCode, Value(accSet));
}

void frmRProfLossAcc::btOk_Click()
{
    try {
        // Every check comes before the first write: a refused choice leaves the parameters
        // as they were.
        if (params_) WriteToParams(*params_);
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
