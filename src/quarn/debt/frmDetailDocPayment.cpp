#include "quarn/debt/frmDetailDocPayment.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/debt/CDetailDocPayment.hpp"
#include "quarn/debt/internal/PayReportParts.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
namespace Parts = PayReportParts;

frmDetailDocPayment::frmDetailDocPayment(std::shared_ptr<Talvex::Book> book)
    : ParamForm("frmDetailDocPayment", "Detailed document payment"), book_(std::move(book))
{
    // The list offers every document by its number, its type beside it.
    Add(ControlKind::ComboBox, "cbDocument", "Document number").BindLookup({"THDocument", "Number", "DocTypeCode"});
    Add(ControlKind::DateBox, "edRepDate", "Payments up to");
}

void frmDetailDocPayment::BeforeShow()
{
    if (Ctl("edRepDate").GetValue().IsEmpty()) Ctl("edRepDate").SetValue(Value(book_->Today()));
}

bool frmDetailDocPayment::Run(Talvex::FieldList& params)
{
    if (params.ExistsField("DocNumber")) Ctl("cbDocument").SetValue(params.Item("DocNumber").GetValue());
    if (params.ExistsField("RepDate")) Ctl("edRepDate").SetValue(params.Item("RepDate").GetValue());
    if (!Execute()) return false;
    params.Add("DocNumber", FieldType::kText, Value(Parts::ControlText(*this, "cbDocument")));
    params.Add("DocID", FieldType::kId, Value(docId_));
    params.Add("RepDate", FieldType::kDate, Value(Parts::ControlDate(*this, "edRepDate", "the report date")));
    return true;
}

void frmDetailDocPayment::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = false;
    try {
        docId_ = CDetailDocPayment::FindDocument(*book_, Parts::ControlText(*this, "cbDocument"), "cbDocument");
        Parts::ControlDate(*this, "edRepDate", "the report date");
        IsOk = true;
    } catch (const Talvex::ValueError& e) {
        Parts::RefusalOf(*this, e, ErrMessage, ErrControl);
    }
}

} // namespace Quarn_DuzAde
