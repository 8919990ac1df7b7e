#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// Sales of goods bought on pay-on-sale terms: for a supplier (or supplier group) and a period
// of sales, what was sold out of its pay-on-sale purchases, at which purchase price, the sum
// owed to the supplier and the date it is due.
class CSalesBySuppl : public Talvex::Object, public ReportExecBase {
public:
    // Takes "Book", asks for the supplier and period (defaults: "ClientCode", "BegDate",
    // "EndDate" of inParams, else the current month up to today), and returns the list as
    // "DataList" with the choice in "ClientCode", "ClientName", "PayTerm", "BegDate",
    // "EndDate". False on cancel or error.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
