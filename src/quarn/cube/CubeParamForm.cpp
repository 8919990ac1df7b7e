#include "quarn/cube/CubeParamForm.hpp"

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
} // namespace

CubeParamForm::CubeParamForm(std::string name) : Form(std::move(name)) {}

bool CubeParamForm::Browse(FieldList& params, const std::string& title)
{
    params_ = &params;
    if (!title.empty()) SetCaption(title);
    LoadFromParams(params);
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void CubeParamForm::btOk_Click()
{
    try {
        if (params_) WriteToParams(*params_);
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

void CubeParamForm::AddPeriod()
{
    Add(ControlKind::Label, "lblPeriod", ModuleFormRes().GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
}

void CubeParamForm::AddGoods()
{
    Add(ControlKind::ComboBox, "cbGood", ModuleFormRes().GetString(kGoodText)).BindLookup({"REFGood", "Code", "Name"});
}

void CubeParamForm::AddSuppliers(long captionText)
{
    Add(ControlKind::Selector, "selClient", ModuleFormRes().GetString(captionText))
        .BindSelector({"REFClient", Talvex::Ui::SelectionType::Multiple});
}

void CubeParamForm::AddButtons()
{
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

void CubeParamForm::LoadPeriod(const FieldList& params)
{
    if (params.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(params.Item("DateBeg").GetValue());
    if (params.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(params.Item("DateEnd").GetValue());
}

void CubeParamForm::LoadGoods(const FieldList& params)
{
    Ctl("cbGood").SetValue(Value(In::Text(params, "GoodCode")));
}

void CubeParamForm::LoadSuppliers(const FieldList& params)
{
    std::string codes;
    for (const auto& code : In::SelectedCodes(In::Text(params, "SelClientList")))
        codes += (codes.empty() ? "" : ",") + code;
    Ctl("selClient").SetValue(Value(codes));
}

CubeParamForm::GoodsChoice CubeParamForm::ReadGoods(const FieldList& params) const
{
    GoodsChoice goods{CtlText("cbGood")};
    if (auto book = In::BookOf(params); book && !goods.code.empty())
        goods.isGroup = In::GoodIsGroup(*book, goods.code, "cbGood");
    return goods;
}

std::vector<std::string> CubeParamForm::ReadSuppliers(const FieldList& params) const
{
    std::vector<std::string> suppliers = In::Codes(CtlText("selClient"));
    if (auto book = In::BookOf(params)) In::CheckCodesExist(*book, "REFClient", suppliers, "selClient", "supplier");
    return suppliers;
}

void CubeParamForm::CheckPeriod() const
{
    In::CheckPeriod(*this, "edBegDate", "edEndDate");
}

void CubeParamForm::WritePeriod(FieldList& params) const
{
    params.Add("DateBeg", FieldType::kDate, Ctl("edBegDate").GetValue());
    params.Add("DateEnd", FieldType::kDate, Ctl("edEndDate").GetValue());
}

void CubeParamForm::WriteGoods(FieldList& params, const GoodsChoice& goods)
{
    params.Add("GoodCode", FieldType::kCode, Value(goods.code));
    params.Add("IsGroup", FieldType::kFlag, Value(goods.isGroup));
}

void CubeParamForm::WriteSuppliers(FieldList& params, const std::vector<std::string>& suppliers)
{
    In::PutClientSelection(params, suppliers, "SelClientList", "SelClientType");
}

std::string CubeParamForm::CtlText(const char* control) const
{
    const Value& v = Ctl(control).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

int CubeParamForm::CtlFlag(const char* control) const
{
    return Ctl(control).GetValue().ToBool() ? 1 : 0;
}

} // namespace Quarn_DuzAde
