#pragma once

#include <string>
#include <vector>

namespace Talvex::Testing {

// What the subsystems' own test programs check of their catalogue classes: every class of
// the catalogue with the given subsystem label is created by name; each one a folder built
// is registered by that folder; each one not built yet tells the user so through the host's
// error display and returns nothing. Returns the names registered by the folder.
std::vector<std::string> CheckSubsystemClasses(const std::string& label, const std::string& folder);

} // namespace Talvex::Testing
