#include "quarn/cube/frmRepPurchase.hpp"

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
constexpr long kGoodText = 15001;
constexpr long kSupplierText = 15601;
constexpr long kServicesText = 15608;
} // namespace

frmRepPurchase::frmRepPurchase() : Form("frmRepPurchase")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::Label, "lblPeriod", res.GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::Selector, "selClient", res.GetString(kSupplierText))
        .BindSelector({"REFClient", Talvex::Ui::SelectionType::Multiple});
    Add(ControlKind::ComboBox, "cbGood", res.GetString(kGoodText)).BindLookup({"REFGood", "Code", "Name"});
    Add(ControlKind::CheckBox, "chCountServiceSum", res.GetString(kServicesText));
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmRepPurchase::Browse(FieldList& params, const std::string& title)
{
    params_ = &params;
    if (!title.empty()) SetCaption(title);
    LoadFromParams(params);
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void frmRepPurchase::LoadFromParams(const FieldList& params)
{
    if (params.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(params.Item("DateBeg").GetValue());
    if (params.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(params.Item("DateEnd").GetValue());
    Ctl("cbGood").SetValue(Value(In::Text(params, "GoodCode")));
    std::string codes;
    for (const auto& code : In::SelectedCodes(In::Text(params, "SelClientList")))
        codes += (codes.empty() ? "" : ",") + code;
    Ctl("selClient").SetValue(Value(codes));
    Ctl("chCountServiceSum").SetValue(Value(In::Flag(params, "IsCalcServiceSum") ? 1 : 0));
}

void frmRepPurchase::WriteToParams(FieldList& params) const
{
    In::CheckPeriod(*this, "edBegDate", "edEndDate");
    const std::string goodCode = Ctl("cbGood").GetValue().ToText();
    const std::vector<std::string> suppliers = In::Codes(Ctl("selClient").GetValue().ToText());
    long isGroup = 0;
    if (auto book = In::BookOf(params)) {
        if (!goodCode.empty()) isGroup = In::GoodIsGroup(*book, goodCode, "cbGood");
        In::CheckCodesExist(*book, "REFClient", suppliers, "selClient", "supplier");
    }
    params.Add("DateBeg", FieldType::kDate, Ctl("edBegDate").GetValue());
    params.Add("DateEnd", FieldType::kDate, Ctl("edEndDate").GetValue());
    params.Add("GoodCode", FieldType::kCode, Value(goodCode));
    params.Add("IsGroup", FieldType::kFlag, Value(isGroup));
    params.Add("IsCalcServiceSum", FieldType::kFlag, Value(Ctl("chCountServiceSum").GetValue().ToBool() ? 1 : 0));
    In::PutClientSelection(params, suppliers, "SelClientList", "SelClientType");
}

void frmRepPurchase::btOk_Click()
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
