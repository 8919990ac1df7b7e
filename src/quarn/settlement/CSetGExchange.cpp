#include "quarn/settlement/CSetGExchange.hpp"

#include "host/objects/FieldList.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/settlement/frmSetGExchange.hpp"

namespace Quarn_DuzAde {

bool CSetGExchange::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        frmSetGExchange form;
        return SettlementBatchForm::RunInDialog(form, inParams, outParams);
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
