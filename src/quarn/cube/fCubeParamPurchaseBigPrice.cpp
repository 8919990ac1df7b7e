#include "quarn/cube/fCubeParamPurchaseBigPrice.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
namespace In = CubeParamInput;

namespace {
constexpr long kPeriodText = 15100;
constexpr long kGoodText = 15001;
constexpr long kToleranceText = 15763;
} // namespace

fCubeParamPurchaseBigPrice::fCubeParamPurchaseBigPrice() : Form("fCubeParamPurchaseBigPrice")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::Label, "lblPeriod", res.GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::ComboBox, "cbGood", res.GetString(kGoodText)).BindLookup({"REFGood", "Code", "Name"});
    Add(ControlKind::NumberBox, "edProcent", res.GetString(kToleranceText));
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool fCubeParamPurchaseBigPrice::Browse(FieldList& params, const std::string& title)
{
    params_ = &params;
    if (!title.empty()) SetCaption(title);
    if (params.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(params.Item("DateBeg").GetValue());
    if (params.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(params.Item("DateEnd").GetValue());
    Ctl("cbGood").SetValue(Value(In::Text(params, "GoodCode")));
    Ctl("edProcent").SetValue(params.ExistsField("Procent") ? params.Item("Procent").GetValue() : Value(0));
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

Currency fCubeParamPurchaseBigPrice::ReadPercent(const Value& value, const char* control)
{
    const std::string text = value.IsNull() || value.IsEmpty() ? std::string("0") : value.ToInvariantText();
    Currency percent;
    if (!Currency::ParseExact(text, percent))
        throw Talvex::ValueError(std::string(control) + ": '" + text +
                                 "' is not a percentage (a number such as 10 or 2.5)");
    if (percent < Currency() || percent > Currency::FromInteger(1000))
        throw Talvex::ValueError(std::string(control) + ": the tolerated excess must be from 0 to 1000 percent, not " +
                                 percent.ToString());
    return percent;
}

void fCubeParamPurchaseBigPrice::WriteToParams(FieldList& params) const
{
    In::CheckPeriod(*this, "edBegDate", "edEndDate");
    const Currency percent = ReadPercent(Ctl("edProcent").GetValue(), "edProcent");
    const std::string goodCode = Ctl("cbGood").GetValue().IsNull() ? std::string() : Ctl("cbGood").GetValue().ToText();
    long isGroup = 0;
    if (auto book = In::BookOf(params); book && !goodCode.empty()) isGroup = In::GoodIsGroup(*book, goodCode, "cbGood");
    params.Add("DateBeg", FieldType::kDate, Ctl("edBegDate").GetValue());
    params.Add("DateEnd", FieldType::kDate, Ctl("edEndDate").GetValue());
    params.Add("GoodCode", FieldType::kCode, Value(goodCode));
    params.Add("IsGroup", FieldType::kFlag, Value(isGroup));
    params.Add("Procent", FieldType::kAmount, Value(percent));
}

void fCubeParamPurchaseBigPrice::btOk_Click()
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
