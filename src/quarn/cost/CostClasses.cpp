// The public classes of the cost accounting reports.
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCostClasses(ClassRegistry& registry)
{
    // Each report of the folder adds its line here as it is written, for example
    // registry.Add<CReport>("cost", "CReport");
    (void)registry;
}

} // namespace Quarn_DuzAde
