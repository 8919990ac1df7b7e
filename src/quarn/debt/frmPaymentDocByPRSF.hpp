#pragma once

#include "host/ui/ParamForm.hpp"

#include <memory>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The parameters of the payment documents by sale invoice: the period of the invoices, the
// report date payments are counted to and, when wanted, one client.
class frmPaymentDocByPRSF : public Talvex::Ui::ParamForm {
public:
    explicit frmPaymentDocByPRSF(std::shared_ptr<Talvex::Book> book);

    // Loads the controls from params ("DateBeg", "DateEnd", "RepDate", "Client"), shows the
    // form modally and, on OK, writes the choices back. False when the user cancelled.
    bool Run(Talvex::FieldList& params);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
