#include "quarn/frame/ParamChecks.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;

namespace {

constexpr long kChooseDepartment = 26505;
constexpr long kWrongDates = 27133;
constexpr long kPeriodReversed = 457;
constexpr long kNothingToShow = 28650;

} // namespace

std::optional<Talvex::Date> ControlDate(const Value& value)
{
    if (value.IsDate()) return value.ToDate();
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    Talvex::Date date;
    if (Talvex::Date::TryParse(value.ToText(), date)) return date;
    return std::nullopt;
}

std::string ControlText(const Value& value)
{
    return value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
}

void AnswerOK(const FieldRefusal& refusal, bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = !refusal.Refused();
    if (IsOk) return;
    ErrMessage = refusal.message;
    ErrControl = refusal.control;
}

FieldRefusal PeriodRefusal(const Talvex::Ui::Form& form, const char* begBox, const char* endBox)
{
    const auto& res = ModuleFormRes();
    const auto beg = ControlDate(form.Ctl(begBox).GetValue());
    const auto end = ControlDate(form.Ctl(endBox).GetValue());
    if (!beg) return {begBox, res.GetString(kWrongDates)};
    if (!end) return {endBox, res.GetString(kWrongDates)};
    if (*end < *beg) return {endBox, res.GetString(kPeriodReversed)};
    if (std::string tooLong = PeriodTooLong(endBox, *beg, *end); !tooLong.empty()) return {endBox, std::move(tooLong)};
    return {};
}

FieldRefusal DepartmentRefusal(Talvex::Book& book, const Talvex::Ui::Form& form, const char* box, bool required)
{
    const std::string department = ControlText(form.Ctl(box).GetValue());
    if (department.empty())
        return required ? FieldRefusal{box, ModuleFormRes().GetString(kChooseDepartment)} : FieldRefusal{};
    if (!DepartmentName(book, department)) return {box, "There is no department with the code '" + department + "'"};
    return {};
}

std::optional<std::string> DepartmentName(Talvex::Book& book, const std::string& code)
{
    auto departments = book.CreateList("REFDepartment");
    departments->Fields().SelectFields({"Code", "Name"});
    departments->SetFilter(Talvex::SqlTools::CondByName("oTable.Code", Talvex::FieldType::kCode,
                                                        Talvex::SqlOperator::kEqual, Value(code)));
    departments->Refresh();
    auto rs = departments->Recordset();
    if (rs->RecordCount() == 0) return std::nullopt;
    rs->MoveFirst();
    const std::string name = ControlText(rs->Fields().Item("Name").Value());
    return name.empty() ? code : name;
}

void OfferMonthToDate(Talvex::Ui::Form& form, const Talvex::Book& book, const char* begBox, const char* endBox)
{
    const Talvex::Date today = book.Today();
    if (!ControlDate(form.Ctl(begBox).GetValue())) form.Ctl(begBox).SetValue(Value(today.FirstOfMonth()));
    if (!ControlDate(form.Ctl(endBox).GetValue())) form.Ctl(endBox).SetValue(Value(today));
}

void LoadControls(Talvex::Ui::Form& form, const Talvex::FieldList& params,
                  std::initializer_list<std::pair<const char*, const char*>> names)
{
    for (const auto& [name, control] : names)
        if (params.ExistsField(name)) form.Ctl(control).SetValue(params.Item(name).GetValue());
}

void CopyParams(const Talvex::FieldList& from, Talvex::FieldList& to, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (from.ExistsField(name)) to.Add(name, from.Item(name).TypeCode(), from.Item(name).GetValue());
}

Value GivenParam(const Talvex::FieldList& inParams, const Talvex::FieldList& outParams, std::string_view name)
{
    if (outParams.ExistsField(name)) {
        const Value& v = outParams.Item(name).GetValue();
        if (!v.IsEmpty() && !v.IsNull()) return v;
    }
    if (inParams.ExistsField(name)) return inParams.Item(name).GetValue();
    return {};
}

void DeclareParam(Talvex::FieldList& params, const std::string& name, Talvex::FieldType kind, const Value& value)
{
    if (!params.ExistsField(name)) params.Add(name, kind, value);
}

void SayNothingToShow()
{
    Talvex::Ui::MessageBox().ShowSingle(ModuleFormRes().GetString(kNothingToShow), "Gerai");
}

void TellInSession(const std::string& text)
{
    if (Talvex::Ui::Session* session = Talvex::Ui::Session::TryCurrent()) Talvex::Ui::MessageBox(*session).Show(text);
}

} // namespace Quarn_DuzAde
