#pragma once
// The payment-term arrangement's invoices written by hand over the base tables: what the
// tests check the arrangement against and what the benchmarks time it beside.
namespace Talvex::Testing {

// The pay-on-sale invoices of the local suppliers (group T-LT, every supplier under it in the
// client tree) dated up to the end of May 2026 that are open at the end of June or sold from
// in May: how many, their sums, open parts, sales up to the end of June and sales in May.
inline constexpr const char* kArrangedInvoicesOfLocalSuppliers = R"sql(
WITH RECURSIVE tree AS (
    SELECT Code FROM REFClient WHERE Code = 'T-LT'
    UNION ALL SELECT c.Code FROM REFClient c JOIN tree t ON c.Parent = t.Code),
inv AS (
    SELECT d.IDC, d.Summa FROM THDocument d
    JOIN THDocumentPISF a ON a.DocID = d.IDC AND a.IsPayOnSell = 1
    JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
    WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate <= DATE '2026-05-31'
      AND p.PartyCode IN (SELECT Code FROM tree)),
paid AS (
    SELECT ps.CorDocID AS IDC, sum(ps.SummaCur) AS Paid FROM THPaySpec ps
    JOIN THDocument pd ON pd.IDC = ps.DocID WHERE pd.DocumentDate <= DATE '2026-06-30'
    GROUP BY ps.CorDocID),
sold AS (
    SELECT gi.DocID AS IDC,
           sum(round(COALESCE(gi.Summa / NULLIF(gi.AmountAccount, 0) * f.Amount, 0), 2)) AS Sold,
           sum(round(COALESCE(gi.Summa / NULLIF(gi.AmountAccount, 0) * f.Amount, 0), 2))
               FILTER (WHERE s.DocumentDate BETWEEN DATE '2026-05-01' AND DATE '2026-05-31') AS InMay
    FROM THGoodSpec gi JOIN THGoodSpecFixLog f ON f.IncomeSpecID = gi.IDC
    JOIN THGoodSpec go ON go.IDC = f.OutcomeSpecID JOIN THDocument s ON s.IDC = go.DocID
    WHERE s.DocTypeCode = 'PRSF' AND s.IsPosted = 1 AND s.DocumentDate <= DATE '2026-06-30'
    GROUP BY gi.DocID),
shown AS (
    SELECT inv.Summa, GREATEST(0, inv.Summa - COALESCE(paid.Paid, 0)) AS Debt,
           COALESCE(sold.Sold, 0) AS Sold, COALESCE(sold.InMay, 0) AS InMay
    FROM inv LEFT JOIN paid ON paid.IDC = inv.IDC LEFT JOIN sold ON sold.IDC = inv.IDC)
SELECT count(*), sum(Summa), sum(Debt), sum(Sold), sum(InMay) FROM shown
WHERE Debt <> 0 OR InMay <> 0)sql";

} // namespace Talvex::Testing
