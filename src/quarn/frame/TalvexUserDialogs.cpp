#include "quarn/frame/TalvexUserDialogs.hpp"

#include "host/objects/AtomObject.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/SystemDialog.hpp"
#include "quarn/frame/CreateVornUserDialogs.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Ui::SystemDialog;

TalvexUserDialogs::TalvexUserDialogs() = default;
TalvexUserDialogs::~TalvexUserDialogs() = default;

void TalvexUserDialogs::Init(std::shared_ptr<Talvex::Object> atomObj, std::shared_ptr<Talvex::Object> eventHolder,
                             const Talvex::Value& vntParam)
{
    try {
        eventHolder_ = std::move(eventHolder);
        mSysDialog = std::make_unique<SystemDialog>();
        auto* atom = dynamic_cast<Talvex::AtomObject*>(atomObj.get());
        if (!atom) throw Talvex::ValueError("TalvexUserDialogs.Init: the object has no ObjectName");
        form_ = CreateVornUserDialogs().CreateDialogs(atom->ObjectName(), vntParam);
        if (!form_) return;
        // The system dialog drives the form; its events reach the form's handlers unchanged.
        mSysDialog->Init(*form_, std::move(atomObj), vntParam);
        form_->SetDialog(mSysDialog.get());
    } catch (...) {
        ReportError();
    }
}

bool TalvexUserDialogs::RunForm(bool isInsert, bool modeless, Talvex::Ui::Form* ownerForm)
{
    try {
        if (!mSysDialog || !form_) return false;
        return mSysDialog->RunForm(isInsert, modeless, ownerForm);
    } catch (...) {
        ReportError();
        return false;
    }
}

void TalvexUserDialogs::Move(float left, float top, float width, float height)
{
    if (mSysDialog) mSysDialog->Move(left, top, width, height);
}

void TalvexUserDialogs::UnloadForm()
{
    try {
        if (mSysDialog && form_) mSysDialog->UnloadForm();
    } catch (...) {
        ReportError();
    }
}

namespace {
SystemDialog& Require(const std::unique_ptr<SystemDialog>& dialog)
{
    if (!dialog) throw Talvex::ValueError("TalvexUserDialogs: Init was not called");
    return *dialog;
}
} // namespace

bool TalvexUserDialogs::UnloadFormOnClose() const
{
    return Require(mSysDialog).UnloadFormOnClose();
}
void TalvexUserDialogs::SetUnloadFormOnClose(bool value)
{
    Require(mSysDialog).SetUnloadFormOnClose(value);
}
bool TalvexUserDialogs::UpdateListAfterClose() const
{
    return Require(mSysDialog).UpdateListAfterClose();
}
void TalvexUserDialogs::SetUpdateListAfterClose(bool value)
{
    Require(mSysDialog).SetUpdateListAfterClose(value);
}
long TalvexUserDialogs::CopyObjectID() const
{
    return static_cast<long>(Require(mSysDialog).CopyObjectID());
}
void TalvexUserDialogs::SetCopyObjectID(long value)
{
    Require(mSysDialog).SetCopyObjectID(value);
}
bool TalvexUserDialogs::InsertMode() const
{
    return Require(mSysDialog).InsertMode();
}
bool TalvexUserDialogs::Visible() const
{
    return Require(mSysDialog).Visible();
}
bool TalvexUserDialogs::DataChanged() const
{
    return Require(mSysDialog).DataChanged();
}
Talvex::Ui::FieldMap& TalvexUserDialogs::UserParams()
{
    return Require(mSysDialog).UserParams();
}
void TalvexUserDialogs::SetUserParams(const Talvex::Ui::FieldMap& params)
{
    Require(mSysDialog).SetUserParams(params);
}
bool TalvexUserDialogs::EnableControl(std::string_view fieldName) const
{
    return Require(mSysDialog).EnableControl(fieldName);
}
void TalvexUserDialogs::SetEnableControl(std::string_view fieldName, bool enabled)
{
    Require(mSysDialog).SetEnableControl(fieldName, enabled);
}

} // namespace Quarn_DuzAde
