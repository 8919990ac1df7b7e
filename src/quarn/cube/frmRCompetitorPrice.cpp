#include "quarn/cube/frmRCompetitorPrice.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {
constexpr long kPeriodText = 15100;
constexpr long kCurrencyText = 15177;
} // namespace

frmRCompetitorPrice::frmRCompetitorPrice() : Form("frmRCompetitorPrice")
{
    Add(ControlKind::Label, "lblPeriod", ModuleFormRes().GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegPeriod");
    Add(ControlKind::DateBox, "edEndPeriod");
    Add(ControlKind::ComboBox, "cbCurrency", ModuleFormRes().GetString(kCurrencyText))
        .BindLookup({"REFCurrency", "Code", "Name"});
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmRCompetitorPrice::Browse(Talvex::Ui::Form* /*owner*/, Talvex::FieldList& repParams, const std::string& title)
{
    params_ = &repParams;
    if (!title.empty()) SetCaption(title);
    if (repParams.ExistsField("BegPeriod")) Ctl("edBegPeriod").SetValue(repParams.Item("BegPeriod").GetValue());
    if (repParams.ExistsField("EndPeriod")) Ctl("edEndPeriod").SetValue(repParams.Item("EndPeriod").GetValue());
    if (repParams.ExistsField("CurrencyCode")) Ctl("cbCurrency").SetValue(repParams.Item("CurrencyCode").GetValue());
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void frmRCompetitorPrice::btOk_Click()
{
    try {
        CubeParamInput::CheckPeriod(*this, "edBegPeriod", "edEndPeriod");
        const Value& beg = Ctl("edBegPeriod").GetValue();
        const Value& end = Ctl("edEndPeriod").GetValue();
        const Value& currency = Ctl("cbCurrency").GetValue();
        const std::string code = currency.IsNull() || currency.IsEmpty() ? std::string() : currency.ToText();
        if (code.empty()) throw Talvex::ValueError("cbCurrency: choose the currency the prices are quoted in");
        if (params_) {
            if (auto book = CubeParamInput::BookOf(*params_))
                CubeParamInput::CheckCodesExist(*book, "REFCurrency", {code}, "cbCurrency", "currency");
        }
        if (params_) {
            params_->Add("BegPeriod", Talvex::FieldType::kDate, beg);
            params_->Add("EndPeriod", Talvex::FieldType::kDate, end);
            params_->Add("CurrencyCode", Talvex::FieldType::kCode, Value(code));
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
