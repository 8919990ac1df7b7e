#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerStages.hpp"

#include <string_view>

namespace Talvex::Erp::Ledger {
namespace {

// pg_temp.ledger_hash(row id, salt) stands in for a random draw per row: the same seed gives
// the same choices, however the server orders the rows.

// Seven of ten payments, and of the invoices whose payment is planned, carry a cash-flow kind.
constexpr std::string_view kFlowKinds = R"sql(
INSERT INTO GLContAnalytDoc (DocID, AnalytTypeCode, AnalytObjectCode)
SELECT d.IDC, 'CF', k.Kinds[1 + pg_temp.ledger_hash(d.IDC, 1) % cardinality(k.Kinds)]
FROM THDocument d
CROSS JOIN (SELECT array_agg(Code ORDER BY Code) AS Kinds FROM REFPaymentType) k
WHERE d.DocTypeCode IN ('KOP', 'KVT', 'MPP', 'MPPT', 'KOI', 'MP', 'MPT', 'PRSF', 'PISF', 'TPPR', 'TPPI')
  AND cardinality(k.Kinds) > 0
  AND pg_temp.ledger_hash(d.IDC, 0) % 100 < 70
ORDER BY d.IDC
)sql";

// Stock goods rows of sale invoices leave from a store: most from one, about one in eight split
// 40 : 60 between two stores, one in twenty without a store order (sold straight from a
// delivery).
constexpr std::string_view kStoreOrders = R"sql(
WITH SaleRow AS (
    SELECT gs.IDC, gs.Amount,
           pg_temp.ledger_hash(gs.IDC, 2) % 100 AS Way,
           pg_temp.ledger_hash(gs.IDC, 3) AS StorePick
    FROM THGoodSpec gs
    JOIN THDocument d ON d.IDC = gs.DocID
    LEFT JOIN REFGood g ON g.Code = gs.GoodCode
    WHERE d.DocTypeCode = 'PRSF' AND COALESCE(g.Category, 0) = 0 AND gs.GoodCode <> 'C1' AND gs.Amount > 0
), Store AS (
    SELECT array_agg(IDC ORDER BY IDC) AS Ids FROM STStore
)
INSERT INTO STOrderSpec (srcDocSpecID, StoreID, Amount)
SELECT r.IDC, s.Ids[1 + (r.StorePick + part.N) % cardinality(s.Ids)], part.Amount
FROM SaleRow r
CROSS JOIN Store s
CROSS JOIN LATERAL (VALUES
    (0, CASE WHEN r.Way < 12 AND r.Amount >= 2 THEN round(r.Amount * 0.4) ELSE r.Amount END),
    (1, CASE WHEN r.Way < 12 AND r.Amount >= 2 THEN r.Amount - round(r.Amount * 0.4) END)
) AS part (N, Amount)
WHERE r.Way < 95 AND part.Amount > 0 AND cardinality(s.Ids) > 0
ORDER BY r.IDC, part.N
)sql";

// About one row in a hundred that a single store gave out also has an order of quantity 0
// at the next store: booked there first, then given out from the other.
constexpr std::string_view kEmptyStoreOrders = R"sql(
INSERT INTO STOrderSpec (srcDocSpecID, StoreID, Amount)
SELECT os.srcDocSpecID, s.Ids[1 + (pg_temp.ledger_hash(os.srcDocSpecID, 3) + 1) % cardinality(s.Ids)], 0
FROM STOrderSpec os
CROSS JOIN (SELECT array_agg(IDC ORDER BY IDC) AS Ids FROM STStore) s
WHERE pg_temp.ledger_hash(os.srcDocSpecID, 2) % 100 = 20 AND cardinality(s.Ids) > 1
ORDER BY os.srcDocSpecID
)sql";

// Three sale invoices of ten name the person who signs them; the others are signed by their
// author. Signers are staff members when the company has any.
constexpr std::string_view kSignPersons = R"sql(
INSERT INTO AdminObjectAttrib (ObjectCode, ObjectID, AttribCode, AttribValue)
SELECT '$THDocument$' || d.DocTypeCode, d.IDC, 'SignPerson',
       p.Codes[1 + pg_temp.ledger_hash(d.IDC, 5) % cardinality(p.Codes)]
FROM THDocument d
CROSS JOIN (
    SELECT COALESCE(
        (SELECT array_agg(DISTINCT sm.EmployeeCode ORDER BY sm.EmployeeCode)
         FROM REFStaffMember sm JOIN REFPerson pr ON pr.Code = sm.EmployeeCode),
        (SELECT array_agg(Code ORDER BY Code) FROM REFPerson)) AS Codes
) p
WHERE d.DocTypeCode = 'PRSF' AND cardinality(p.Codes) > 0
  AND pg_temp.ledger_hash(d.IDC, 4) % 100 < 30
ORDER BY d.IDC
)sql";

// One buyer in four has a credit limit on the debtors' indicator: between half and one and a
// half times what it owes at the end of the period, in whole hundreds, at least 100, so
// that some buyers are over their limit and some are not.
constexpr std::string_view kCreditLimits = R"sql(
INSERT INTO GLContLimitSpec (Code, AnalytObjectCode, "limit")
SELECT i.Code, b.Client,
       greatest(100, round(b.Balance * (50 + pg_temp.ledger_hash(b.N, 61) % 101) / 10000) * 100)
FROM (
    SELECT s.AnalytObjectCode AS Client, s.OutcomeSaldo AS Balance,
           row_number() OVER (ORDER BY s.AnalytObjectCode) AS N
    FROM GLIndicator i
    JOIN GLAnalytStatementD(DATE '2026-12-31', DATE '2026-12-31', i.AccSetCode, i.AccCode, i.AnalytTypeCode) s ON TRUE
    WHERE i.IsClientLimit = 1
) b
JOIN REFClient c ON c.Code = b.Client
CROSS JOIN GLIndicator i
WHERE i.IsClientLimit = 1 AND pg_temp.ledger_hash(b.N, 60) % 4 = 0
ORDER BY b.Client
)sql";

} // namespace

void SetCreditLimits(Data::Connection& db)
{
    db.ExecutePostgresScript(kCreditLimits);
}

void LinkDocuments(Data::Connection& db)
{
    db.ExecutePostgresScript(kFlowKinds);
    db.ExecutePostgresScript(kStoreOrders);
    db.ExecutePostgresScript(kEmptyStoreOrders);
    db.ExecutePostgresScript(kSignPersons);
}

} // namespace Talvex::Erp::Ledger
