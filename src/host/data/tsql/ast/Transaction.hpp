#pragma once

#include <string>

namespace Talvex::Data::TSql::Ast {

// SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED | READ COMMITTED | REPEATABLE READ |
// SNAPSHOT | SERIALIZABLE
struct SetIsolationLevel {
    std::string level; // upper case, words separated by one blank
    bool operator==(const SetIsolationLevel&) const = default;
};

enum class TransactionAction { Begin, Commit, Rollback };

// BEGIN TRAN[SACTION], COMMIT [TRAN[SACTION]], ROLLBACK [TRAN[SACTION]]
struct TransactionControl {
    TransactionAction action = TransactionAction::Begin;
    bool operator==(const TransactionControl&) const = default;
};

} // namespace Talvex::Data::TSql::Ast
