#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// The exchange-difference settlement: opens frmSetGExchange in the host's dialog engine over
// the Book of InParams("Book"). It returns a result list ("DataList") only when the user
// closes the form asking to print the list.
class CSetGExchange : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
