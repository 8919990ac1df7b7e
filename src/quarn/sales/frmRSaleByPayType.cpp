#include "quarn/sales/frmRSaleByPayType.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/frame/PeriodLimit.hpp"
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
constexpr long kWrongDates = 27133;
constexpr long kPeriodReversed = 457;

std::optional<Date> DateOf(const Value& value)
{
    if (value.IsDate()) return value.ToDate();
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    Date date;
    if (Date::TryParse(value.ToText(), date)) return date;
    return std::nullopt;
}

std::string TextOf(const Value& value)
{
    return value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
}

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
    for (const auto& [name, control] :
         {std::pair{"BegPeriod", "edBegDate"}, std::pair{"EndPeriod", "edEndDate"}, std::pair{"Department", "cbDep"}}) {
        if (params.ExistsField(name)) Ctl(control).SetValue(params.Item(name).GetValue());
    }
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

std::pair<std::string, std::string> frmRSaleByPayType::Refusal() const
{
    const auto& res = ModuleFormRes();
    const auto beg = DateOf(Ctl("edBegDate").GetValue());
    const auto end = DateOf(Ctl("edEndDate").GetValue());
    if (!beg) return {"edBegDate", res.GetString(kWrongDates)};
    if (!end) return {"edEndDate", res.GetString(kWrongDates)};
    if (*end < *beg) return {"edEndDate", res.GetString(kPeriodReversed)};
    if (const std::string tooLong = PeriodTooLong("edEndDate", *beg, *end); !tooLong.empty())
        return {"edEndDate", tooLong};
    const std::string department = TextOf(Ctl("cbDep").GetValue());
    if (!department.empty()) {
        auto list = book_->CreateList("REFDepartment");
        list->Fields().SelectFields({"Code"});
        list->SetFilter(Talvex::SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kEqual,
                                                     Value(department)));
        list->Refresh();
        if (list->Recordset()->RecordCount() == 0)
            return {"cbDep", "There is no department with the code '" + department + "'"};
    }
    return {};
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
            params_->Add("BegPeriod", FieldType::kDate, Value(*DateOf(Ctl("edBegDate").GetValue())));
            params_->Add("EndPeriod", FieldType::kDate, Value(*DateOf(Ctl("edEndDate").GetValue())));
            params_->Add("Department", FieldType::kCode, Value(TextOf(Ctl("cbDep").GetValue())));
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
