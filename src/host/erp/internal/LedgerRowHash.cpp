#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerStages.hpp"

#include <string>

namespace Talvex::Erp::Ledger {

void CreateRowHash(Data::Connection& db, std::int64_t salt)
{
    // Multiply, square, multiply modulo the prime 2^31 - 1: the square keeps two streams of
    // the same row from differing by a constant. The salt is a whole number the generator
    // drew itself, so writing it into the text is safe.
    const std::string saltText = std::to_string(salt);
    const std::string first =
        "(((x * 2654435761 + stream * 7919 + " + saltText + ") % 2147483647 + 2147483647) % 2147483647)";
    db.ExecutePostgresScript("CREATE FUNCTION pg_temp.ledger_hash(x BIGINT, stream BIGINT) RETURNS BIGINT "
                             "LANGUAGE sql IMMUTABLE AS $$ SELECT ((" +
                             first + " * " + first + ") % 2147483647 * 48271 + " + saltText + ") % 2147483647 $$");
}

void DropRowHash(Data::Connection& db)
{
    db.ExecutePostgresScript("DROP FUNCTION IF EXISTS pg_temp.ledger_hash(BIGINT, BIGINT)");
}

} // namespace Talvex::Erp::Ledger
