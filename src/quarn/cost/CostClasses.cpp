// The public classes of the cost accounting reports.
#include "quarn/cost/CCostRecalc.hpp"
#include "quarn/cost/CPriceListCostPrice.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCostClasses(ClassRegistry& registry)
{
    registry.Add<CCostRecalc>("cost", "CCostRecalc");
    registry.Add<CPriceListCostPrice>("cost", "CPriceListCostPrice");
}

} // namespace Quarn_DuzAde
