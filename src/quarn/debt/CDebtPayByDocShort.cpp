#include "quarn/debt/CDebtPayByDocShort.hpp"

#include "host/objects/FieldList.hpp"

namespace Quarn_DuzAde {

bool CDebtPayByDocShort::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    inParams.Add("ShortRepKind", Talvex::FieldType::kFlag, Talvex::Value(true));
    SetVisual(true);
    return CDebtPayByDoc::Run(inParams, outParams);
}

} // namespace Quarn_DuzAde
