// The public classes of the cost accounting reports.
#include "quarn/cost/RAllocateCostByDept.hpp"
#include "quarn/cost/RLValAssState.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCostClasses(ClassRegistry& registry)
{
    registry.Add<RAllocateCostByDept>("cost", "RAllocateCostByDept");
    registry.Add<RLValAssState>("cost", "RLValAssState");
}

} // namespace Quarn_DuzAde
