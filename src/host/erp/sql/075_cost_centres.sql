-- Cost centres and the company's cost allocation procedure.

-- A cost centre gathers the documents of one department. A centre without a CostKind earns
-- sales; the others collect costs of a kind: "DI" direct costs of buying and delivering,
-- "PI" production, "VS" general costs. Groups (IsGroup = 1) hold centres through Parent.
CREATE TABLE REFMFCostCenter (
    Code VARCHAR(20) PRIMARY KEY,
    Name VARCHAR(100) NOT NULL DEFAULT '',
    Parent VARCHAR(20),
    IsGroup SMALLINT NOT NULL DEFAULT 0,
    DepCode VARCHAR(20),
    CostKind VARCHAR(2)
);

-- The company's allocation ("sp_" + company code + "$CostAnltDistrib"): sales of the chosen
-- earning centres by month and goods, net of VAT, with their cost, and the month's costs of
-- the chosen cost centres spread over them: direct and general costs in proportion to the
-- sales sum, production costs in proportion to the cost of sales. A centre's costs are the
-- net sums of its department's posted service, work and asset issue documents. Every sum is
-- in the accounting currency, at the rate of the document's day (the currency's default rate
-- type), to the cent. Each month's cost of a kind is spread to the cent: every good gets its
-- share rounded down, and the cents left go one each to the goods whose shares lost the most
-- (then by goods code), so the parts always add up to the cost. Centres are given as codes
-- separated by commas or semicolons (quotes allowed); none means every centre. A month
-- without sales (or whose weights add up to nothing) keeps its costs unallocated. The
-- account set is the one whose postings the costs were made in; documents carry no account
-- set, so it does not narrow them.
CREATE FUNCTION sp_C$CostAnltDistrib(pBegDate DATE, pEndDate DATE, pCentres VARCHAR, pAccSetCode VARCHAR)
RETURNS TABLE (BegDate DATE, GoodCode VARCHAR, GoodName VARCHAR, SaleSum NUMERIC(19,4), SaleCost NUMERIC(19,4),
               DICost NUMERIC(19,4), PICost NUMERIC(19,4), VSCost NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
WITH acc AS (
    SELECT SettingValue AS Code FROM BookSetting WHERE SettingName = 'AccountCurrency'
), chosen AS (
    SELECT trim(both '''" ' FROM c) AS Code
    FROM unnest(regexp_split_to_array(COALESCE(pCentres, ''), '[,;]')) AS c
    WHERE trim(both '''" ' FROM c) <> ''
), centres AS (
    SELECT cc.DepCode, cc.CostKind FROM REFMFCostCenter cc
    WHERE cc.IsGroup = 0 AND (NOT EXISTS (SELECT 1 FROM chosen) OR cc.Code IN (SELECT Code FROM chosen))
), docs AS (
    -- The documents of the period with the rate of their day; the accounting currency at 1.
    SELECT d.IDC, d.DocTypeCode, d.Department, date_trunc('month', d.DocumentDate)::DATE AS Month,
           CASE WHEN d.CurrencyCode = (SELECT Code FROM acc) THEN 1
                ELSE COALESCE(rd.Rate, (SELECT r.Rate FROM REFCurrencyRate r
                                        WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType
                                          AND r.DateApply <= d.DocumentDate
                                        ORDER BY r.DateApply DESC LIMIT 1)) END AS Rate
    FROM THDocument d
    LEFT JOIN REFCurrency cu ON cu.Code = d.CurrencyCode
    LEFT JOIN REFCurrencyRateDay rd ON rd.CurrencyCode = d.CurrencyCode AND rd.RateTypeCode = cu.DefaultRateType
        AND rd.RateDate = d.DocumentDate
    WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN pBegDate AND pEndDate
      AND d.DocTypeCode IN ('PRSF', 'TPPI', 'TID', 'MMW', 'ITNS')
), sales AS (
    SELECT d.Month, g.GoodCode,
           sum(round((g.Summa - COALESCE(a.SummVAT, 0)) * d.Rate, 2)) AS SaleSum, sum(round(g.CostSumm, 2)) AS SaleCost
    FROM docs d
    JOIN THGoodSpec g ON g.DocID = d.IDC
    LEFT JOIN THGoodSpecPRSF a ON a.DocID = g.DocID AND a.PosNumb = g.PosNumb
    WHERE d.DocTypeCode = 'PRSF' AND d.Department IN (SELECT DepCode FROM centres WHERE CostKind IS NULL)
    GROUP BY 1, 2
), costs AS (
    SELECT d.Month, c.CostKind, sum(round((g.Summa - COALESCE(v.SummVAT, 0)) * d.Rate, 2)) AS Cost
    FROM docs d
    JOIN centres c ON c.DepCode = d.Department AND c.CostKind IS NOT NULL
    JOIN THGoodSpec g ON g.DocID = d.IDC
    LEFT JOIN (SELECT DocID, PosNumb, SummVAT FROM THGoodSpecTPPI
               UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecTID) v
        ON v.DocID = g.DocID AND v.PosNumb = g.PosNumb
    WHERE d.DocTypeCode IN ('TPPI', 'TID', 'MMW', 'ITNS')
    GROUP BY 1, 2
), totals AS (
    SELECT Month, sum(SaleSum) AS SaleSum, sum(SaleCost) AS SaleCost FROM sales GROUP BY Month
), shares AS (
    SELECT s.Month, s.GoodCode, k.CostKind, k.Cost,
           k.Cost * CASE WHEN k.CostKind = 'PI' THEN s.SaleCost / NULLIF(t.SaleCost, 0)
                         ELSE s.SaleSum / NULLIF(t.SaleSum, 0) END AS Exact
    FROM sales s
    JOIN totals t ON t.Month = s.Month
    JOIN costs k ON k.Month = s.Month
), ranked AS (
    SELECT sh.Month, sh.GoodCode, sh.CostKind, floor(sh.Exact * 100) / 100 AS Base,
           row_number() OVER (PARTITION BY sh.Month, sh.CostKind
                              ORDER BY sh.Exact - floor(sh.Exact * 100) / 100 DESC, sh.GoodCode) AS Rank,
           round((sh.Cost - sum(floor(sh.Exact * 100) / 100) OVER (PARTITION BY sh.Month, sh.CostKind)) * 100)
               AS CentsLeft
    FROM shares sh
    WHERE sh.Exact IS NOT NULL
), parts AS (
    SELECT Month, GoodCode, CostKind, Base + CASE WHEN Rank <= CentsLeft THEN 0.01 ELSE 0 END AS Part FROM ranked
)
SELECT s.Month, s.GoodCode::VARCHAR, gd.Name::VARCHAR, s.SaleSum, s.SaleCost,
       COALESCE(di.Part, 0), COALESCE(pi.Part, 0), COALESCE(vs.Part, 0)
FROM sales s
LEFT JOIN REFGood gd ON gd.Code = s.GoodCode
LEFT JOIN parts di ON di.Month = s.Month AND di.GoodCode = s.GoodCode AND di.CostKind = 'DI'
LEFT JOIN parts pi ON pi.Month = s.Month AND pi.GoodCode = s.GoodCode AND pi.CostKind = 'PI'
LEFT JOIN parts vs ON vs.Month = s.Month AND vs.GoodCode = s.GoodCode AND vs.CostKind = 'VS'
ORDER BY s.Month, s.GoodCode
$$;
