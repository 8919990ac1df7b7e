#pragma once
// A session answered from an answers text, current on the bench's thread (with its ClientApp)
// for as long as it lives: what a benchmark needs to run a form as a user does, without the
// tests' support library.
#include "host/objects/ClientApp.hpp"
#include "host/ui/AnswerScript.hpp"
#include "host/ui/ScriptDriver.hpp"
#include "host/ui/Session.hpp"

#include <string>
#include <string_view>

namespace Bench {

class ScriptedSession {
public:
    explicit ScriptedSession(std::string_view answers)
        : scope_(session_), driver_(Talvex::Ui::AnswerScript::Parse(answers))
    {
        driver_.Attach(session_);
    }
    ScriptedSession(const ScriptedSession&) = delete;
    ScriptedSession& operator=(const ScriptedSession&) = delete;

    // Every error the session recorded, "source: message" a line; empty when none.
    std::string ErrorsText() const
    {
        std::string text;
        for (const auto& error : session_.Errors())
            text += error.source + ": " + error.message + "\n";
        return text;
    }

private:
    Talvex::Ui::Session session_;
    Talvex::Ui::Session::Scope scope_;
    Talvex::Ui::ScriptDriver driver_;
    Talvex::ClientApp app_{session_};
    Talvex::ClientApp::Scope appScope_{app_};
};

} // namespace Bench
