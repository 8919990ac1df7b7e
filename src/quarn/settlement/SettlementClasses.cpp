// The public classes of the settlement operations.
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/settlement/CSetOffDebt.hpp"

namespace Quarn_DuzAde {

void RegisterSettlementClasses(ClassRegistry& registry)
{
    registry.Add<CSetOffDebt>("settlement", "CSetOffDebt");
}

} // namespace Quarn_DuzAde
