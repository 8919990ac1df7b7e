#include "quarn/frame/CDuzAde.hpp"

#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/frmClAcc.hpp"

#include <memory>

namespace Quarn_DuzAde {
namespace {

// The browser form is created on first use and reused by every run of the same host
// (each user session runs its own host thread).
std::unique_ptr<frmClAcc>& SharedForm()
{
    thread_local std::unique_ptr<frmClAcc> form;
    return form;
}

} // namespace

bool CDuzAde::Run(Talvex::FieldList&, Talvex::FieldList&)
{
    try {
        auto& form = SharedForm();
        if (!form) form = std::make_unique<frmClAcc>();
        form->Browse();
        form->Unload();
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
