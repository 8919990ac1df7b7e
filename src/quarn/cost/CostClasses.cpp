// The public classes of the cost accounting reports.
#include "quarn/cost/CCostRecalc.hpp"
#include "quarn/cost/CPriceListCostPrice.hpp"
#include "quarn/cost/RAllocateCostByDept.hpp"
#include "quarn/cost/RLValAssState.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCostClasses(ClassRegistry& registry)
{
    registry.Add<CCostRecalc>("cost", "CCostRecalc");
    registry.Add<CPriceListCostPrice>("cost", "CPriceListCostPrice");
    registry.Add<RAllocateCostByDept>("cost", "RAllocateCostByDept");
    registry.Add<RLValAssState>("cost", "RLValAssState");
}

} // namespace Quarn_DuzAde
