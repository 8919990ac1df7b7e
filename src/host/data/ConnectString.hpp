#pragma once

#include <string>
#include <string_view>

namespace Talvex::Data {

// A libpq connection string or URI fit for a log: every password is replaced by "***", the
// rest (host, port, database, user) kept so that whoever reads the log can tell which
// server failed.
std::string MaskPassword(std::string_view connectString);

} // namespace Talvex::Data
