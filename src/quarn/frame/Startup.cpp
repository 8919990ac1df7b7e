#include "quarn/frame/Startup.hpp"

#include "host/objects/FormRes.hpp"
#include "host/objects/StatusLine.hpp"

#include <mutex>

namespace Quarn_DuzAde {
namespace {

struct ProcessObjects {
    Talvex::FormRes formRes;
    Talvex::StatusLine statusLine;
};

std::once_flag started;
ProcessObjects* objects = nullptr;

} // namespace

void Startup()
{
    std::call_once(started, [] {
        static ProcessObjects instance;
        instance.formRes.SetResourceName("QuarnFormRes");
        objects = &instance;
    });
}

const Talvex::FormRes& ModuleFormRes()
{
    Startup();
    return objects->formRes;
}

const Talvex::StatusLine& ModuleStatusLine()
{
    Startup();
    return objects->statusLine;
}

} // namespace Quarn_DuzAde
