#include "quarn/settlement/CSetGExchange.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/BaseDialog.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/settlement/frmSetGExchange.hpp"

#include <memory>

namespace Quarn_DuzAde {

bool CSetGExchange::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        // The form is declared first so that the dialog lets go of it before it goes.
        frmSetGExchange form;
        Talvex::Ui::BaseDialog dialog;
        if (!form.Init(dialog, inParams)) return false;
        dialog.Init(form, std::make_shared<Talvex::Erp::THDocumentObject>(book), Talvex::Value());
        dialog.RunForm(false, false, nullptr);
        // Closed with btUsePrint: the host prints the list.
        std::shared_ptr<Talvex::Object> printed;
        if (form.PrintRequested()) printed = form.PrintList();
        dialog.UnloadForm();
        if (printed) {
            outParams.Add("DataList", Talvex::FieldType::kObject, Talvex::Value(printed));
            return true;
        }
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
