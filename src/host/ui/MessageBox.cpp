#include "host/ui/MessageBox.hpp"

#include "host/ui/Form.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

#include <algorithm>
#include <cctype>

namespace Talvex::Ui {

namespace {

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

class MessageBoxForm : public Form {
public:
    MessageBoxForm(std::string caption, std::string text)
        : Form(std::string(MessageBox::kFormName), std::move(caption)), text_(std::move(text))
    {
    }
    std::string Describe() const override { return "The message box '" + text_ + "'"; }

    MessageResult result = MessageResult::Ok;
    std::string answer;

private:
    std::string text_;
};

} // namespace

MessageBox::MessageBox() : session_(Session::Current()) {}

MessageResult MessageBox::Show(const std::string& text, MessageButtons buttons, const std::string& caption,
                               MessageKind kind)
{
    const Button ok{"btOk", "OK", MessageResult::Ok};
    const Button cancel{"btCancel", "Cancel", MessageResult::Cancel};
    const Button yes{"btYes", "Yes", MessageResult::Yes};
    const Button no{"btNo", "No", MessageResult::No};
    switch (buttons) {
    case MessageButtons::Ok: return Run(text, caption, {ok}, kind);
    case MessageButtons::OkCancel: return Run(text, caption, {ok, cancel}, kind);
    case MessageButtons::YesNo: return Run(text, caption, {yes, no}, kind);
    case MessageButtons::YesNoCancel: return Run(text, caption, {yes, no, cancel}, kind);
    }
    return Run(text, caption, {ok}, kind);
}

MessageResult MessageBox::ShowSingle(const std::string& text, const std::string& buttonCaption,
                                     const std::string& caption, MessageKind kind)
{
    if (buttonCaption.empty()) throw UiError("MessageBox: a button needs a caption");
    return Run(text, caption, {Button{"btOk", buttonCaption, MessageResult::Ok}}, kind);
}

MessageResult MessageBox::Run(const std::string& text, const std::string& caption, const std::vector<Button>& buttons,
                              MessageKind kind)
{
    MessageBoxForm box(caption, text);
    box.Attach(session_);
    box.Add(ControlKind::Label, "lblText").SetValue(Value(text));
    std::vector<std::string> captions;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const Button& button = buttons[i];
        Control& control = box.Add(ControlKind::Button, button.name, button.caption);
        control.SetDefault(i == 0);
        control.SetCancel(button.result == MessageResult::Cancel ||
                          (button.result == MessageResult::No && buttons.size() == 2));
        captions.push_back(button.caption);
        box.On(button.name, "Click", [&box, button](EventArgs&) {
            box.result = button.result;
            box.answer = button.caption;
            box.Hide();
        });
    }
    // Closing the window answers as its cancel button would, or as the only button.
    const auto cancel =
        std::find_if(buttons.begin(), buttons.end(), [](const Button& b) { return b.result == MessageResult::Cancel; });
    box.result = cancel != buttons.end() ? MessageResult::Cancel : buttons.back().result;
    box.answer = cancel != buttons.end() ? cancel->caption : buttons.back().caption;

    const std::size_t index = session_.AddMessage(MessageRecord{caption, text, captions, "", kind});
    box.Show(true);
    session_.AnswerMessage(index, box.answer);
    return box.result;
}

std::string MessageBox::ButtonFor(const Form& box, std::string_view answer)
{
    for (const auto& control : box.Controls()) {
        if (control->Kind() == ControlKind::Button && SameText(control->Caption(), answer)) return control->Name();
    }
    for (const auto& control : box.Controls()) {
        if (control->Kind() == ControlKind::Button && SameText(control->Name(), "bt" + std::string(answer)))
            return control->Name();
    }
    throw UiError("The message box has no button '" + std::string(answer) + "'");
}

} // namespace Talvex::Ui
