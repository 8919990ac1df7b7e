// The public classes of the receivables and payables reports.
#include "quarn/debt/CDebtOfClients.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterDebtClasses(ClassRegistry& registry)
{
    registry.Add<CDebtOfClients>("debt", "CDebtOfClients");
}

} // namespace Quarn_DuzAde
