#pragma once

#include "host/objects/FieldList.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>

namespace Quarn_DuzAde {

class RSaleNew;

// The sales trends: the sales analysis by sessions and cards run with "Trend", so that each
// chosen fact shows its change against the previous period beside it.
class RSaleTrend : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
    // The report that carries the cube window (null before Run).
    const std::shared_ptr<RSaleNew>& Report() const { return report_; }

private:
    std::shared_ptr<RSaleNew> report_;
};

// The hotel and restaurant sales: the sales analysis by sessions and cards run with
// "Restaurant", so that the hotel, restaurant and catering documents count too.
class RSaleHotel : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
    const std::shared_ptr<RSaleNew>& Report() const { return report_; }

private:
    std::shared_ptr<RSaleNew> report_;
};

} // namespace Quarn_DuzAde
