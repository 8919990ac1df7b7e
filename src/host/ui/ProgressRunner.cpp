#include "host/ui/ProgressRunner.hpp"

#include "host/types/Errors.hpp"
#include "host/ui/Driver.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

namespace Talvex::Ui {

ProgressRunner::ProgressRunner() : session_(Session::Current()) {}

ProgressRecord ProgressRunner::Run(IProcessObject& process)
{
    ProgressRecord record;
    try {
        record.caption = process.Caption();
        record.countStep = process.CountStep();
    } catch (const NoAnswerError&) {
        throw;
    } catch (const std::exception& error) {
        session_.ReportError("ProgressRunner", error.what());
        record.failed = true;
        return record;
    }
    if (record.countStep < 0) record.countStep = 0;

    // The progress window closes however the run ends.
    struct Window {
        Session& session;
        ProgressRecord& record;
        ~Window()
        {
            while (session.TakeCancelRequest()) {
                // A cancel that came too late belongs to this run, not to the next one.
            }
            session.EndProgress(record);
        }
    } window{session_, record};
    session_.BeginProgress(record.caption, record.countStep);

    for (long k = 1; k <= record.countStep; ++k) {
        // A session that is ending stops the report as a whole; a cancel ends the run only,
        // and the report decides what it shows of the steps done.
        const StopSignal& stopping = *session_.Stopping();
        if (stopping.Ending()) stopping.ThrowIfRequested();
        if (session_.TakeCancelRequest() || stopping.Requested()) {
            record.cancelled = true;
            break;
        }
        session_.AdvanceProgress(k);
        bool goOn = false;
        try {
            goOn = process.Step(k);
        } catch (const NoAnswerError&) {
            throw;
        } catch (const CancelledError&) {
            // A statement of the step was stopped: the run ends as cancelled, not failed.
            if (stopping.Ending()) throw;
            record.cancelled = true;
            break;
        } catch (const std::exception& error) {
            session_.ReportError("ProgressRunner: " + record.caption + ", step " + std::to_string(k), error.what());
            record.failed = true;
            break;
        }
        record.stepsDone = k;
        if (Driver* driver = session_.GetDriver(); driver != nullptr && session_.Progress())
            driver->OnProgress(session_, *session_.Progress());
        if (!goOn) {
            record.stopped = k < record.countStep;
            break;
        }
    }
    return record;
}

} // namespace Talvex::Ui
