#include "quarn/cube/fCubeParamSaleInfPrice.hpp"

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
constexpr long kFloorTypeText = 15194;
} // namespace

fCubeParamSaleInfPrice::fCubeParamSaleInfPrice() : Form("fCubeParamSaleInfPrice")
{
    Add(ControlKind::Label, "lblPeriod", ModuleFormRes().GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::ComboBox, "cbPriceType", ModuleFormRes().GetString(kFloorTypeText))
        .BindLookup({"REFPriceType", "Code", "Name"});
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool fCubeParamSaleInfPrice::Browse(Talvex::Ui::Form* /*owner*/, Talvex::FieldList& repParams, const std::string& title)
{
    params_ = &repParams;
    if (!title.empty()) SetCaption(title);
    if (repParams.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(repParams.Item("DateBeg").GetValue());
    if (repParams.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(repParams.Item("DateEnd").GetValue());
    if (repParams.ExistsField("PriceTypeCode")) Ctl("cbPriceType").SetValue(repParams.Item("PriceTypeCode").GetValue());
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void fCubeParamSaleInfPrice::btOk_Click()
{
    try {
        CubeParamInput::CheckPeriod(*this, "edBegDate", "edEndDate");
        const Value& beg = Ctl("edBegDate").GetValue();
        const Value& end = Ctl("edEndDate").GetValue();
        const Value& type = Ctl("cbPriceType").GetValue();
        const std::string code = type.IsNull() || type.IsEmpty() ? std::string() : type.ToText();
        if (code.empty()) throw Talvex::ValueError("cbPriceType: choose the price type of the lowest price");
        if (params_) {
            if (auto book = CubeParamInput::BookOf(*params_))
                CubeParamInput::CheckCodesExist(*book, "REFPriceType", {code}, "cbPriceType", "price type");
        }
        if (params_) {
            params_->Add("DateBeg", Talvex::FieldType::kDate, beg);
            params_->Add("DateEnd", Talvex::FieldType::kDate, end);
            params_->Add("PriceTypeCode", Talvex::FieldType::kCode, Value(code));
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
