#pragma once

#include <string>

namespace Talvex {

// The host's status line: a progress text while a report runs; an empty text clears it.
// It writes to the status line of the session running on this thread.
class StatusLine {
public:
    void ShowStatus(const std::string& text) const;
};

} // namespace Talvex
