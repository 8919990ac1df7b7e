#include "quarn/debt/COutStandingAccounts.hpp"

#include "host/objects/FieldList.hpp"

namespace Quarn_DuzAde {

bool COutStandingAccounts::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    inParams.Add("OutStandingAccounts", Talvex::FieldType::kFlag, Talvex::Value(true));
    SetVisual(true);
    return CDebtPayByDoc::Run(inParams, outParams);
}

} // namespace Quarn_DuzAde
