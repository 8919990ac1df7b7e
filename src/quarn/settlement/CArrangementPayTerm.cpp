#include "quarn/settlement/CArrangementPayTerm.hpp"

#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/BaseDialog.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/settlement/frmArrangementPayTerm.hpp"

namespace Quarn_DuzAde {

void CArrangementPayTerm::Main(Talvex::FieldList& params)
{
    try {
        std::shared_ptr<Talvex::Book> book = GetBook(&params, false);
        auto document = std::make_shared<Talvex::Erp::THDocumentObject>(book);
        Talvex::FieldList param;
        param.Add("Book", Talvex::FieldType::kObject, Talvex::Value(std::shared_ptr<Talvex::Object>(book)));
        if (params.ExistsField("FixCategory"))
            param.Add("FixCategory", Talvex::FieldType::kCode, params.Item("FixCategory").GetValue());
        frmArrangementPayTerm form;
        Talvex::Ui::BaseDialog dialog;
        form.Init(dialog, param);
        dialog.Init(form, document, Talvex::Value());
        dialog.RunForm(false, false);
        dialog.UnloadForm();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
