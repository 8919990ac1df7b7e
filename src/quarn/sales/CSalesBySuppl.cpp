#include "quarn/sales/CSalesBySuppl.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/sales/CSalesBySupplImpl.hpp"
#include "quarn/sales/frmSalesBySupply.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::FieldList;
using Talvex::Value;
using Kind = Talvex::FieldType;

namespace {

Date DateOr(const FieldList& params, const char* name, Date fallback)
{
    if (!params.ExistsField(name)) return fallback;
    const Value& v = params.Item(name).GetValue();
    return v.IsDate() ? v.ToDate() : fallback;
}

} // namespace

bool CSalesBySuppl::Run(FieldList& inParams, FieldList& outParams)
{
    try {
        std::shared_ptr<Talvex::Book> book = GetBook(&inParams, false);
        const Date today = book->Today();
        Date begDate = DateOr(inParams, "BegDate", today.FirstOfMonth());
        Date endDate = DateOr(inParams, "EndDate", today);
        std::string client =
            inParams.ExistsField("ClientCode") ? inParams.Item("ClientCode").GetValue().ToText() : std::string();
        std::string clientName;
        long payTerm = 0;
        frmSalesBySupply form;
        if (!form.Run(book, begDate, endDate, client, clientName, payTerm)) return false;

        frmSalesBySupply::Supplier supplier;
        frmSalesBySupply::FindSupplier(*book, client, supplier);
        CSalesBySupplImpl impl;
        impl.Init(book);
        auto list = impl.SaleBySupplList(client, supplier.isGroup, begDate, endDate);
        list->Refresh();
        if (list->Recordset()->RecordCount() == 0) {
            // The empty list is still the answer; the user is told why the grid is empty.
            Talvex::Ui::MessageBox().ShowSingle("Nothing bought on pay-on-sale terms from " + client + " (" +
                                                    clientName + ") was sold from " + begDate.ToIso() + " to " +
                                                    endDate.ToIso() + ".",
                                                "Gerai");
        }

        outParams.Add("ClientCode", Kind::kCode, Value(client));
        outParams.Add("ClientName", Kind::kLongText, Value(clientName));
        outParams.Add("PayTerm", Kind::kId, Value(static_cast<std::int64_t>(payTerm)));
        outParams.Add("BegDate", Kind::kDate, Value(begDate));
        outParams.Add("EndDate", Kind::kDate, Value(endDate));
        outParams.Add("DataList", Kind::kObject, Value(std::shared_ptr<Talvex::Object>(list)));
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

} // namespace Quarn_DuzAde
