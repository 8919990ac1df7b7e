#pragma once

#include "host/types/Value.hpp"
#include "host/ui/FieldMap.hpp"

#include <memory>
#include <string>

namespace Talvex::Ui {

class Form;

// The host's dialog engine: drives a form that edits a record of a host object. It raises
// to the form, under its member name ("mBaseDlg"):
//   BeforeLoadHandling(fields, isInsert, cancel)  before the bound controls are filled
//   AfterLoadHandling(fields, isInsert, cancel)
//   BeforeShow(atomObj, isInsert, cancel)         cancel stops the dialog
//   AfterShow(atomObj)                            the window is up
//   AfterWriteRecord(fields, isInsert)            the user saved
// Controls bound to a field (Control::BindField) show the field and write it back on Save.
// The form's default button, when it has no handler of its own, saves and closes.
class BaseDialog {
public:
    explicit BaseDialog(std::string memberName = "mBaseDlg") : memberName_(std::move(memberName)) {}
    virtual ~BaseDialog();
    BaseDialog(const BaseDialog&) = delete;
    BaseDialog& operator=(const BaseDialog&) = delete;

    void Init(Form& form, std::shared_ptr<Object> atomObj, Value param);
    // Modal: returns when the dialog closes, true when the user saved. Modeless: shows the
    // window and returns true. False when a Before... handler cancelled.
    virtual bool RunForm(bool isInsert, bool modeless, Form* ownerForm = nullptr);
    void UnloadForm();

    // Writes the bound controls into the fields and raises AfterWriteRecord. False when its
    // handler failed or cancelled: nothing counts as saved and the dialog stays open.
    bool Save();
    // Called by the form when the user changes a bound control.
    void MarkChanged() { dataChanged_ = true; }

    FieldMap& Fields() { return fields_; }
    const Value& Param() const { return param_; }
    const std::shared_ptr<Object>& AtomObj() const { return atomObj_; }
    Form* GetForm() const { return form_; }
    Form* OwnerForm() const { return ownerForm_; }
    bool InsertMode() const { return insertMode_; }
    bool DataChanged() const { return dataChanged_; }
    const std::string& MemberName() const { return memberName_; }

protected:
    Form& RequireForm() const;

private:
    void LoadControls();

    std::string memberName_;
    Form* form_ = nullptr;
    Form* ownerForm_ = nullptr;
    std::shared_ptr<Object> atomObj_;
    Value param_;
    FieldMap fields_;
    bool insertMode_ = false;
    bool dataChanged_ = false;
    bool saved_ = false;
};

} // namespace Talvex::Ui
