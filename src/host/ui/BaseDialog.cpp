#include "host/ui/BaseDialog.hpp"

#include "host/ui/EventArgs.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/UiError.hpp"

namespace Talvex::Ui {

BaseDialog::~BaseDialog()
{
    if (form_ != nullptr && form_->Dialog() == this) form_->SetDialog(nullptr);
}

void BaseDialog::Init(Form& form, std::shared_ptr<Object> atomObj, Value param)
{
    if (form_ != nullptr && form_->Dialog() == this) form_->SetDialog(nullptr);
    form_ = &form;
    atomObj_ = std::move(atomObj);
    param_ = std::move(param);
    form.SetDialog(this);
}

Form& BaseDialog::RequireForm() const
{
    if (form_ == nullptr) throw UiError(memberName_ + ": Init was not called");
    return *form_;
}

bool BaseDialog::RunForm(bool isInsert, bool modeless, Form* ownerForm)
{
    Form& form = RequireForm();
    insertMode_ = isInsert;
    ownerForm_ = ownerForm;
    saved_ = false;
    dataChanged_ = false;

    EventArgs beforeLoad;
    beforeLoad.fields = &fields_;
    beforeLoad.isInsert = isInsert;
    form.Fire(memberName_, "BeforeLoadHandling", beforeLoad);
    if (beforeLoad.cancel) return false;
    LoadControls();
    EventArgs afterLoad;
    afterLoad.fields = &fields_;
    afterLoad.isInsert = isInsert;
    form.Fire(memberName_, "AfterLoadHandling", afterLoad);
    if (afterLoad.cancel) return false;

    EventArgs beforeShow;
    beforeShow.atomObj = atomObj_;
    beforeShow.isInsert = isInsert;
    form.Fire(memberName_, "BeforeShow", beforeShow);
    if (beforeShow.cancel) return false;

    auto afterShow = [this, &form] {
        EventArgs args;
        args.atomObj = atomObj_;
        args.isInsert = insertMode_;
        form.Fire(memberName_, "AfterShow", args);
    };
    if (modeless) {
        form.Show(false);
        afterShow();
        return true;
    }
    form.ShowModal(afterShow);
    return saved_;
}

void BaseDialog::LoadControls()
{
    for (const auto& control : RequireForm().Controls()) {
        const std::string& field = control->BoundField();
        if (!field.empty() && fields_.Exists(field)) control->SetValue(fields_.Item(field));
    }
}

bool BaseDialog::Save()
{
    Form& form = RequireForm();
    for (const auto& control : form.Controls()) {
        if (!control->BoundField().empty()) fields_.Set(control->BoundField(), control->GetValue());
    }
    EventArgs args;
    args.fields = &fields_;
    args.isInsert = insertMode_;
    const bool handled = form.Fire(memberName_, "AfterWriteRecord", args);
    // A handler that failed (its error is reported) or refused leaves the changes unsaved.
    if (args.cancel || (!handled && form.HasHandler(memberName_, "AfterWriteRecord"))) return false;
    saved_ = true;
    dataChanged_ = false;
    return true;
}

void BaseDialog::UnloadForm()
{
    if (form_ != nullptr) form_->Unload();
}

} // namespace Talvex::Ui
