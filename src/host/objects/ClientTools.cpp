#include "host/objects/ClientTools.hpp"

#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/Session.hpp"

namespace Talvex {

struct CommonWaitInfo::Window {
    Ui::CWaitInfo wait;
};

CommonWaitInfo::CommonWaitInfo() = default;
CommonWaitInfo::~CommonWaitInfo() = default;

void CommonWaitInfo::Show(const std::string& text, std::int64_t ownerHwnd)
{
    text_ = text;
    ownerHwnd_ = ownerHwnd;
    // Without a session (a batch run) there is nobody to show the window to.
    if (!Ui::Session::TryCurrent()) return;
    if (!window_) window_ = std::make_unique<Window>();
    window_->wait.Show(text, ownerHwnd);
}

std::shared_ptr<Object> ClientTools::CreateObject(std::string_view progId, int /*flags*/)
{
    if (EqualsIgnoreCase(progId, "Quarn_Common.CWaitInfo")) return std::make_shared<CommonWaitInfo>();
    throw ValueError("The host cannot create an object '" + std::string(progId) + "'");
}

} // namespace Talvex
