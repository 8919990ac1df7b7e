#include "quarn/frame/CreateVornUserDialogs.hpp"

#include "host/ui/Form.hpp"

namespace Quarn_DuzAde {

std::shared_ptr<Talvex::Ui::Form> CreateVornUserDialogs::CreateDialogs(const std::string& /*objName*/,
                                                                       const Talvex::Value& vntParm) const
{
    // The type alone chooses the form. The cash payment plan form ("CPAY") belongs to the
    // settlement subsystem and is served here once that subsystem is part of the build;
    // until then every type gets no form, which leaves the host's own dialog in charge.
    std::string type = vntParm.IsText() ? vntParm.ToText() : std::string();
    (void)type;
    return nullptr;
}

} // namespace Quarn_DuzAde
