#include "quarn/cost/frmAllocateCostByDept.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
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
constexpr long kCentresText = 15632;
constexpr long kAccSetText = 15633;
} // namespace

frmAllocateCostByDept::frmAllocateCostByDept() : Form("frmAllocateCostByDept")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::Label, "lblPeriod", res.GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::Selector, "selCostCenter", res.GetString(kCentresText))
        .BindSelector({"REFMFCostCenter", Talvex::Ui::SelectionType::Multiple});
    Add(ControlKind::ComboBox, "cbAccSet", res.GetString(kAccSetText)).BindLookup({"GLAccSet", "Code", "Name"});
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmAllocateCostByDept::Run(const std::shared_ptr<Talvex::Book>& book, FieldList& params)
{
    frmAllocateCostByDept form;
    form.book_ = book;
    form.params_ = &params;
    form.LoadFromParams(params);
    form.Show(true);
    return form.confirmed_;
}

void frmAllocateCostByDept::LoadFromParams(const FieldList& params)
{
    const Talvex::Date today = book_->Today();
    Ctl("edBegDate")
        .SetValue(params.ExistsField("BegDate") ? params.Item("BegDate").GetValue()
                                                : Value(Talvex::Date(today.Year(), 1, 1)));
    Ctl("edEndDate")
        .SetValue(params.ExistsField("EndDate") ? params.Item("EndDate").GetValue() : Value(today.LastOfMonth()));
    Ctl("selCostCenter").SetValue(Value(In::Text(params, "MFCostCenter")));
    const std::string accSet = In::Text(params, "AccSetCode");
    Ctl("cbAccSet").SetValue(Value(accSet.empty() ? book_->Setting("AccSetCode").ToText() : accSet));
}

void frmAllocateCostByDept::WriteToParams(FieldList& params) const
{
    In::CheckPeriod(*this, "edBegDate", "edEndDate");
    const std::vector<std::string> centres = In::Codes(Ctl("selCostCenter").GetValue().ToText());
    In::CheckCodesExist(*book_, "REFMFCostCenter", centres, "selCostCenter", "cost centre");
    if (!centres.empty()) {
        // A group is chosen through its centres: the allocation takes centres only.
        std::string list;
        for (const auto& code : centres)
            list += (list.empty() ? "" : ",") + Talvex::SqlTools::Literal(FieldType::kCode, Value(code));
        auto groups = book_->CreateList("REFMFCostCenter");
        groups->Fields().SelectFields({"Code"});
        groups->SetFilter(
            Talvex::SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kInList, Value(list)) +
            " AND oTable.IsGroup <> 0");
        groups->Refresh();
        auto rs = groups->Recordset();
        if (rs->RecordCount() > 0) {
            rs->MoveFirst();
            throw Talvex::ValueError("selCostCenter: '" + rs->Fields().Item("Code").Value().ToText() +
                                     "' is a group of cost centres; choose its centres");
        }
    }
    const std::string accSet = Ctl("cbAccSet").GetValue().ToText();
    if (accSet.empty()) throw Talvex::ValueError("cbAccSet: choose an account set");
    In::CheckCodesExist(*book_, "GLAccSet", {accSet}, "cbAccSet", "account set");

    std::string joined;
    for (const auto& code : centres)
        joined += (joined.empty() ? "" : ",") + code;
    params.Add("BegDate", FieldType::kDate, Value(Ctl("edBegDate").GetValue().ToDate().FirstOfMonth()));
    params.Add("EndDate", FieldType::kDate, Value(Ctl("edEndDate").GetValue().ToDate().LastOfMonth()));
    params.Add("MFCostCenter", FieldType::kMultiSelection, Value(joined));
    params.Add("AccSetCode", FieldType::kCode, Value(accSet));
}

void frmAllocateCostByDept::btOk_Click()
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
