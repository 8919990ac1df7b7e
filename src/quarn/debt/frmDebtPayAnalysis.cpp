#include "quarn/debt/frmDebtPayAnalysis.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/debt/internal/PayReportParts.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
namespace Parts = PayReportParts;

frmDebtPayAnalysis::frmDebtPayAnalysis(std::shared_ptr<Talvex::Book> book)
    : ParamForm("frmDebtPayAnalysis", "Debt payment analysis"), book_(std::move(book))
{
    Add(ControlKind::DateBox, "edDateBeg", "Terms due from");
    Add(ControlKind::DateBox, "edDateEnd", "to");
    Add(ControlKind::DateBox, "edRepDate", "Payments up to");
    Add(ControlKind::ComboBox, "cbClient", "Client").BindLookup({"REFClient", "Code", "Name"});
    auto& receivables = Add(ControlKind::OptionButton, "Option1", "Receivables (clients pay us)");
    receivables.SetGroup("optSide");
    receivables.SetValue(Value(true));
    Add(ControlKind::OptionButton, "Option2", "Payables (we pay suppliers)").SetGroup("optSide");
}

void frmDebtPayAnalysis::BeforeShow()
{
    // A first run offers the year up to the Book's today, paid as of today.
    const Talvex::Date today = book_->Today();
    if (Ctl("edDateBeg").GetValue().IsEmpty()) Ctl("edDateBeg").SetValue(Value(Talvex::Date(today.Year(), 1, 1)));
    if (Ctl("edDateEnd").GetValue().IsEmpty()) Ctl("edDateEnd").SetValue(Value(today));
    if (Ctl("edRepDate").GetValue().IsEmpty()) Ctl("edRepDate").SetValue(Value(today));
}

bool frmDebtPayAnalysis::Run(Talvex::FieldList& params)
{
    for (const auto& [name, control] : {std::pair{"DateBeg", "edDateBeg"}, std::pair{"DateEnd", "edDateEnd"},
                                        std::pair{"RepDate", "edRepDate"}, std::pair{"Client", "cbClient"}}) {
        if (params.ExistsField(name)) Ctl(control).SetValue(params.Item(name).GetValue());
    }
    const bool payables = Parts::ParamText(params, "Direction") == "1";
    Ctl("Option1").SetValue(Value(!payables));
    Ctl("Option2").SetValue(Value(payables));
    if (!Execute()) return false;
    params.Add("DateBeg", FieldType::kDate, Value(Parts::ControlDate(*this, "edDateBeg", "the period's start")));
    params.Add("DateEnd", FieldType::kDate, Value(Parts::ControlDate(*this, "edDateEnd", "the period's end")));
    params.Add("RepDate", FieldType::kDate, Value(Parts::ControlDate(*this, "edRepDate", "the report date")));
    params.Add("Client", FieldType::kLongText, Value(Parts::ControlText(*this, "cbClient")));
    params.Add("Direction", FieldType::kQuantity, Value(std::int64_t{Ctl("Option2").GetValue().ToBool() ? 1 : 2}));
    return true;
}

void frmDebtPayAnalysis::Check() const
{
    const auto beg = Parts::ControlDate(*this, "edDateBeg", "the period's start");
    const auto end = Parts::ControlDate(*this, "edDateEnd", "the period's end");
    const auto rep = Parts::ControlDate(*this, "edRepDate", "the report date");
    Parts::CheckPeriod(beg, end, "edDateEnd");
    if (rep < beg)
        throw Talvex::ValueError("edRepDate: the report date (" + rep.ToIso() + ") falls before the period starts (" +
                                 beg.ToIso() + ")");
    Parts::CheckClient(*book_, Parts::ControlText(*this, "cbClient"), "cbClient");
}

void frmDebtPayAnalysis::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = false;
    try {
        Check();
        IsOk = true;
    } catch (const Talvex::ValueError& e) {
        Parts::RefusalOf(*this, e, ErrMessage, ErrControl);
    }
}

} // namespace Quarn_DuzAde
