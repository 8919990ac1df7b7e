#include "quarn/cost/CCostRecalc.hpp"

#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/BaseDialog.hpp"
#include "quarn/cost/CostCheck.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

#include <memory>

namespace Quarn_DuzAde {

bool CCostRecalc::Run(Talvex::FieldList& inParams, Talvex::FieldList& /*outParams*/)
{
    try {
        auto book = GetBook(&inParams, false);
        // The form is declared first so that the dialog lets go of it before it goes.
        CostCheck form;
        Talvex::Ui::BaseDialog dialog;
        if (!form.Init(dialog, inParams)) return false;
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
