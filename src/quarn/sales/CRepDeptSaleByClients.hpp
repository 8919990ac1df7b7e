#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/PeriodDepartmentForm.hpp"
#include "quarn/sales/DeptSaleByClients.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Sales and debt by clients of a department: for each buyer of the department, what it was
// invoiced in the period, how much of that it paid by the period end, its open and overdue
// debt at the period end, and its share of the department's sales. Returns the list as
// "DataList" for the host to print.
class CRepDeptSaleByClients : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    using Params = PeriodDepartment;
    // Fetch: the department's posted sale invoices of the period (accounting currency).
    static std::vector<DeptSaleInvoice> FetchInvoices(const std::shared_ptr<Talvex::Book>& book, const Params& params);
    // Fetch: the payment terms of its invoices up to the period end still open at the end.
    static std::vector<DeptSaleOpenTerm> FetchOpenTerms(const std::shared_ptr<Talvex::Book>& book,
                                                        const Params& params);
    // Show: the lines as the list the host prints.
    static std::shared_ptr<Talvex::DataList> ResultList(const std::shared_ptr<Talvex::Book>& book,
                                                        const std::vector<DeptSaleClientLine>& lines);
};

} // namespace Quarn_DuzAde
