// The public classes of the sales, purchase and vendor reports.
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterSalesClasses(ClassRegistry& registry)
{
    // Each report of the folder adds its line here as it is written, for example
    // registry.Add<CReport>("sales", "CReport");
    (void)registry;
}

} // namespace Quarn_DuzAde
