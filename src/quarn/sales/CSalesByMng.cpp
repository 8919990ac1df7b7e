#include "quarn/sales/CSalesByMng.hpp"

#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/BaseDialog.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/sales/SalesByMngDlg.hpp"

namespace Quarn_DuzAde {

bool CSalesByMng::Run(Talvex::FieldList& inParams, Talvex::FieldList& /*outParams*/)
{
    try {
        auto book = GetBook(&inParams, false);
        SalesByMngDlg form;
        Talvex::Ui::BaseDialog dialog;
        form.Init(dialog, inParams);
        dialog.Init(form, std::make_shared<Talvex::Erp::THDocumentObject>(book), Talvex::Value());
        dialog.RunForm(false, false, nullptr);
        dialog.UnloadForm();
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
