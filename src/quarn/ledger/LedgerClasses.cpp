// The public classes of the general-ledger reports.
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/ledger/CCredGL.hpp"
#include "quarn/ledger/CDebtGL.hpp"

namespace Quarn_DuzAde {

void RegisterLedgerClasses(ClassRegistry& registry)
{
    registry.Add<CDebtGL>("ledger", "CDebtGL");
    registry.Add<CCredGL>("ledger", "CCredGL");
}

} // namespace Quarn_DuzAde
