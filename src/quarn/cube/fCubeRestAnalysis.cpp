#include "quarn/cube/fCubeRestAnalysis.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
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
constexpr long kGoodText = 15001;
constexpr long kCommonUnitText = 15793;
} // namespace

fCubeRestAnalysis::fCubeRestAnalysis() : Form("fCubeRestAnalysis")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::Label, "lblPeriod", res.GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::ComboBox, "cbGood", res.GetString(kGoodText)).BindLookup({"REFGood", "Code", "Name"});
    Add(ControlKind::CheckBox, "chAmountAsWeight", res.GetString(kCommonUnitText));
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool fCubeRestAnalysis::Browse(FieldList& params, const std::string& title)
{
    params_ = &params;
    if (!title.empty()) SetCaption(title);
    if (params.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(params.Item("DateBeg").GetValue());
    if (params.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(params.Item("DateEnd").GetValue());
    Ctl("cbGood").SetValue(Value(In::Text(params, "GoodCode")));
    Ctl("chAmountAsWeight").SetValue(Value(In::Flag(params, "AmountAsWeight") ? 1 : 0));
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void fCubeRestAnalysis::WriteToParams(FieldList& params) const
{
    In::CheckPeriod(*this, "edBegDate", "edEndDate");
    const Value& good = Ctl("cbGood").GetValue();
    const std::string goodCode = good.IsNull() || good.IsEmpty() ? std::string() : good.ToText();
    long isGroup = 0;
    if (auto book = In::BookOf(params); book && !goodCode.empty()) isGroup = In::GoodIsGroup(*book, goodCode, "cbGood");
    params.Add("DateBeg", FieldType::kDate, Ctl("edBegDate").GetValue());
    params.Add("DateEnd", FieldType::kDate, Ctl("edEndDate").GetValue());
    params.Add("GoodCode", FieldType::kCode, Value(goodCode));
    params.Add("IsGroup", FieldType::kFlag, Value(isGroup));
    params.Add("AmountAsWeight", FieldType::kFlag, Value(Ctl("chAmountAsWeight").GetValue().ToBool() ? 1 : 0));
}

void fCubeRestAnalysis::btOk_Click()
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
