#include "host/ui/ParamForm.hpp"

#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

namespace Talvex::Ui {

ParamForm::ParamForm(std::string name, std::string caption) : Form(std::move(name), std::move(caption))
{
    Control& ok = Add(ControlKind::Button, kOkButton, "Gerai");
    ok.SetDefault(true);
    Control& cancel = Add(ControlKind::Button, kCancelButton, "Atšaukti");
    cancel.SetCancel(true);
    On(kOkButton, "Click", [this](EventArgs&) { PressOk(); });
    On(kCancelButton, "Click", [this](EventArgs&) {
        accepted_ = false;
        Hide();
    });
}

void ParamForm::btOKClick(bool& IsOk, std::string&, std::string&)
{
    IsOk = true;
}

bool ParamForm::Execute()
{
    accepted_ = false;
    ClearRefusals();
    BeforeShow();
    Show(true);
    return accepted_;
}

void ParamForm::ClearRefusals()
{
    for (const auto& control : Controls())
        control->SetRefusal("");
}

void ParamForm::PressOk()
{
    ClearRefusals();
    bool isOk = false;
    std::string message;
    std::string where;
    btOKClick(isOk, message, where);
    if (isOk) {
        accepted_ = true;
        Hide();
        return;
    }
    if (message.empty()) message = "The entered values are not accepted";
    // A check naming a control the form lacks is a fault of the form, not of the input.
    Control& at = Ctl(where.empty() ? std::string(kOkButton) : where);
    at.SetRefusal(message);
    if (Session* session = GetSession())
        session->AddMessage(
            MessageRecord{Caption(), Name() + "." + at.Name() + ": " + message, {}, "", MessageKind::Refusal});
}

} // namespace Talvex::Ui
