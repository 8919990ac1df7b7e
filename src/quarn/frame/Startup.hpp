#pragma once

namespace Talvex {
class FormRes;
class StatusLine;
} // namespace Talvex

namespace Quarn_DuzAde {

// Runs once per process, before the first object of the library is created: the
// form-resource reader (resource "QuarnFormRes") and the status line.
void Startup();

// The process-wide objects Startup made (Startup runs first if it has not).
const Talvex::FormRes& ModuleFormRes();
const Talvex::StatusLine& ModuleStatusLine();

} // namespace Quarn_DuzAde
