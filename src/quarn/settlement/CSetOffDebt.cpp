#include "quarn/settlement/CSetOffDebt.hpp"

#include "host/objects/FieldList.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/settlement/frmSetOffDebt.hpp"

namespace Quarn_DuzAde {

bool CSetOffDebt::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        frmSetOffDebt form;
        return SettlementBatchForm::RunInDialog(form, inParams, outParams);
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
