// The public classes of the cube reports.
#include "quarn/cube/RSale.hpp"
#include "quarn/frame/ClassRegistry.hpp"

namespace Quarn_DuzAde {

void RegisterCubeClasses(ClassRegistry& registry)
{
    registry.Add<RSale>("cube", "RSale");
}

} // namespace Quarn_DuzAde
