// The public classes of the general-ledger reports.
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/ledger/CCredGL.hpp"
#include "quarn/ledger/CDebtGL.hpp"
#include "quarn/ledger/CFinStateRun.hpp"
#include "quarn/ledger/CRepGLExpanded.hpp"
#include "quarn/ledger/CReportProfit.hpp"

namespace Quarn_DuzAde {

void RegisterLedgerClasses(ClassRegistry& registry)
{
    registry.Add<CDebtGL>("ledger", "CDebtGL");
    registry.Add<CCredGL>("ledger", "CCredGL");
    registry.Add<CReportProfit>("ledger", "CReportProfit");
    registry.Add<CRepGLExpanded>("ledger", "CRepGLExpanded");
    registry.Add<CFinStateRun>("ledger", "CFinStateRun");
}

} // namespace Quarn_DuzAde
