#pragma once

#include <atomic>

namespace Talvex {

// How another thread stops the work of a session's host thread: the person cancels a
// report, closes the tab, or the server shuts down. The host thread looks at it between
// steps, before each statement, and while a statement runs, which the data layer then
// cancels on the database server. Thread-safe.
class StopSignal {
public:
    StopSignal() = default;
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // Stops the work going on now; the next piece of work (Reset) runs again.
    void Request();
    // Stops this work and all that would follow: the session is ending. Reset no longer
    // clears it.
    void RequestForGood();
    // A new piece of work begins: a stop asked for the previous one no longer holds.
    void Reset();

    bool Requested() const { return requested_.load(); }
    bool Ending() const { return ending_.load(); }
    // Throws CancelledError when a stop was asked for.
    void ThrowIfRequested() const;

private:
    std::atomic<bool> requested_{false};
    std::atomic<bool> ending_{false};
};

} // namespace Talvex
