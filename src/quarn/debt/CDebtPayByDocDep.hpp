#pragma once

#include "quarn/debt/CDebtPayByDoc.hpp"

namespace Quarn_DuzAde {

// Debt payment by document in another mode: the department mode: the same instalments grouped and totalled by
// department first.
class CDebtPayByDocDep : public CDebtPayByDoc {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
