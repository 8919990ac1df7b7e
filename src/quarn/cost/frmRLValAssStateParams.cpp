#include "quarn/cost/frmRLValAssStateParams.hpp"

#include "host/objects/Book.hpp"
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
constexpr long kDepartmentText = 15012;
constexpr long kUnderText = 15647;
constexpr long kStateDateText = 15648;
} // namespace

frmRLValAssStateParams::frmRLValAssStateParams() : Form("frmRLValAssStateParams")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::ComboBox, "cbDepartment", res.GetString(kDepartmentText))
        .BindLookup({"REFDepartment", "Code", "Name"});
    Add(ControlKind::CheckBox, "chDeptGroup", res.GetString(kUnderText));
    Add(ControlKind::DateBox, "edStateDate", res.GetString(kStateDateText));
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmRLValAssStateParams::Run(const std::shared_ptr<Talvex::Book>& book, int& deptType, std::string& deptCode,
                                 Talvex::Date& stateDate)
{
    frmRLValAssStateParams form;
    form.book_ = book;
    form.Ctl("cbDepartment").SetValue(Value(deptCode));
    form.Ctl("chDeptGroup").SetValue(Value(deptType == 1 ? 1 : 0));
    form.Ctl("edStateDate").SetValue(Value(stateDate));
    form.Show(true);
    if (!form.confirmed_) return false;
    deptCode = form.Ctl("cbDepartment").GetValue().ToText();
    deptType = form.Ctl("chDeptGroup").GetValue().ToBool() ? 1 : 0;
    stateDate = form.Ctl("edStateDate").GetValue().ToDate();
    return true;
}

void frmRLValAssStateParams::CheckInput() const
{
    if (!Ctl("edStateDate").GetValue().IsDate()) throw Talvex::ValueError("edStateDate: choose the day");
    const std::string code = Ctl("cbDepartment").GetValue().ToText();
    if (!code.empty()) CubeParamInput::CheckCodesExist(*book_, "REFDepartment", {code}, "cbDepartment", "department");
}

void frmRLValAssStateParams::btOk_Click()
{
    try {
        CheckInput();
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
