// The public classes of the sales, purchase and vendor reports.
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/sales/CSalesBySuppl.hpp"

namespace Quarn_DuzAde {

void RegisterSalesClasses(ClassRegistry& registry)
{
    registry.Add<CSalesBySuppl>("sales", "CSalesBySuppl");
}

} // namespace Quarn_DuzAde
