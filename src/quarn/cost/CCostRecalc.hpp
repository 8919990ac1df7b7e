#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// The cost recalculation of documents: opens the cost check (CostCheck) in the host's dialog
// engine over the Book of InParams("Book"). It returns nothing; what it does is written.
class CCostRecalc : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
