#include "quarn/sales/frmRepDeptSaleByClients.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/Startup.hpp"

#include <optional>

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

constexpr long kDepartmentText = 15012;
constexpr long kChooseDepartment = 26505;
constexpr long kWrongDates = 27133;
constexpr long kPeriodReversed = 457;

std::optional<Talvex::Date> DateOf(const Value& value)
{
    if (value.IsDate()) return value.ToDate();
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    Talvex::Date date;
    if (Talvex::Date::TryParse(value.ToText(), date)) return date;
    return std::nullopt;
}

} // namespace

frmRepDeptSaleByClients::frmRepDeptSaleByClients(std::shared_ptr<Talvex::Book> book)
    : ParamForm("frmRepDeptSaleByClients", "Sales and debt by clients of a department"), book_(std::move(book))
{
    Add(ControlKind::DateBox, "edBegPeriod", "From");
    Add(ControlKind::DateBox, "edEndPeriod", "To");
    Add(ControlKind::ComboBox, "cbDep", ModuleFormRes().GetString(kDepartmentText))
        .BindLookup({"REFDepartment", "Code", "Name"});
}

void frmRepDeptSaleByClients::BeforeShow()
{
    const Talvex::Date today = book_->Today();
    if (!DateOf(Ctl("edBegPeriod").GetValue())) Ctl("edBegPeriod").SetValue(Value(today.FirstOfMonth()));
    if (!DateOf(Ctl("edEndPeriod").GetValue())) Ctl("edEndPeriod").SetValue(Value(today));
}

bool frmRepDeptSaleByClients::Run(Talvex::FieldList& params)
{
    for (const auto& [name, control] : {std::pair{"BegPeriod", "edBegPeriod"}, std::pair{"EndPeriod", "edEndPeriod"},
                                        std::pair{"Department", "cbDep"}}) {
        if (params.ExistsField(name)) Ctl(control).SetValue(params.Item(name).GetValue());
    }
    if (!Execute()) return false;
    params.Add("BegPeriod", FieldType::kDate, Value(*DateOf(Ctl("edBegPeriod").GetValue())));
    params.Add("EndPeriod", FieldType::kDate, Value(*DateOf(Ctl("edEndPeriod").GetValue())));
    params.Add("Department", FieldType::kCode, Value(Ctl("cbDep").GetValue().ToText()));
    return true;
}

void frmRepDeptSaleByClients::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = false;
    const auto& res = ModuleFormRes();
    const auto beg = DateOf(Ctl("edBegPeriod").GetValue());
    const auto end = DateOf(Ctl("edEndPeriod").GetValue());
    const Value& depValue = Ctl("cbDep").GetValue();
    const std::string department = depValue.IsNull() || depValue.IsEmpty() ? std::string() : depValue.ToText();
    if (!beg) {
        ErrMessage = res.GetString(kWrongDates);
        ErrControl = "edBegPeriod";
    } else if (!end) {
        ErrMessage = res.GetString(kWrongDates);
        ErrControl = "edEndPeriod";
    } else if (*end < *beg) {
        ErrMessage = res.GetString(kPeriodReversed);
        ErrControl = "edEndPeriod";
    } else if (const std::string tooLong = PeriodTooLong("edEndPeriod", *beg, *end); !tooLong.empty()) {
        ErrMessage = tooLong;
        ErrControl = "edEndPeriod";
    } else if (department.empty()) {
        ErrMessage = res.GetString(kChooseDepartment);
        ErrControl = "cbDep";
    } else if (!DepartmentExists(department)) {
        ErrMessage = "There is no department with the code '" + department + "'";
        ErrControl = "cbDep";
    } else {
        IsOk = true;
    }
}

bool frmRepDeptSaleByClients::DepartmentExists(const std::string& code) const
{
    auto departments = book_->CreateList("REFDepartment");
    departments->Fields().SelectFields({"Code"});
    departments->SetFilter(
        Talvex::SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kEqual, Value(code)));
    departments->Refresh();
    return departments->Recordset()->RecordCount() > 0;
}

} // namespace Quarn_DuzAde
