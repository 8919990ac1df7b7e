#include "quarn/frame/CreateVornUserDialogs.hpp"

#include "host/ui/Form.hpp"
#include "quarn/frame/frmCPAY.hpp"

namespace Quarn_DuzAde {

std::shared_ptr<Talvex::Ui::Form> CreateVornUserDialogs::CreateDialogs(const std::string& /*objName*/,
                                                                       const Talvex::Value& vntParm) const
{
    // The type alone chooses the form; any other type leaves the host's own dialog in charge.
    if (vntParm.IsText() && vntParm.ToText() == "CPAY") return std::make_shared<frmCPAY>();
    return nullptr;
}

} // namespace Quarn_DuzAde
