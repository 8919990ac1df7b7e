#include "quarn/sales/frmRSaleByPayType.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <optional>

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr long kDepartmentText = 15540;

} // namespace

frmRSaleByPayType::frmRSaleByPayType(std::shared_ptr<Talvex::Book> book)
    : Form("frmRSaleByPayType", "Pardavimai pagal apmokėjimo būdą"), book_(std::move(book))
{
    Add(ControlKind::DateBox, "edBegDate", "Nuo");
    Add(ControlKind::DateBox, "edEndDate", "Iki");
    Add(ControlKind::ComboBox, "cbDep", ModuleFormRes().GetString(kDepartmentText))
        .BindLookup({"REFDepartment", "Code", "Name"});
    Add(ControlKind::Button, "btOk", "Gerai").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Atšaukti").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmRSaleByPayType::Run(Talvex::FieldList& params)
{
    params_ = &params;
    LoadControls(*this, params, {{"BegPeriod", "edBegDate"}, {"EndPeriod", "edEndDate"}, {"Department", "cbDep"}});
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

std::pair<std::string, std::string> frmRSaleByPayType::Refusal() const
{
    FieldRefusal refusal = PeriodRefusal(*this, "edBegDate", "edEndDate");
    if (!refusal.Refused()) refusal = DepartmentRefusal(*book_, *this, "cbDep", false);
    return {refusal.control, refusal.message};
}

void frmRSaleByPayType::btOk_Click()
{
    try {
        for (const char* control : {"edBegDate", "edEndDate", "cbDep"})
            Ctl(control).SetRefusal("");
        const auto [control, message] = Refusal();
        if (!control.empty()) {
            // The dialog stays open with the user's input, and the parameters as they were.
            Ctl(control).SetRefusal(message);
            Talvex::Ui::MessageBox().ShowSingle(Name() + "." + control + ": " + message, "Gerai", "",
                                                Talvex::Ui::MessageKind::Refusal);
            return;
        }
        if (params_) {
            params_->Add("BegPeriod", FieldType::kDate, Value(*ControlDate(Ctl("edBegDate").GetValue())));
            params_->Add("EndPeriod", FieldType::kDate, Value(*ControlDate(Ctl("edEndDate").GetValue())));
            params_->Add("Department", FieldType::kCode, Value(ControlText(Ctl("cbDep").GetValue())));
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
