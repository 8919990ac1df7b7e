#pragma once

#include "host/data/tsql/ast/Select.hpp"

namespace Talvex::Data::TSql::Ast {

// INSERT [INTO] table [(columns)] VALUES (...), (...) | SELECT ...
struct Insert {
    Name table;
    std::vector<std::string> columns;
    std::vector<std::vector<Expression>> rows; // VALUES form
    Box<Select> query;                         // SELECT form
    bool operator==(const Insert&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
