#include "support/ScriptedUser.hpp"

#include "host/ui/MessageBox.hpp"

namespace Talvex::Testing {

using Ui::ScriptStep;
using Ui::ScriptVerb;

ScriptedUser::ScriptedUser() : scope_(session_)
{
    driver_.Attach(session_);
}

ScriptedUser::ScriptedUser(std::string_view answers) : scope_(session_), driver_(Ui::AnswerScript::Parse(answers))
{
    driver_.Attach(session_);
}

ScriptedUser& ScriptedUser::Step(ScriptStep step)
{
    driver_.Append(std::move(step));
    return *this;
}

ScriptedUser& ScriptedUser::Set(std::string form, std::string control, std::string text)
{
    return Step(ScriptStep{ScriptVerb::Set, std::move(form), std::move(control), std::move(text), {}, 1, 0, ""});
}

ScriptedUser& ScriptedUser::Click(std::string form, std::string control)
{
    return Step(ScriptStep{ScriptVerb::Click, std::move(form), std::move(control), "", {}, 1, 0, ""});
}

ScriptedUser& ScriptedUser::DblClick(std::string form, std::string grid, long row, std::string column)
{
    ScriptStep step{ScriptVerb::DblClick, std::move(form), std::move(grid), "", {row}, 1, 0, std::move(column)};
    return Step(std::move(step));
}

ScriptedUser& ScriptedUser::Select(std::string form, std::string grid, std::vector<long> rows)
{
    return Step(ScriptStep{ScriptVerb::Select, std::move(form), std::move(grid), "", std::move(rows), 1, 0, ""});
}

ScriptedUser& ScriptedUser::Menu(std::string form, std::string list, std::string key)
{
    return Step(ScriptStep{ScriptVerb::Menu, std::move(form), std::move(list), std::move(key), {}, 1, 0, ""});
}

ScriptedUser& ScriptedUser::Close(std::string form)
{
    return Step(ScriptStep{ScriptVerb::Close, std::move(form), "", "", {}, 1, 0, ""});
}

ScriptedUser& ScriptedUser::Accept(std::string form)
{
    return Step(ScriptStep{ScriptVerb::Accept, std::move(form), "", "", {}, 1, 0, ""});
}

ScriptedUser& ScriptedUser::Answer(std::string button)
{
    return Step(
        ScriptStep{ScriptVerb::Answer, std::string(Ui::MessageBox::kFormName), "", std::move(button), {}, 1, 0, ""});
}

ScriptedUser& ScriptedUser::CancelProgressAfter(long step)
{
    return Step(ScriptStep{ScriptVerb::CancelProgress, "", "", "", {}, step, 0, ""});
}

std::vector<std::string> ScriptedUser::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const auto& message : session_.Messages())
        texts.push_back(message.text);
    return texts;
}

std::vector<std::string> ScriptedUser::MessageAnswers() const
{
    std::vector<std::string> answers;
    for (const auto& message : session_.Messages())
        answers.push_back(message.answer);
    return answers;
}

std::vector<std::string> ScriptedUser::ErrorMessages() const
{
    std::vector<std::string> messages;
    for (const auto& error : session_.Errors())
        messages.push_back(error.message);
    return messages;
}

std::string ScriptedUser::ErrorsText() const
{
    std::string text;
    for (const auto& error : session_.Errors())
        text += error.source + ": " + error.message + "\n";
    return text;
}

} // namespace Talvex::Testing
