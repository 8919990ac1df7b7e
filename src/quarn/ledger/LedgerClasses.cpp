// The public classes of the general-ledger reports.
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterLedgerClasses(ClassRegistry& registry)
{
    // Each report of the folder adds its line here as it is written, for example
    // registry.Add<CReport>("ledger", "CReport");
    (void)registry;
}

} // namespace Quarn_DuzAde
