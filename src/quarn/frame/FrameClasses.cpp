// The public classes of the plug-in frame.
#include "quarn/frame/CDuzAde.hpp"
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/frame/CreateVornUserDialogs.hpp"
#include "quarn/frame/TalvexUserDialogs.hpp"

namespace Quarn_DuzAde {

void RegisterFrameClasses(ClassRegistry& registry)
{
    registry.Add<CDuzAde>("frame", "CDuzAde");
    registry.Add<TalvexUserDialogs>("frame", "TalvexUserDialogs");
    registry.Add<CreateVornUserDialogs>("frame", "CreateVornUserDialogs");
}

} // namespace Quarn_DuzAde
