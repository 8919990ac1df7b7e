#pragma once

#include <string>

namespace Talvex::Data::TSql::Ast {

// DROP TABLE [IF EXISTS] #Name: only a session temporary table, as T-SQL spells it. The ERP's
// own tables are never dropped by a statement of the module.
struct DropTable {
    std::string table;
    bool ifExists = false;
    bool operator==(const DropTable&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
