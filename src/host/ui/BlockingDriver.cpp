#include "host/ui/BlockingDriver.hpp"

#include "host/ui/Session.hpp"

namespace Talvex::Ui {

bool BlockingDriver::OnIdle(Session& session, Form& /*waiting*/)
{
    return session.WaitForAction(patience_);
}

} // namespace Talvex::Ui
