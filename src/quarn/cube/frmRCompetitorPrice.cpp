#include "quarn/cube/frmRCompetitorPrice.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {
constexpr long kPeriodText = 15100;
constexpr long kCurrencyText = 15177;
} // namespace

// The period keeps the price cube's own names ("BegPeriod", "EndPeriod"), so its date boxes
// are its own too.
frmRCompetitorPrice::frmRCompetitorPrice() : CubeParamForm("frmRCompetitorPrice")
{
    Add(ControlKind::Label, "lblPeriod", ModuleFormRes().GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegPeriod");
    Add(ControlKind::DateBox, "edEndPeriod");
    Add(ControlKind::ComboBox, "cbCurrency", ModuleFormRes().GetString(kCurrencyText))
        .BindLookup({"REFCurrency", "Code", "Name"});
    AddButtons();
}

bool frmRCompetitorPrice::Browse(Talvex::Ui::Form* /*owner*/, FieldList& repParams, const std::string& title)
{
    return CubeParamForm::Browse(repParams, title);
}

void frmRCompetitorPrice::LoadFromParams(const FieldList& params)
{
    if (params.ExistsField("BegPeriod")) Ctl("edBegPeriod").SetValue(params.Item("BegPeriod").GetValue());
    if (params.ExistsField("EndPeriod")) Ctl("edEndPeriod").SetValue(params.Item("EndPeriod").GetValue());
    if (params.ExistsField("CurrencyCode")) Ctl("cbCurrency").SetValue(params.Item("CurrencyCode").GetValue());
}

void frmRCompetitorPrice::WriteToParams(FieldList& params) const
{
    CubeParamInput::CheckPeriod(*this, "edBegPeriod", "edEndPeriod");
    const std::string code = CtlText("cbCurrency");
    if (code.empty()) throw Talvex::ValueError("cbCurrency: choose the currency the prices are quoted in");
    if (auto book = CubeParamInput::BookOf(params))
        CubeParamInput::CheckCodesExist(*book, "REFCurrency", {code}, "cbCurrency", "currency");
    params.Add("BegPeriod", Talvex::FieldType::kDate, Ctl("edBegPeriod").GetValue());
    params.Add("EndPeriod", Talvex::FieldType::kDate, Ctl("edEndPeriod").GetValue());
    params.Add("CurrencyCode", Talvex::FieldType::kCode, Value(code));
}

} // namespace Quarn_DuzAde
