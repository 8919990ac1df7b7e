// The public classes of the cube reports.
#include "quarn/cube/RDebtOfClients.hpp"
#include "quarn/cube/RSale.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCubeClasses(ClassRegistry& registry)
{
    registry.Add<RSale>("cube", "RSale");
    registry.Add<RDebtOfClients>("cube", "RDebtOfClients");
    registry.Add<RDebtOfEntpr>("cube", "RDebtOfEntpr");
}

} // namespace Quarn_DuzAde
