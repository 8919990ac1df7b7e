#pragma once

#include "host/ui/ParamForm.hpp"

#include <memory>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The parameters of the sales journal: the period and the department whose invoices it lists.
class frmRepSalesJournal : public Talvex::Ui::ParamForm {
public:
    explicit frmRepSalesJournal(std::shared_ptr<Talvex::Book> book);

    // Loads the controls from params ("BegPeriod", "EndPeriod", "Department"), shows the form
    // modally and, on OK, writes the choices back with the department's name
    // ("DepartmentName"). False when the user cancelled.
    bool Run(Talvex::FieldList& params);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    // The name of the department with the code; empty when there is none.
    std::string DepartmentName(const std::string& code) const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
