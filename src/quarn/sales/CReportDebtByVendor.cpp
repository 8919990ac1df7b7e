#include "quarn/sales/CReportDebtByVendor.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/sales/CConsign.hpp"
#include "quarn/sales/ParmRestByVendor.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;

bool CReportDebtByVendor::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        std::shared_ptr<Talvex::Book> book = GetBook(&inParams, false);
        Talvex::Date repDate = book->Today();
        std::string marketGroup, clientGr, fixCat;
        ParmRestByVendor form;
        if (!form.Run(repDate, marketGroup, clientGr, book, fixCat)) return false;
        CConsign consign;
        consign.Init(book);
        auto debt = consign.DebtByVendor(repDate, marketGroup, clientGr, true, fixCat);
        if (debt->RecordCount() == 0)
            Talvex::Ui::MessageBox().ShowSingle(
                "No vendor of " + marketGroup + " has goods taken on consignment by " + repDate.ToIso() + ".", "Gerai");
        outParams.Add("DataList", Talvex::FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(debt)));
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

} // namespace Quarn_DuzAde
