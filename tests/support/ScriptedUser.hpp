#pragma once

#include "host/ui/AnswerScript.hpp"
#include "host/ui/ScriptDriver.hpp"
#include "host/ui/Session.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Testing {

// A session answered by a scripted user, current on the test's thread for as long as it
// lives. Steps come from an answers text or are added one by one:
//
//     ScriptedUser user;
//     user.Set("frmDebtOfClients", "edDateBeg", "2025-01-01").Click("frmDebtOfClients", "btFillList");
//     form.Show(true);
//     EXPECT_EQ(user.ErrorsText(), "");
class ScriptedUser {
public:
    ScriptedUser();
    explicit ScriptedUser(std::string_view answers);

    Ui::Session& Session() { return session_; }

    ScriptedUser& Set(std::string form, std::string control, std::string text);
    ScriptedUser& Click(std::string form, std::string control);
    // row counts from 1 among the rows on screen
    ScriptedUser& DblClick(std::string form, std::string grid, long row, std::string column = "");
    ScriptedUser& Select(std::string form, std::string grid, std::vector<long> rows);
    ScriptedUser& Menu(std::string form, std::string list, std::string key);
    ScriptedUser& Close(std::string form);
    ScriptedUser& Accept(std::string form);
    ScriptedUser& Answer(std::string button);
    ScriptedUser& CancelProgressAfter(long step);

    int PlayRemaining() { return driver_.PlayRemaining(session_); }
    std::vector<Ui::ScriptStep> Remaining() const { return driver_.Remaining(); }
    // The step the scripted user stopped at, and the first step left unplayed (ScriptDriver).
    const std::string& Failure() const { return driver_.Failure(); }
    std::string FirstUnplayed() const { return driver_.FirstUnplayed(); }

    std::vector<std::string> MessageTexts() const;
    std::vector<std::string> MessageAnswers() const;
    std::vector<std::string> ErrorMessages() const;
    // Every error as "source: message", one a line; empty when none (for EXPECT_EQ).
    std::string ErrorsText() const;
    const std::vector<Ui::ProgressRecord>& ProgressRuns() const { return session_.ProgressRuns(); }
    const std::vector<Ui::DocumentRecord>& DocumentsOpened() const { return session_.DocumentsOpened(); }
    const std::vector<std::string>& StatusHistory() const { return session_.StatusHistory(); }
    const std::vector<std::string>& Transcript() const { return driver_.Transcript(); }

private:
    ScriptedUser& Step(Ui::ScriptStep step);

    Ui::Session session_;
    Ui::Session::Scope scope_;
    Ui::ScriptDriver driver_;
};

} // namespace Talvex::Testing
