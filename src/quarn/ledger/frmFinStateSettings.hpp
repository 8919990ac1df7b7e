#pragma once

#include "host/ui/ParamForm.hpp"

#include <memory>
#include <set>
#include <string>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// The user's choice for the financial state: the bank and cash accounts of the Book's chart,
// or the document types whose open payments are debit and credit debt, with the date up to
// which credit debt counts.
class frmFinStateSettings : public Talvex::Ui::ParamForm {
public:
    enum class Mode { Accounts, Documents };

    explicit frmFinStateSettings(Mode mode);

    // Shows the user's current choice; on OK keeps the mode's keys. False when cancelled.
    bool Run(std::shared_ptr<Talvex::Book> book);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    Mode mode_;
    std::shared_ptr<Talvex::Book> book_;
    std::set<std::string> allowed_; // the codes the selectors may hold
};

} // namespace Quarn_DuzAde
