#pragma once
// The pay-on-sale sales list written by hand over the base tables: what the tests check the
// list against and what the benchmarks time it beside.
namespace Talvex::Testing {

// Every sale of a period ($2 to $3) out of the pay-on-sale purchases of a supplier group ($1,
// every supplier under it in the client tree), a row per fixation: good, name, amount, unit
// price, owed sum, purchase currency, sale and purchase date and number, and the day the
// owed sum falls due (the sale's day and the supplier's market group's term).
inline constexpr const char* kPayOnSaleSalesOfSupplierGroup = R"sql(
WITH RECURSIVE tree AS (
    SELECT Code FROM REFClient WHERE Code = $1
    UNION ALL SELECT c.Code FROM REFClient c JOIN tree t ON c.Parent = t.Code)
SELECT i.GoodCode, g.Name, f.Amount,
       round(COALESCE(i.Summa / NULLIF(i.AmountAccount, 0), 0), 2),
       round(COALESCE(i.Summa / NULLIF(i.AmountAccount, 0) * f.Amount, 0), 2),
       b.CurrencyCode, s.DocumentDate, s.Number, b.DocumentDate, b.Number,
       s.DocumentDate + COALESCE(mg.PayTerm, 0)
FROM THDocument s
JOIN THGoodSpec o ON o.DocID = s.IDC
JOIN THGoodSpecFixLog f ON f.OutcomeSpecID = o.IDC
JOIN THGoodSpec i ON i.IDC = f.IncomeSpecID
JOIN THDocument b ON b.IDC = i.DocID AND b.DocTypeCode = 'PISF'
JOIN THDocumentPISF ba ON ba.DocID = b.IDC AND ba.IsPayOnSell = 1
JOIN THPartyAttribute v ON v.DocID = b.IDC AND v.RolePartyCode = 'PAR'
JOIN REFClient c ON c.Code = v.PartyCode
LEFT JOIN REFClientMarketGr mg ON mg.Code = c.MarketGrCode
LEFT JOIN REFGood g ON g.Code = i.GoodCode
WHERE s.DocTypeCode = 'PRSF' AND s.IsPosted = 1 AND s.DocumentDate BETWEEN $2::date AND $3::date
  AND v.PartyCode IN (SELECT Code FROM tree)
ORDER BY s.DocumentDate, s.Number, b.DocumentDate, b.Number, i.GoodCode, f.IDC
)sql";

} // namespace Talvex::Testing
