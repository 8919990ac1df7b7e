#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// The shell report: shows the client accounts browser and produces no result list.
class CDuzAde : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
