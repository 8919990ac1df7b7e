#pragma once

#include "host/ui/ParamForm.hpp"

#include <cstdint>
#include <memory>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The parameters of the detailed document payment: the document, typed by its number or
// picked from the list of documents, and the report date payments are counted to.
class frmDetailDocPayment : public Talvex::Ui::ParamForm {
public:
    explicit frmDetailDocPayment(std::shared_ptr<Talvex::Book> book);

    // Loads the controls from params ("DocNumber", "RepDate"), shows the form modally and, on
    // OK, writes the choices back with the document found ("DocID"). False when cancelled.
    bool Run(Talvex::FieldList& params);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    std::shared_ptr<Talvex::Book> book_;
    std::int64_t docId_ = 0;
};

} // namespace Quarn_DuzAde
