// The public classes of the cost accounting reports.
#include "quarn/cost/RAllocateCostByDept.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCostClasses(ClassRegistry& registry)
{
    registry.Add<RAllocateCostByDept>("cost", "RAllocateCostByDept");
}

} // namespace Quarn_DuzAde
