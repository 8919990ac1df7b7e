#include "host/objects/StatusLine.hpp"

#include "host/objects/ClientApp.hpp"

namespace Talvex {

void StatusLine::ShowStatus(const std::string& text) const
{
    if (auto* app = ClientApp::TryCurrent()) app->ShowStatus(text);
}

} // namespace Talvex
