#include "quarn/sales/PeriodDepartmentForm.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

constexpr long kDepartmentText = 15012;

} // namespace

PeriodDepartment PeriodDepartment::From(const Talvex::FieldList& params)
{
    return {params.Item("BegPeriod").GetValue().ToDate(), params.Item("EndPeriod").GetValue().ToDate(),
            params.Item("Department").GetValue().ToText()};
}

std::string DepartmentSaleInvoices(const PeriodDepartment& params, const std::string& doc)
{
    using Talvex::SqlOperator;
    using Talvex::SqlTools;
    return SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {doc + ".DocTypeCode = 'PRSF'", doc + ".IsPosted = 1",
         SqlTools::CondByName(doc + ".DocumentDate", FieldType::kDate, SqlOperator::kBetween, Value(params.begPeriod),
                              Value(params.endPeriod)),
         SqlTools::CondByName(doc + ".Department", FieldType::kCode, SqlOperator::kEqual, Value(params.department))});
}

PeriodDepartmentForm::PeriodDepartmentForm(std::string name, const Captions& captions,
                                           std::shared_ptr<Talvex::Book> book, bool givesDepartmentName)
    : ParamForm(std::move(name), captions.form), book_(std::move(book)), givesDepartmentName_(givesDepartmentName)
{
    if (!book_) throw Talvex::ValueError(Name() + ": no Book to ask for");
    Add(ControlKind::DateBox, "edBegPeriod", captions.from);
    Add(ControlKind::DateBox, "edEndPeriod", captions.to);
    Add(ControlKind::ComboBox, "cbDep", ModuleFormRes().GetString(kDepartmentText))
        .BindLookup({"REFDepartment", "Code", "Name"});
}

void PeriodDepartmentForm::BeforeShow()
{
    OfferMonthToDate(*this, *book_, "edBegPeriod", "edEndPeriod");
}

bool PeriodDepartmentForm::Run(Talvex::FieldList& params)
{
    LoadControls(*this, params,
                 {{"BegPeriod", "edBegPeriod"}, {"EndPeriod", "edEndPeriod"}, {"Department", "cbDep"}});
    if (!Execute()) return false;
    const std::string department = ControlText(Ctl("cbDep").GetValue());
    params.Add("BegPeriod", FieldType::kDate, Value(*ControlDate(Ctl("edBegPeriod").GetValue())));
    params.Add("EndPeriod", FieldType::kDate, Value(*ControlDate(Ctl("edEndPeriod").GetValue())));
    params.Add("Department", FieldType::kCode, Value(department));
    if (givesDepartmentName_)
        params.Add("DepartmentName", FieldType::kText,
                   Value(DepartmentName(*book_, department).value_or(std::string())));
    return true;
}

void PeriodDepartmentForm::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    FieldRefusal refusal = PeriodRefusal(*this, "edBegPeriod", "edEndPeriod");
    if (!refusal.Refused()) refusal = DepartmentRefusal(*book_, *this, "cbDep", true);
    AnswerOK(refusal, IsOk, ErrMessage, ErrControl);
}

std::optional<PeriodDepartment> AskPeriodDepartment(PeriodDepartmentForm& form, const Talvex::FieldList& inParams,
                                                    Talvex::FieldList& outParams)
{
    CopyParams(inParams, outParams, {"BegPeriod", "EndPeriod", "Department"});
    if (!form.Run(outParams)) return std::nullopt;
    return PeriodDepartment::From(outParams);
}

} // namespace Quarn_DuzAde
