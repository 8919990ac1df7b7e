#include "host/ui/CWaitInfo.hpp"

#include "host/ui/Session.hpp"

namespace Talvex::Ui {

CWaitInfo::CWaitInfo() : session_(Session::Current()) {}

CWaitInfo::~CWaitInfo()
{
    if (shown_) session_.PopWait();
}

void CWaitInfo::Show(std::string text, std::int64_t ownerHwnd)
{
    if (shown_) session_.PopWait();
    ownerHwnd_ = ownerHwnd;
    session_.PushWait(std::move(text));
    shown_ = true;
}

} // namespace Talvex::Ui
