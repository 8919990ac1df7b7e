#pragma once

#include "quarn/sales/PeriodDepartmentForm.hpp"

namespace Quarn_DuzAde {

// The question of sales and debt by clients: the period and the department.
class frmRepDeptSaleByClients : public PeriodDepartmentForm {
public:
    explicit frmRepDeptSaleByClients(std::shared_ptr<Talvex::Book> book)
        : PeriodDepartmentForm("frmRepDeptSaleByClients", {"Sales and debt by clients of a department", "From", "To"},
                               std::move(book), false)
    {
    }
};

} // namespace Quarn_DuzAde
