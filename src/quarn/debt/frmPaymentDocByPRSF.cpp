#include "quarn/debt/frmPaymentDocByPRSF.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/debt/internal/PayReportParts.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
namespace Parts = PayReportParts;

frmPaymentDocByPRSF::frmPaymentDocByPRSF(std::shared_ptr<Talvex::Book> book)
    : ParamForm("frmPaymentDocByPRSF", "Payment documents by sale invoice"), book_(std::move(book))
{
    Add(ControlKind::DateBox, "edDateBeg", "Invoices from");
    Add(ControlKind::DateBox, "edDateEnd", "to");
    Add(ControlKind::DateBox, "edRepDate", "Payments up to");
    Add(ControlKind::ComboBox, "cbClient", "Client").BindLookup({"REFClient", "Code", "Name"});
}

void frmPaymentDocByPRSF::BeforeShow()
{
    // A first run offers the month of the Book's today, paid as of today.
    const Talvex::Date today = book_->Today();
    if (Ctl("edDateBeg").GetValue().IsEmpty()) Ctl("edDateBeg").SetValue(Value(today.FirstOfMonth()));
    if (Ctl("edDateEnd").GetValue().IsEmpty()) Ctl("edDateEnd").SetValue(Value(today));
    if (Ctl("edRepDate").GetValue().IsEmpty()) Ctl("edRepDate").SetValue(Value(today));
}

bool frmPaymentDocByPRSF::Run(Talvex::FieldList& params)
{
    for (const auto& [name, control] : {std::pair{"DateBeg", "edDateBeg"}, std::pair{"DateEnd", "edDateEnd"},
                                        std::pair{"RepDate", "edRepDate"}, std::pair{"Client", "cbClient"}}) {
        if (params.ExistsField(name)) Ctl(control).SetValue(params.Item(name).GetValue());
    }
    if (!Execute()) return false;
    params.Add("DateBeg", FieldType::kDate, Value(Parts::ControlDate(*this, "edDateBeg", "the period's start")));
    params.Add("DateEnd", FieldType::kDate, Value(Parts::ControlDate(*this, "edDateEnd", "the period's end")));
    params.Add("RepDate", FieldType::kDate, Value(Parts::ControlDate(*this, "edRepDate", "the report date")));
    params.Add("Client", FieldType::kLongText, Value(Parts::ControlText(*this, "cbClient")));
    return true;
}

void frmPaymentDocByPRSF::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = false;
    try {
        const auto beg = Parts::ControlDate(*this, "edDateBeg", "the period's start");
        const auto end = Parts::ControlDate(*this, "edDateEnd", "the period's end");
        const auto rep = Parts::ControlDate(*this, "edRepDate", "the report date");
        Parts::CheckPeriod(beg, end, "edDateEnd");
        if (rep < beg)
            throw Talvex::ValueError("edRepDate: the report date (" + rep.ToIso() +
                                     ") falls before the period starts (" + beg.ToIso() + ")");
        Parts::CheckClient(*book_, Parts::ControlText(*this, "cbClient"), "cbClient");
        IsOk = true;
    } catch (const Talvex::ValueError& e) {
        Parts::RefusalOf(*this, e, ErrMessage, ErrControl);
    }
}

} // namespace Quarn_DuzAde
