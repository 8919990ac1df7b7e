#include "quarn/frame/ReportError.hpp"

#include "host/objects/ClientApp.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Session.hpp"

#include <iostream>

namespace Quarn_DuzAde {

std::string PendingErrorText()
{
    std::exception_ptr pending = std::current_exception();
    if (!pending) return "Unknown error";
    try {
        std::rethrow_exception(pending);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

void ReportError()
{
    std::string message = PendingErrorText();
    if (auto* app = Talvex::ClientApp::TryCurrent()) {
        app->ShowError("Quarn_DuzAde", message);
        return;
    }
    if (auto* session = Talvex::Ui::Session::TryCurrent()) {
        session->ReportError("Quarn_DuzAde", message);
        return;
    }
    // No host session on this thread: the error still reaches the person running us.
    std::cerr << "Quarn_DuzAde: " << message << "\n";
}

void ReportErrorFrom(const std::string& source)
{
    try {
        throw;
    } catch (const std::exception& e) {
        try {
            throw Talvex::ValueError(source + ": " + e.what());
        } catch (...) {
            ReportError();
        }
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
