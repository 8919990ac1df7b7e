#pragma once

#include "web/WebSession.hpp"

#include <atomic>
#include <vector>

namespace Talvex::Testing {

// Small report classes of the web tests, run from the menu like the module's own: a
// parameter form with one control of every kind, a document list with progress, footer,
// subtotal styles and drill-down, a report that fails, a message with the one button
// "Gerai", a long list with a local menu for paging, and a long run with a wait window and
// progress.
std::vector<Web::ExtraClass> WebTestClasses();

// Forms of these classes alive now: a closed tab must leave none behind.
extern std::atomic<int> gLiveTestForms;

} // namespace Talvex::Testing
