#pragma once

#include <stdexcept>
#include <string>

namespace Talvex::Ui {

// A user action or a window operation the window model refuses: a click on a disabled
// button, a control the form does not have, a form behind a modal one.
class UiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A modal window waits for an answer and no front end can give one (no driver, a driver
// with nothing more to say, or a session that is closing). It ends every modal loop it
// crosses instead of being reported and swallowed, so a run without answers fails once,
// clearly, and never hangs.
class NoAnswerError : public UiError {
public:
    using UiError::UiError;
};

// A scripted user met a step it cannot play (a window or control its answers misname) and
// stops: each modal window then ends as one nobody answers, so that nothing after the step,
// a write least of all, runs on answers meant for something else.
class ScriptStoppedError : public NoAnswerError {
public:
    using NoAnswerError::NoAnswerError;
};

} // namespace Talvex::Ui
