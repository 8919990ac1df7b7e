#include "quarn/frame/frmClAcc.hpp"

#include "host/types/Errors.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

const std::string& PopupMenu::Key(long itemNumber) const
{
    if (itemNumber < 1 || static_cast<std::size_t>(itemNumber) > items_.size())
        throw Talvex::ValueError("The menu has no item " + std::to_string(itemNumber));
    return items_[static_cast<std::size_t>(itemNumber - 1)].key;
}

void PopupMenu::PopupNextTo(std::string controlName)
{
    anchor_ = std::move(controlName);
    open_ = true;
}

frmClAcc::frmClAcc() : Form("frmClAcc", "Client accounts")
{
    Add(ControlKind::TabControl, "STab");
    AddGrid("SpecGrid");
    Add(ControlKind::Button, "btOk", "OK");
    Add(ControlKind::Button, "btCancel", "Cancel");
    Add(ControlKind::Button, "btUtil", "...");
    Add(ControlKind::Button, "btUsePrint", "Print");
    Add(ControlKind::Frame, "Resizer");
    Add(ControlKind::Frame, "Timer").SetVisible(false);
    Ctl("btOk").SetDefault(true);
    Ctl("btCancel").SetCancel(true);

    On("btOk", "Click", [this](EventArgs&) { Hide(); });
    On("btCancel", "Click", [this](EventArgs&) { Hide(); });
    On("btUtil", "Click", [this](EventArgs&) { btUtil_Click(); });
    On("Form", "Unload", [this](EventArgs&) { Form_Unload(); });
}

void frmClAcc::Initialise()
{
    m_Menu = std::make_unique<PopupMenu>();
    m_Menu->Reset();
    m_Menu->AddItem("Params", "MKeyParam");
}

void frmClAcc::Browse()
{
    Initialise();
    Show(true);
}

void frmClAcc::btUtil_Click()
{
    try {
        Ctl("btUtil");
        if (m_Menu) m_Menu->PopupNextTo("btUtil");
    } catch (...) {
        ReportError();
    }
}

void frmClAcc::m_Menu_Click(long itemNumber)
{
    try {
        if (!m_Menu) return;
        lastMenuKey_ = m_Menu->Key(itemNumber);
        m_Menu->Close();
        // "MKeyParam" starts no action of its own.
    } catch (...) {
        ReportError();
    }
}

void frmClAcc::Form_Unload()
{
    m_Menu.reset();
}

} // namespace Quarn_DuzAde
