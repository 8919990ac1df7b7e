#pragma once

#include "host/data/tsql/ast/Delete.hpp"
#include "host/data/tsql/ast/Drop.hpp"
#include "host/data/tsql/ast/Exec.hpp"
#include "host/data/tsql/ast/Insert.hpp"
#include "host/data/tsql/ast/Select.hpp"
#include "host/data/tsql/ast/Statistics.hpp"
#include "host/data/tsql/ast/Transaction.hpp"
#include "host/data/tsql/ast/Update.hpp"

namespace Talvex::Data::TSql::Ast {

struct Statement {
    std::variant<Select, Insert, Update, Delete, DropTable, UpdateStatistics, Exec, SetIsolationLevel,
                 TransactionControl>
        node;
    bool operator==(const Statement&) const = default;
};

struct Batch {
    std::vector<Statement> statements;
    int parameterCount = 0;
    bool operator==(const Batch&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
