#include "quarn/ledger/CFinStateRun.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/ledger/frmFinState.hpp"

namespace Quarn_DuzAde {

bool CFinStateRun::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        auto oBook = GetBook(&inParams, false);
        frmFinState form;
        if (!form.Run(oBook)) return false;
        outParams.Add("DataList", Talvex::FieldType::kObject,
                      Talvex::Value(std::shared_ptr<Talvex::Object>(form.PrintList())));
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
