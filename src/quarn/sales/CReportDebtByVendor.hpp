#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// What each consignment vendor is owed on a report date: its ledger balance, the rest of its
// goods in stock and sold, due and not due, what was paid, and what is still to pay.
class CReportDebtByVendor : public Talvex::Object, public ReportExecBase {
public:
    // Takes "Book", asks ParmRestByVendor, returns the vendors as "DataList". False on cancel.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
