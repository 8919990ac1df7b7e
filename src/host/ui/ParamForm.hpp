#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex::Ui {

// The base of a report's parameter dialog: the module's form declares its fields, fills
// their defaults in BeforeShow (from the per-user settings store, the Book) and checks them
// in btOKClick. A check that fails keeps the dialog open and shows its message at the
// control it names; the browser and the scripted user meet the same dialog.
class ParamForm : public Form {
public:
    static constexpr const char* kOkButton = "btOK";
    static constexpr const char* kCancelButton = "btCancel";

    ParamForm(std::string name, std::string caption);

    // Shows the dialog modally, BeforeShow first; true when the user pressed OK and the
    // form's check passed, false when he cancelled or closed it.
    bool Execute();
    bool Accepted() const { return accepted_; }

protected:
    // Fills the defaults; runs before each showing.
    virtual void BeforeShow() {}
    // The form's check of what the user entered. IsOk false keeps the dialog open with
    // ErrMessage shown at ErrControl (a control of the form; empty: at the OK button).
    virtual void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl);

private:
    void PressOk();
    void ClearRefusals();

    bool accepted_ = false;
};

} // namespace Talvex::Ui
