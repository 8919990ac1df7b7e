#pragma once

#include <string>

namespace Talvex::Ui {

// A long operation the host runs step by step with a progress window (ProgressRunner).
class IProcessObject {
public:
    virtual ~IProcessObject() = default;
    virtual std::string Caption() = 0;
    virtual long CountStep() = 0;
    // Step index runs from 1 to CountStep(); false stops the run.
    virtual bool Step(long index) = 0;
};

} // namespace Talvex::Ui
