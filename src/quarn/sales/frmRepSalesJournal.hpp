#pragma once

#include "quarn/sales/PeriodDepartmentForm.hpp"

namespace Quarn_DuzAde {

// The parameters of the sales journal: the period and the department whose invoices it lists;
// on OK also the department's name ("DepartmentName").
class frmRepSalesJournal : public PeriodDepartmentForm {
public:
    explicit frmRepSalesJournal(std::shared_ptr<Talvex::Book> book)
        : PeriodDepartmentForm("frmRepSalesJournal", {"Pardavimų žurnalas", "Nuo", "Iki"}, std::move(book), true)
    {
    }
};

} // namespace Quarn_DuzAde
