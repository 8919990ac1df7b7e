#pragma once

#include "host/ui/BaseDialog.hpp"
#include "host/ui/Control.hpp"

#include <cstdint>
#include <string_view>

namespace Talvex::Ui {

// The host's system dialog: the dialog engine with the properties a document dialog
// bridge forwards to the host. Raises its events under the member name "mSysDialog".
class SystemDialog : public BaseDialog {
public:
    SystemDialog() : BaseDialog("mSysDialog") {}

    // Unloads the form when a modal run ends.
    bool RunForm(bool isInsert, bool modeless, Form* ownerForm = nullptr) override;
    void Move(float left, float top, float width, float height);

    bool UnloadFormOnClose() const { return unloadFormOnClose_; }
    void SetUnloadFormOnClose(bool value) { unloadFormOnClose_ = value; }
    bool UpdateListAfterClose() const { return updateListAfterClose_; }
    void SetUpdateListAfterClose(bool value) { updateListAfterClose_ = value; }
    std::int64_t CopyObjectID() const { return copyObjectId_; }
    void SetCopyObjectID(std::int64_t value) { copyObjectId_ = value; }
    bool Visible() const;
    FieldMap& UserParams() { return userParams_; }
    void SetUserParams(FieldMap params) { userParams_ = std::move(params); }
    // The control bound to the field; throws UiError when none is.
    bool EnableControl(std::string_view fieldName) const;
    void SetEnableControl(std::string_view fieldName, bool enabled);

    struct Geometry {
        float left = 0, top = 0, width = 0, height = 0;
    };
    const Geometry& Position() const { return geometry_; }

private:
    Control& BoundControl(std::string_view fieldName) const;

    bool unloadFormOnClose_ = true;
    bool updateListAfterClose_ = false;
    std::int64_t copyObjectId_ = 0;
    FieldMap userParams_;
    Geometry geometry_;
};

} // namespace Talvex::Ui
