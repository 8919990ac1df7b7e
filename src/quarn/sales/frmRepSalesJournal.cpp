#include "quarn/sales/frmRepSalesJournal.hpp"

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

// The date a control holds, typed or picked; none when it holds no date.
std::optional<Talvex::Date> DateOf(const Value& value)
{
    if (value.IsDate()) return value.ToDate();
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    Talvex::Date date;
    if (Talvex::Date::TryParse(value.ToText(), date)) return date;
    return std::nullopt;
}

std::string TextOf(const Value& value)
{
    return value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
}

} // namespace

frmRepSalesJournal::frmRepSalesJournal(std::shared_ptr<Talvex::Book> book)
    : ParamForm("frmRepSalesJournal", "Pardavimų žurnalas"), book_(std::move(book))
{
    Add(ControlKind::DateBox, "edBegPeriod", "Nuo");
    Add(ControlKind::DateBox, "edEndPeriod", "Iki");
    Add(ControlKind::ComboBox, "cbDep", ModuleFormRes().GetString(kDepartmentText))
        .BindLookup({"REFDepartment", "Code", "Name"});
}

void frmRepSalesJournal::BeforeShow()
{
    // A first run offers the month of the Book's today.
    const Talvex::Date today = book_->Today();
    if (!DateOf(Ctl("edBegPeriod").GetValue())) Ctl("edBegPeriod").SetValue(Value(today.FirstOfMonth()));
    if (!DateOf(Ctl("edEndPeriod").GetValue())) Ctl("edEndPeriod").SetValue(Value(today));
}

bool frmRepSalesJournal::Run(Talvex::FieldList& params)
{
    for (const auto& [name, control] : {std::pair{"BegPeriod", "edBegPeriod"}, std::pair{"EndPeriod", "edEndPeriod"},
                                        std::pair{"Department", "cbDep"}}) {
        if (params.ExistsField(name)) Ctl(control).SetValue(params.Item(name).GetValue());
    }
    if (!Execute()) return false;
    const std::string department = TextOf(Ctl("cbDep").GetValue());
    params.Add("BegPeriod", FieldType::kDate, Value(*DateOf(Ctl("edBegPeriod").GetValue())));
    params.Add("EndPeriod", FieldType::kDate, Value(*DateOf(Ctl("edEndPeriod").GetValue())));
    params.Add("Department", FieldType::kCode, Value(department));
    params.Add("DepartmentName", FieldType::kText, Value(DepartmentName(department)));
    return true;
}

void frmRepSalesJournal::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = false;
    const auto& res = ModuleFormRes();
    const auto beg = DateOf(Ctl("edBegPeriod").GetValue());
    const auto end = DateOf(Ctl("edEndPeriod").GetValue());
    const std::string department = TextOf(Ctl("cbDep").GetValue());
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
    } else if (DepartmentName(department).empty()) {
        ErrMessage = "There is no department with the code '" + department + "'";
        ErrControl = "cbDep";
    } else {
        IsOk = true;
    }
}

std::string frmRepSalesJournal::DepartmentName(const std::string& code) const
{
    auto departments = book_->CreateList("REFDepartment");
    departments->Fields().SelectFields({"Code", "Name"});
    departments->SetFilter(
        Talvex::SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kEqual, Value(code)));
    departments->Refresh();
    auto rs = departments->Recordset();
    if (rs->RecordCount() == 0) return {};
    rs->MoveFirst();
    const std::string name = rs->Fields().Item("Name").Value().ToText();
    // A department without a name is still one: it shows by its code.
    return name.empty() ? code : name;
}

} // namespace Quarn_DuzAde
