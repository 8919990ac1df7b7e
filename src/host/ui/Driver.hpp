#pragma once

namespace Talvex::Ui {

class Session;
class Form;
struct ProgressState;

// A front end that answers the session's modal windows. The session asks it when a modal
// loop finds its queue empty: a scripted user posts its next answer at once; a front end
// with a person behind it blocks until the person acts (Session::WaitForAction).
class Driver {
public:
    virtual ~Driver() = default;
    // Called on the host thread while `waiting` (the topmost modal window) has no action to
    // handle. Return true after posting an action or changing the model (hiding the form);
    // false when there is nothing to give, which ends the modal loop with NoAnswerError.
    virtual bool OnIdle(Session& session, Form& waiting) = 0;
    // Called on the host thread after each step of a progress run; a cancel posted here is
    // seen before the next step.
    virtual void OnProgress(Session& /*session*/, const ProgressState& /*state*/) {}
};

} // namespace Talvex::Ui
