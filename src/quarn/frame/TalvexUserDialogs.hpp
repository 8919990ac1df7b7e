#pragma once

#include "host/types/Value.hpp"

#include <memory>
#include <string>
#include <string_view>

namespace Talvex::Ui {
class Form;
class SystemDialog;
class FieldMap;
} // namespace Talvex::Ui

namespace Quarn_DuzAde {

// The host's dialog interface for the documents whose editing form the module supplies:
// the host's system dialog drives the module's form, and every operation and property is
// forwarded to it. A document type the factory does not know leaves the dialog without a
// form of the module.
class TalvexUserDialogs : public Talvex::Object {
public:
    TalvexUserDialogs();
    ~TalvexUserDialogs() override;

    void Init(std::shared_ptr<Talvex::Object> atomObj, std::shared_ptr<Talvex::Object> eventHolder,
              const Talvex::Value& vntParam);
    bool RunForm(bool isInsert, bool modeless, Talvex::Ui::Form* ownerForm);
    void Move(float left, float top, float width, float height);
    void UnloadForm();

    bool UnloadFormOnClose() const;
    void SetUnloadFormOnClose(bool value);
    bool UpdateListAfterClose() const;
    void SetUpdateListAfterClose(bool value);
    long CopyObjectID() const;
    void SetCopyObjectID(long value);
    bool InsertMode() const;
    bool Visible() const;
    bool DataChanged() const;
    Talvex::Ui::FieldMap& UserParams();
    void SetUserParams(const Talvex::Ui::FieldMap& params);
    bool EnableControl(std::string_view fieldName) const;
    void SetEnableControl(std::string_view fieldName, bool enabled);

    Talvex::Ui::Form* UserForm() const { return form_.get(); }
    const std::shared_ptr<Talvex::Object>& EventHolder() const { return eventHolder_; }

private:
    std::shared_ptr<Talvex::Object> eventHolder_;
    std::unique_ptr<Talvex::Ui::SystemDialog> mSysDialog;
    std::shared_ptr<Talvex::Ui::Form> form_;
};

} // namespace Quarn_DuzAde
