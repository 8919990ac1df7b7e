#pragma once

#include <exception>
#include <string>

namespace Quarn_DuzAde {

// The module's one error convention: a guarded procedure catches, calls ReportError and
// returns its default. ReportError must be called inside a catch handler; it hands the
// error being handled to the host (ClientApp.ShowError).
void ReportError();

// ReportError for a procedure that names where it failed: inside a catch handler, reports
// the error being handled with "source: " before its text.
void ReportErrorFrom(const std::string& source);

// The text of the error being handled, for callers that need it as well.
std::string PendingErrorText();

// An error raised on purpose with a number, as the module's GetBook does
// (vbObjectError, -2147221504).
class ModuleError : public std::exception {
public:
    ModuleError(long number, std::string description) : number_(number), description_(std::move(description)) {}
    long Number() const { return number_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    long number_;
    std::string description_;
};

inline constexpr long kVbObjectError = -2147221504L;

} // namespace Quarn_DuzAde
