#pragma once

#include "host/types/Value.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The report contract the host calls: it sets AlterFormCode and Visual, then calls Run.
// Run is true when a result was produced ("DataList" in outParams), false when the user
// cancelled or an error was reported.
class IReportExec {
public:
    virtual ~IReportExec() = default;
    virtual void SetAlterFormCode(const std::string& code) = 0;
    virtual std::string AlterFormCode() const = 0;
    virtual void SetVisual(bool visual) = 0;
    virtual bool Visual() const = 0;
    virtual bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) = 0;
};

// The alternative entry: the host calls Main with the parameter list; nothing is returned.
class IMainEntry {
public:
    virtual ~IMainEntry() = default;
    virtual void Main(Talvex::FieldList& params) = 0;
};

// The two members every report class keeps behind the contract's properties.
class ReportExecBase : public IReportExec {
public:
    void SetAlterFormCode(const std::string& code) override { alterFormCode_ = code; }
    std::string AlterFormCode() const override { return alterFormCode_; }
    void SetVisual(bool visual) override { visual_ = visual; }
    bool Visual() const override { return visual_; }

private:
    std::string alterFormCode_;
    bool visual_ = false;
};

} // namespace Quarn_DuzAde
