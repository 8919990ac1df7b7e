#pragma once

#include "host/data/tsql/ast/Select.hpp"

namespace Talvex::Data::TSql::Ast {

// DELETE [FROM] target [FROM sources] [WHERE ...]; the target is a table or the alias of
// one of the sources.
struct Delete {
    Name target;
    std::vector<TableRef> from;
    ExprBox where;
    bool operator==(const Delete&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
