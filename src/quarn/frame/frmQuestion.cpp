#include "quarn/frame/frmQuestion.hpp"

#include "host/objects/FormRes.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {
// Texts of the form in the module's resources.
constexpr long kQuestionText = 29001;
constexpr long kCaptionText = 29000;
constexpr long kAddText = 29002;
constexpr long kDeleteText = 29003;
constexpr long kExitText = 29004;
} // namespace

frmQuestion::frmQuestion() : Form("frmQuestion")
{
    const auto& res = ModuleFormRes();
    SetCaption(res.GetString(kCaptionText));
    Add(ControlKind::Label, "lblTop");
    for (auto [name, text] : {std::pair{"optAdd", kAddText}, {"optDelete", kDeleteText}, {"optExit", kExitText}}) {
        auto& option = Add(ControlKind::OptionButton, name, res.GetString(text));
        option.SetGroup("optAction");
        option.SetValue(Value(std::string(name) == "optAdd"));
    }
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) {
        confirmed_ = true;
        Hide();
    });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

void frmQuestion::ShowDialog(const std::string& paymentType, long year, bool& deleteAdd, bool& none, bool& cancel)
{
    Ctl("lblTop").SetCaption(FormatMsg(ModuleFormRes().GetString(kQuestionText), {Value(paymentType), Value(year)}));
    confirmed_ = false;
    Show(true);
    if (confirmed_) {
        deleteAdd = Ctl("optDelete").GetValue().ToBool();
        none = Ctl("optExit").GetValue().ToBool();
    } else {
        cancel = true;
    }
    Unload();
}

} // namespace Quarn_DuzAde
