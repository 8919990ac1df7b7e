#include "host/ui/SystemDialog.hpp"

#include "host/ui/Form.hpp"
#include "host/ui/UiError.hpp"

namespace Talvex::Ui {

bool SystemDialog::RunForm(bool isInsert, bool modeless, Form* ownerForm)
{
    const bool saved = BaseDialog::RunForm(isInsert, modeless, ownerForm);
    if (!modeless && unloadFormOnClose_) UnloadForm();
    return saved;
}

void SystemDialog::Move(float left, float top, float width, float height)
{
    geometry_ = Geometry{left, top, width, height};
}

bool SystemDialog::Visible() const
{
    return GetForm() != nullptr && GetForm()->IsVisible();
}

Control& SystemDialog::BoundControl(std::string_view fieldName) const
{
    for (const auto& control : RequireForm().Controls()) {
        if (control->BoundField() == fieldName) return *control;
    }
    throw UiError(MemberName() + ": no control is bound to the field '" + std::string(fieldName) + "'");
}

bool SystemDialog::EnableControl(std::string_view fieldName) const
{
    return BoundControl(fieldName).Enabled();
}

void SystemDialog::SetEnableControl(std::string_view fieldName, bool enabled)
{
    BoundControl(fieldName).SetEnabled(enabled);
}

} // namespace Talvex::Ui
