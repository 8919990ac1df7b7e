#include "quarn/ledger/CCredGL.hpp"

#include "host/objects/FieldList.hpp"
#include "quarn/ledger/CDebtGL.hpp"

namespace Quarn_DuzAde {

bool CCredGL::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    outParams.Add("Credit", Talvex::FieldType::kFlag, Talvex::Value(true));
    CDebtGL debt;
    debt.SetVisual(Visual());
    return debt.Run(inParams, outParams);
}

} // namespace Quarn_DuzAde
