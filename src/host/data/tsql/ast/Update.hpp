#pragma once

#include "host/data/tsql/ast/Select.hpp"

namespace Talvex::Data::TSql::Ast {

struct Assignment {
    Name column; // may carry the target's alias: oTable.CostSumm
    Expression value;
    bool operator==(const Assignment&) const = default;
};

// UPDATE target SET ... [FROM sources] [WHERE ...]; the target is a table or the alias of
// one of the sources.
struct Update {
    Name target;
    std::vector<Assignment> assignments;
    std::vector<TableRef> from;
    ExprBox where;
    bool operator==(const Update&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
