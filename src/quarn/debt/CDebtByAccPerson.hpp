#pragma once

#include "host/types/Date.hpp"
#include "quarn/debt/OverdueBands.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The open receivables of posted sale invoices on a report date by the person who signed
// each invoice: due date, open amount, days overdue, the late-payment penalty accrued at the
// invoice's rate per day, and the overdue band; the host prints the list it returns.
class CDebtByAccPerson : public Talvex::Object, public ReportExecBase {
public:
    // Shows frmDebtByAccPerson; on OK adds "Enterprise", "RepDate" and the unread "DataList".
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // The result list for a report date, persons (one code, or several separated by commas;
    // empty: every signing person) and overdue intervals, unread, in the report's order.
    static std::shared_ptr<Talvex::DataList> BuildList(const std::shared_ptr<Talvex::Book>& book, Talvex::Date repDate,
                                                       const std::string& personList,
                                                       const std::vector<OverdueInterval>& intervals);
};

} // namespace Quarn_DuzAde
