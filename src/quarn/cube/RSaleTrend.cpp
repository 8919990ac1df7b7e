#include "quarn/cube/RSaleTrend.hpp"

#include "quarn/cube/RSaleNew.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

namespace {

// A new sales analysis run with the caller's parameters and one more that marks its mode.
std::shared_ptr<RSaleNew> RunWith(const char* mode, ReportExecBase& caller, Talvex::FieldList& inParams,
                                  Talvex::FieldList& outParams)
{
    Talvex::FieldList params(inParams);
    if (!params.ExistsField(mode)) params.Add(mode, Talvex::FieldType::kFlag, Talvex::Value(1));
    auto report = std::make_shared<RSaleNew>();
    report->SetVisual(caller.Visual());
    report->SetAlterFormCode(caller.AlterFormCode());
    report->Run(params, outParams);
    return report;
}

} // namespace

bool RSaleTrend::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        report_ = RunWith("Trend", *this, inParams, outParams);
    } catch (...) {
        ReportError();
    }
    return false;
}

bool RSaleHotel::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        report_ = RunWith("Restaurant", *this, inParams, outParams);
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
