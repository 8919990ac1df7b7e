#pragma once

#include "quarn/debt/frmDebtPayByDoc.hpp"

namespace Quarn_DuzAde {

// The parameters of the outstanding accounts: the client or client group, the side and the
// market groups; the accounts stand as of today.
class frmNotPayedInv : public frmDebtPayByDoc {
public:
    frmNotPayedInv() : frmDebtPayByDoc("frmNotPayedInv", false, false) {}
};

} // namespace Quarn_DuzAde
