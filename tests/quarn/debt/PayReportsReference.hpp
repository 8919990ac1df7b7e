#pragma once
// The payment reports' totals per currency written by hand over the base tables: what the
// tests check the reports against and what the benchmarks time them beside.
namespace Talvex::Testing {

// Every receivable's terms and what paid them, straight on the tables: the
// posted documents of the side dated up to the period's end ($2) whose client holds the
// side's role (a return only under a posted parent it does not exceed, or one paid
// directly); its terms are the stored ones and, where they fall short of its sum, the rest.
// Posted positive payment lines dated up to the report date ($1) pay it (a return's are its
// parent's), first in first out, so a document whose terms all fall in the period is paid
// the smaller of its positive terms and its payments.
inline constexpr const char* kDebtPayAnalysisByCurrency = R"sql(
WITH src (Type, Role, Derived) AS (VALUES ('PRSF', 'PIR', false), ('TPPR', 'PIR', false), ('PGA', 'PAR', true)),
docs AS (
    SELECT d.IDC, d.Summa, d.ParentID, d.DocumentDate, d.CurrencyCode, s.Derived
    FROM THDocument d JOIN src s ON s.Type = d.DocTypeCode
    JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = s.Role
                           AND (p.PartyType = 1 OR d.DocTypeCode = 'PRSF')
    WHERE d.IsPosted = 1 AND d.DocumentDate <= $2
      AND (NOT s.Derived OR EXISTS (SELECT 1 FROM THDocument pd WHERE pd.IDC = d.ParentID AND pd.IsPosted = 1
                                    AND (pd.IsDirectPay <> 0 OR d.Summa <= pd.Summa)))
), stored AS (
    SELECT t.DocID, sum(t.Summa) AS Summa FROM THDocumentPayTerm t GROUP BY t.DocID
), terms AS (
    SELECT docs.IDC, t.Summa FROM docs JOIN THDocumentPayTerm t ON t.DocID = docs.IDC AND NOT docs.Derived
    UNION ALL
    SELECT docs.IDC, docs.Summa - COALESCE(st.Summa, 0)
    FROM docs LEFT JOIN stored st ON st.DocID = docs.IDC AND NOT docs.Derived
    WHERE st.DocID IS NULL OR st.Summa < docs.Summa
), due AS (
    SELECT terms.IDC, sum(terms.Summa) AS Due FROM terms WHERE terms.Summa > 0 GROUP BY terms.IDC
), paid AS (
    SELECT ps.CorDocID, sum(ps.SummaCur) AS Paid
    FROM THPaySpec ps JOIN THDocument pay ON pay.IDC = ps.DocID
    WHERE pay.DocumentDate <= $1 AND pay.IsPosted = 1 AND ps.SummaCur > 0
    GROUP BY ps.CorDocID
), perdoc AS (
    SELECT docs.CurrencyCode, COALESCE(due.Due, 0) AS Due,
           CASE WHEN docs.DocumentDate > $1 THEN 0 ELSE COALESCE(paid.Paid, 0) END AS Paid
    FROM docs LEFT JOIN due ON due.IDC = docs.IDC
    LEFT JOIN paid ON paid.CorDocID = CASE WHEN docs.Derived THEN docs.ParentID ELSE docs.IDC END
)
SELECT CurrencyCode, count(*) FILTER (WHERE Due > 0), sum(Due), sum(LEAST(Due, Paid))
FROM perdoc GROUP BY CurrencyCode HAVING sum(Due) > 0 ORDER BY CurrencyCode
)sql";

// The posted sale invoices of a period per currency: how many, their sum, and the sum of the
// posted payment lines dated up to the report date linked to them.
inline constexpr const char* kPaymentsOfSaleInvoicesByCurrency = R"sql(
SELECT d.CurrencyCode, count(*), sum(d.Summa),
       sum(COALESCE((SELECT sum(ps.SummaCur) FROM THPaySpec ps JOIN THDocument pay ON pay.IDC = ps.DocID
                     WHERE ps.CorDocID = d.IDC AND pay.IsPosted = 1 AND pay.DocumentDate <= $3), 0))
FROM THDocument d
WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN $1 AND $2
GROUP BY d.CurrencyCode ORDER BY d.CurrencyCode
)sql";

} // namespace Talvex::Testing
