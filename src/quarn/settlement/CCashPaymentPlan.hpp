#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// The cash payment plan of a year opened in its document dialog (frmCPAY), the year's plan
// when it has one and a new one when not. InParams("IDC") opens that plan, InParams("Year")
// that year's; without either the user is asked for the year. When the plan is saved the
// result list ("DataList") holds its lines as written.
class CCashPaymentPlan : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
