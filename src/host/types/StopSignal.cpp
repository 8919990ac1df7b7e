#include "host/types/StopSignal.hpp"

#include "host/types/Errors.hpp"

namespace Talvex {

void StopSignal::Request()
{
    requested_ = true;
}

void StopSignal::RequestForGood()
{
    ending_ = true;
    Request();
}

void StopSignal::Reset()
{
    if (!ending_.load()) requested_ = false;
}

void StopSignal::ThrowIfRequested() const
{
    if (ending_.load()) throw CancelledError("Cancelled: the session is ending");
    if (requested_.load()) throw CancelledError(kCancelledText);
}

} // namespace Talvex
