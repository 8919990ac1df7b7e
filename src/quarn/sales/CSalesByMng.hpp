#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// Sales by department and manager: opens the working list (SalesByMngDlg) in the host's
// dialog engine over the Book of InParams("Book"); returns when the user closes it.
class CSalesByMng : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
