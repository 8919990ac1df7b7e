#include "quarn/ledger/frmOrvCredGL.hpp"

namespace Quarn_DuzAde {

frmOrvCredGL::frmOrvCredGL() : frmOrvDebtGL("frmOrvCredGL", "Kreditorių skola pagal sąskaitą", "450") {}

} // namespace Quarn_DuzAde
