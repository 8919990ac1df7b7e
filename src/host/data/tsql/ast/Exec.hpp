#pragma once

#include "host/data/tsql/ast/Expression.hpp"

namespace Talvex::Data::TSql::Ast {

// EXEC[UTE] procedure arg, @Name = arg, ...
struct Exec {
    Name procedure;
    std::vector<Expression> args;
    std::vector<std::string> argNames; // per argument: its parameter name without "@", or empty
    bool operator==(const Exec&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
