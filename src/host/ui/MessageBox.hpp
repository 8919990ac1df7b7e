#pragma once

#include "host/ui/SessionRecords.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Ui {

class Form;
class Session;

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageResult { Ok, Cancel, Yes, No };

// The host's message box: a modal window named "MessageBox" whose buttons the front end
// answers (AnswerMessageAction, by caption or by result name). Every message shown is
// recorded in the session with the answer given.
class MessageBox {
public:
    static constexpr std::string_view kFormName = "MessageBox";

    explicit MessageBox(Session& session) : session_(session) {}
    MessageBox(); // on the current session

    MessageResult Show(const std::string& text, MessageButtons buttons = MessageButtons::Ok,
                       const std::string& caption = "", MessageKind kind = MessageKind::Information);
    // One button with a caption of its own (the module's "Gerai"); its answer is Ok.
    MessageResult ShowSingle(const std::string& text, const std::string& buttonCaption, const std::string& caption = "",
                             MessageKind kind = MessageKind::Information);

    // The name of the button of an open message box that an answer means: its caption
    // ("Gerai", without case) or its result ("OK", "Cancel", "Yes", "No"). Throws UiError.
    static std::string ButtonFor(const Form& box, std::string_view answer);

private:
    struct Button {
        std::string name;
        std::string caption;
        MessageResult result;
    };
    MessageResult Run(const std::string& text, const std::string& caption, const std::vector<Button>& buttons,
                      MessageKind kind);

    Session& session_;
};

} // namespace Talvex::Ui
