#pragma once
// The open debt of each document written by hand over the base tables: what the tests check
// the debt payment reports against and what the benchmarks time them beside.
namespace Talvex::Testing {

// The open part of every debt document of a side ($2: 1 payables, else receivables) on the
// report date ($1), straight on the tables: the posted documents of the side's types dated
// up to the date whose client holds the side's role (organisations, and persons on sales
// invoices); a return only under a posted parent it does not exceed, or one paid directly.
// What is owed is the larger of the document's sum and its stored terms; what paid it, its
// positive payment lines dated up to the date (a return's are its parent's). Paid first in
// first out, what stays open is exactly the difference when it is positive.
inline constexpr const char* kOpenDebtByDocument = R"sql(
WITH src (Type, Role, Derived) AS (
    SELECT * FROM (VALUES ('PRSF', 'PIR', false), ('TPPR', 'PIR', false), ('PGA', 'PAR', true),
                          ('PISF', 'PAR', false), ('TPPI', 'VEZ', false), ('GPG', 'PIR', true)) AS v
    WHERE CASE WHEN $2 = 1 THEN v.column1 IN ('PISF', 'TPPI', 'GPG') ELSE v.column1 IN ('PRSF', 'TPPR', 'PGA') END
), docs AS (
    SELECT d.IDC, d.Summa, d.ParentID, s.Derived
    FROM THDocument d JOIN src s ON s.Type = d.DocTypeCode
    JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = s.Role
                           AND (p.PartyType = 1 OR d.DocTypeCode = 'PRSF')
    WHERE d.IsPosted = 1 AND d.DocumentDate <= $1
      AND (NOT s.Derived OR EXISTS (SELECT 1 FROM THDocument pd WHERE pd.IDC = d.ParentID AND pd.IsPosted = 1
                                    AND (pd.IsDirectPay <> 0 OR d.Summa <= pd.Summa)))
), owed AS (
    SELECT docs.IDC,
           GREATEST(docs.Summa, COALESCE((SELECT sum(t.Summa) FROM THDocumentPayTerm t
                                          WHERE t.DocID = docs.IDC AND NOT docs.Derived), 0)) AS Need,
           COALESCE((SELECT sum(ps.SummaCur) FROM THPaySpec ps JOIN THDocument pay ON pay.IDC = ps.DocID
                     WHERE ps.CorDocID = CASE WHEN docs.Derived THEN docs.ParentID ELSE docs.IDC END
                       AND pay.DocumentDate <= $1 AND ps.SummaCur > 0), 0) AS Paid
    FROM docs
)
SELECT IDC, Need - Paid AS Debt FROM owed WHERE Need > 0 AND Need - Paid > 0
)sql";

} // namespace Talvex::Testing
