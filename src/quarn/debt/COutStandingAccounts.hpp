#pragma once

#include "quarn/debt/CDebtPayByDoc.hpp"

namespace Quarn_DuzAde {

// Debt payment by document in another mode: the outstanding accounts of a client or client group as of today, asked on
// frmNotPayedInv.
class COutStandingAccounts : public CDebtPayByDoc {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
