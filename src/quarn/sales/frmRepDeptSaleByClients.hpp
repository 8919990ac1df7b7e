#pragma once

#include "host/ui/ParamForm.hpp"

#include <memory>

namespace Talvex {
class Book;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The question of sales and debt by clients: the period and the department.
class frmRepDeptSaleByClients : public Talvex::Ui::ParamForm {
public:
    explicit frmRepDeptSaleByClients(std::shared_ptr<Talvex::Book> book);

    // Loads the controls from params ("BegPeriod", "EndPeriod", "Department"), shows the form
    // modally and, on OK, writes the choices back. False when the user cancelled.
    bool Run(Talvex::FieldList& params);

protected:
    void BeforeShow() override;
    void btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl) override;

private:
    bool DepartmentExists(const std::string& code) const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
