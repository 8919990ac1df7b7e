#pragma once

#include <string>

namespace Talvex::Data::TSql::Ast {

// UPDATE STATISTICS #Name: the planner's counts of a session table just filled, so that the
// statements reading it are planned for the rows it holds. Only a temporary table, as with DROP.
struct UpdateStatistics {
    std::string table;
    bool operator==(const UpdateStatistics&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
