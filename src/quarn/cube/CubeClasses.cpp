// The public classes of the cube reports.
#include "quarn/cube/RDebtOfClients.hpp"
#include "quarn/cube/RPurchase.hpp"
#include "quarn/cube/RSale.hpp"
#include "quarn/cube/RSaleBySupplier.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCubeClasses(ClassRegistry& registry)
{
    registry.Add<RSale>("cube", "RSale");
    registry.Add<RDebtOfClients>("cube", "RDebtOfClients");
    registry.Add<RDebtOfEntpr>("cube", "RDebtOfEntpr");
    registry.Add<RPurchase>("cube", "RPurchase");
    registry.Add<RSaleBySupplier>("cube", "RSaleBySupplier");
}

} // namespace Quarn_DuzAde
