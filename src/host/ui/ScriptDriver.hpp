#pragma once

#include "host/ui/AnswerScript.hpp"
#include "host/ui/Driver.hpp"
#include "host/ui/UserAction.hpp"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Talvex::Ui {

// A scripted user: answers the session's modal windows from an AnswerScript, in order.
// When a window waits and the next step is not for it, the window is accepted with its
// defaults: its default button is pressed, or, if it has none or pressing did not close
// it, it is hidden. It keeps a transcript of what the session showed (messages and their
// answers, status texts, progress runs, documents opened, errors) once attached.
//
// A script that misnames a window or a control must not run on with its answers landing
// elsewhere (a set-off whose delete step names no window would leave its documents
// written), so the scripted user checks the script against each window as it comes and
// stops at the first step it cannot play:
// - when a window opens, a step for a window never opened whose name is a slip of the new
//   window's name ("frmSetOffDbt" beside "frmSetOffDebt") is refused;
// - when a window first waits, or a step for it is about to be played, every step left for
//   it must name one of its controls (a grid for rows, a local list holding the menu key);
// - a window is never accepted with its defaults while later steps answer it: the step
//   waited for must then name a window that will not open (or a message never shown);
// - a message answer must name a button of the message box.
// Once stopped it answers nothing: each modal window waiting ends with ScriptStoppedError,
// and a progress run going is cancelled before its next step.
class ScriptDriver : public Driver {
public:
    explicit ScriptDriver(AnswerScript script = {}) : script_(std::move(script)) {}
    ~ScriptDriver() override;
    ScriptDriver(const ScriptDriver&) = delete;
    ScriptDriver& operator=(const ScriptDriver&) = delete;

    // Becomes the session's driver and starts the transcript.
    void Attach(Session& session);
    void Append(ScriptStep step) { script_.Add(std::move(step)); }

    bool OnIdle(Session& session, Form& waiting) override;
    void OnProgress(Session& session, const ProgressState& state) override;

    // Plays the steps left for windows still open (modeless windows after a run), in order,
    // until a step's window is not open; returns how many were played.
    int PlayRemaining(Session& session);
    std::vector<ScriptStep> Remaining() const;
    const std::vector<std::string>& Transcript() const { return transcript_; }

    // The step the script stopped at, named by its line and text, with the reason
    // ("answers line 9: frmSetOffDbt.grdList select all: no window 'frmSetOffDbt' is open; is
    // it frmSetOffDebt?"); empty while the script plays.
    const std::string& Failure() const { return failure_; }
    // The first step left unplayed, named by its line and text, and why it never ran; empty
    // when every step was played.
    std::string FirstUnplayed() const;

private:
    UserAction ToAction(const ScriptStep& step, Session& session) const;
    bool IsFor(const ScriptStep& step, const Form& waiting) const;
    bool IsOverWaiting(const Session& session, const ScriptStep& step, const Form& waiting) const;

    // The checks against the windows (ScriptDriver.Checks.cpp); each records the failure.
    void CheckSlipsOf(const std::string& openedWindow);
    void CheckStepsFor(const Form& form);
    void CheckBeforeDefaults(const Session& session, const Form& waiting);
    void CheckAnswer(std::size_t stepIndex, const Form& box);
    void Stop(std::size_t stepIndex, const std::string& problem);

    AnswerScript script_;
    std::size_t next_ = 0;
    // Default acceptances tried per showing of a form.
    std::map<std::pair<const Form*, unsigned long>, int> defaultsTried_;
    std::set<std::string> windowsOpened_;
    std::set<std::string> windowsChecked_;
    std::string failure_;
    bool cancelPosted_ = false; // the stopped script's cancel of the progress run going
    Session* session_ = nullptr;
    int subscription_ = 0;
    std::vector<std::string> transcript_;
};

} // namespace Talvex::Ui
