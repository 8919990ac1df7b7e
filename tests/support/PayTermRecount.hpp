#pragma once
// The payment-term sources worked out again from the base tables on every read, the way a
// reader would without any kept state, and a row-by-row comparison of the sources with it.
#include "host/data/Connection.hpp"
#include "host/types/Date.hpp"

#include <optional>
#include <string>

namespace Talvex::Testing {

// Creates pg_temp.PayTermRecount(PayToDate) for the connection's session: it outlives the
// transactions a test rolls back, and no other session sees it.
void InstallPayTermRecount(Data::Connection& db);

// Rows that differ (compared as text, so a sum's decimals count too) between the recount and
// each source: THDocumentPayTermCur and THDocPayTermCurDbt when payToDate is empty, else
// THDocumentPayTermExt and THDocumentPayTermDbt of that date. Each line names the source,
// whether the row is "extra" in it or "missing" from it, and the row; at most a few lines per
// source. Empty when every source matches.
std::string PayTermDifferences(Data::Connection& db, const std::optional<Date>& payToDate);

} // namespace Talvex::Testing
