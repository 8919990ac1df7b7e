#pragma once

#include "host/ui/Driver.hpp"

#include <chrono>

namespace Talvex::Ui {

// The driver of a front end with a person behind it (the web client): a modal window
// waits on the session's queue until an action is posted from another thread, the
// patience runs out, or the session stops.
class BlockingDriver : public Driver {
public:
    explicit BlockingDriver(std::chrono::milliseconds patience) : patience_(patience) {}
    bool OnIdle(Session& session, Form& waiting) override;

private:
    std::chrono::milliseconds patience_;
};

} // namespace Talvex::Ui
