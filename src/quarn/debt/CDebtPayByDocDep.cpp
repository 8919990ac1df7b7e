#include "quarn/debt/CDebtPayByDocDep.hpp"

#include "host/objects/FieldList.hpp"

namespace Quarn_DuzAde {

bool CDebtPayByDocDep::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    inParams.Add("FilterByDepartment", Talvex::FieldType::kFlag, Talvex::Value(true));
    SetVisual(true);
    return CDebtPayByDoc::Run(inParams, outParams);
}

} // namespace Quarn_DuzAde
