#pragma once

#include "quarn/ledger/frmOrvDebtGL.hpp"

namespace Quarn_DuzAde {

// Parameters of the payables reconciliation: the receivables form with the creditors'
// account as its default.
class frmOrvCredGL : public frmOrvDebtGL {
public:
    frmOrvCredGL();
};

} // namespace Quarn_DuzAde
