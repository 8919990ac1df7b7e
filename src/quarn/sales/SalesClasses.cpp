// The public classes of the sales, purchase and vendor reports.
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/sales/CRepSalesJournal.hpp"

namespace Quarn_DuzAde {

void RegisterSalesClasses(ClassRegistry& registry)
{
    registry.Add<CRepSalesJournal>("sales", "CRepSalesJournal");
}

} // namespace Quarn_DuzAde
