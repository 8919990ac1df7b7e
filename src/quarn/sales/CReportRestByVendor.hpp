#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// What of the goods taken on consignment is still in stock, per vendor and good, on a report
// date, and how much of it is due for payment.
class CReportRestByVendor : public Talvex::Object, public ReportExecBase {
public:
    // Takes "Book", asks ParmRestByVendor, returns the rest as "DataList". False on cancel.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
