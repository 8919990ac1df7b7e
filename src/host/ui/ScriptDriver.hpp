#pragma once

#include "host/ui/AnswerScript.hpp"
#include "host/ui/Driver.hpp"
#include "host/ui/UserAction.hpp"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Talvex::Ui {

// A scripted user: answers the session's modal windows from an AnswerScript, in order.
// When a window waits and the next step is not for it, the window is accepted with its
// defaults: its default button is pressed, or, if it has none or pressing did not close
// it, it is hidden. It keeps a transcript of what the session showed (messages and their
// answers, status texts, progress runs, documents opened, errors) once attached.
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

private:
    UserAction ToAction(const ScriptStep& step, Session& session) const;
    bool IsFor(const ScriptStep& step, const Form& waiting) const;

    AnswerScript script_;
    std::size_t next_ = 0;
    // Default acceptances tried per showing of a form.
    std::map<std::pair<const Form*, unsigned long>, int> defaultsTried_;
    Session* session_ = nullptr;
    int subscription_ = 0;
    std::vector<std::string> transcript_;
};

} // namespace Talvex::Ui
