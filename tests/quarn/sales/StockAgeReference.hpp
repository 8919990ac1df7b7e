#pragma once
// The stock age by goods group written by hand over the base tables: what the tests check the
// analysis against and what the benchmarks time it beside.
namespace Talvex::Testing {

// Every lot's rest on the date ($1) from the goods rows and the fixation log, valued at the lot's
// unit cost, summed per group two levels up the goods tree and per age band.
inline constexpr const char* kStockAgeByGroup = R"sql(
WITH fixed AS (
    SELECT f.IncomeSpecID, SUM(f.Amount) AS Amount
    FROM THGoodSpecFixLog f JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID
    WHERE od.DocumentDate <= $1 GROUP BY f.IncomeSpecID
), valued AS (
    SELECT gs.GoodCode, GREATEST($1::date - d.DocumentDate, 0) AS Age,
           ROUND(COALESCE(gs.CostSumm / NULLIF(gs.AmountAccount, 0), 0)
                 * (gs.AmountAccount - COALESCE(fx.Amount, 0)), 4) AS Cost
    FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID
    JOIN REFGood g ON g.Code = gs.GoodCode AND g.Category = 0
    LEFT JOIN fixed fx ON fx.IncomeSpecID = gs.IDC
    WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF') AND d.DocumentDate <= $1
      AND gs.AmountAccount - COALESCE(fx.Amount, 0) <> 0
)
SELECT COALESCE(g2.Code, g1.Code, g0.Code) || ':' || COALESCE(g2.Name, g1.Name, g0.Name),
       SUM(CASE WHEN Age < 90 THEN Cost ELSE 0 END), SUM(CASE WHEN Age >= 90 AND Age < 180 THEN Cost ELSE 0 END),
       SUM(CASE WHEN Age >= 180 AND Age < 360 THEN Cost ELSE 0 END), SUM(CASE WHEN Age >= 360 THEN Cost ELSE 0 END)
FROM valued v
LEFT JOIN REFGood g0 ON g0.Code = v.GoodCode LEFT JOIN REFGood g1 ON g1.Code = g0.Parent
LEFT JOIN REFGood g2 ON g2.Code = g1.Parent
GROUP BY 1 ORDER BY 1
)sql";

} // namespace Talvex::Testing
