// The public classes of the receivables and payables reports.
#include "quarn/debt/CDebtByAccPerson.hpp"
#include "quarn/debt/CDebtOfClients.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterDebtClasses(ClassRegistry& registry)
{
    registry.Add<CDebtOfClients>("debt", "CDebtOfClients");
    registry.Add<CDebtByAccPerson>("debt", "CDebtByAccPerson");
}

} // namespace Quarn_DuzAde
