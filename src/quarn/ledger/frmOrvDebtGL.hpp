#pragma once

#include "host/types/Date.hpp"
#include "host/ui/ParamForm.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Parameters of the receivables reconciliation: the chart of accounts, the account of the
// chart and the report date. The account list follows the chosen chart.
class frmOrvDebtGL : public Talvex::Ui::ParamForm {
public:
    frmOrvDebtGL();

    // Shows the form modally; on OK writes "EndDate", "AccSet" and "Account" into outP.
    // False when the user cancels.
    bool Init(std::shared_ptr<Talvex::Book> book, Talvex::FieldList& outP);

protected:
    // A form of the same controls under another name, with another default account.
    frmOrvDebtGL(std::string name, std::string caption, std::string defaultAccount);

    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    void cbAccSet_Change();
    // The accounts of the chosen chart, posting accounts and groups alike.
    void LoadAccounts();

    std::shared_ptr<Talvex::Book> book_;
    std::string defaultAccount_;
};

} // namespace Quarn_DuzAde
