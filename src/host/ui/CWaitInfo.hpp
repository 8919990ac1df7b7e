#pragma once

#include <cstdint>
#include <string>

namespace Talvex::Ui {

class Session;

// The wait window of long reads: shown with a text, closed when the object goes.
class CWaitInfo {
public:
    explicit CWaitInfo(Session& session) : session_(session) {}
    CWaitInfo(); // on the current session
    ~CWaitInfo();
    CWaitInfo(const CWaitInfo&) = delete;
    CWaitInfo& operator=(const CWaitInfo&) = delete;

    // Showing again replaces the text. The owner window handle is the host's; kept only.
    void Show(std::string text, std::int64_t ownerHwnd = 0);
    std::int64_t OwnerHwnd() const { return ownerHwnd_; }

private:
    Session& session_;
    bool shown_ = false;
    std::int64_t ownerHwnd_ = 0;
};

} // namespace Talvex::Ui
