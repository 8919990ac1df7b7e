#pragma once

#include "host/ui/IProcessObject.hpp"
#include "host/ui/SessionRecords.hpp"

namespace Talvex::Ui {

class Session;

// The host's progress runner: shows a progress window with the process's caption and
// "step i of n", and calls Step(1) ... Step(CountStep()) synchronously on the host thread,
// once each. Steps are numbered from 1 because the module's processes count them so (its
// first step is 1, and a run of n rows makes n steps). Between two steps it looks for a
// cancel in the session's queue; other actions wait there. The run is recorded in the
// session and returned.
class ProgressRunner {
public:
    explicit ProgressRunner(Session& session) : session_(session) {}
    ProgressRunner(); // on the current session

    // A step that throws ends the run: the error is reported and the record says failed.
    ProgressRecord Run(IProcessObject& process);

private:
    Session& session_;
};

} // namespace Talvex::Ui
