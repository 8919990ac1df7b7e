#pragma once

#include <string_view>

namespace Talvex::Data::TSql {

// The reparse check: the batch is parsed, written back as T-SQL, parsed again, and the two
// trees must be equal; throws std::logic_error showing both texts when they are not. With
// TALVEX_REPARSE=1 in the environment every statement a connection runs is checked so.
void CheckReparse(std::string_view tsql);
bool ReparseCheckEnabled();

} // namespace Talvex::Data::TSql
