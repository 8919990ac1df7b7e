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
-- net sums of its department's posted service, work and asset issue documents, in the
-- accounting currency. Centres are given as codes separated by commas or semicolons
-- (quotes allowed); none means every centre. A month without sales keeps its costs
-- unallocated. The account set is the one whose postings the costs were made in; documents
-- carry no account set, so it does not narrow them.
CREATE FUNCTION sp_C$CostAnltDistrib(pBegDate DATE, pEndDate DATE, pCentres VARCHAR, pAccSetCode VARCHAR)
RETURNS TABLE (BegDate DATE, GoodCode VARCHAR, GoodName VARCHAR, SaleSum NUMERIC(19,4), SaleCost NUMERIC(19,4),
               DICost NUMERIC(19,4), PICost NUMERIC(19,4), VSCost NUMERIC(19,4))
LANGUAGE sql STABLE AS $$
WITH chosen AS (
    SELECT trim(both '''" ' FROM c) AS Code
    FROM unnest(regexp_split_to_array(COALESCE(pCentres, ''), '[,;]')) AS c
    WHERE trim(both '''" ' FROM c) <> ''
), centres AS (
    SELECT cc.DepCode, cc.CostKind FROM REFMFCostCenter cc
    WHERE cc.IsGroup = 0 AND (NOT EXISTS (SELECT 1 FROM chosen) OR cc.Code IN (SELECT Code FROM chosen))
), sales AS (
    SELECT date_trunc('month', d.DocumentDate)::DATE AS Month, g.GoodCode,
           sum(g.Summa - COALESCE(a.SummVAT, 0)) AS SaleSum, sum(g.CostSumm) AS SaleCost
    FROM THDocument d
    JOIN THGoodSpec g ON g.DocID = d.IDC
    LEFT JOIN THGoodSpecPRSF a ON a.DocID = g.DocID AND a.PosNumb = g.PosNumb
    WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN pBegDate AND pEndDate
      AND d.Department IN (SELECT DepCode FROM centres WHERE CostKind IS NULL)
    GROUP BY 1, 2
), costs AS (
    SELECT date_trunc('month', d.DocumentDate)::DATE AS Month, c.CostKind,
           sum((g.Summa - COALESCE(v.SummVAT, 0))
               * CASE WHEN d.CurrencyCode = 'EUR' THEN 1 ELSE COALESCE(r.Rate, 1) END) AS Cost
    FROM THDocument d
    JOIN centres c ON c.DepCode = d.Department AND c.CostKind IS NOT NULL
    JOIN THGoodSpec g ON g.DocID = d.IDC
    LEFT JOIN (SELECT DocID, PosNumb, SummVAT FROM THGoodSpecTPPI
               UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecTID) v
        ON v.DocID = g.DocID AND v.PosNumb = g.PosNumb
    LEFT JOIN REFCurrencyRate r ON r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = 'BNK'
        AND r.DateApply = d.DocumentDate
    WHERE d.DocTypeCode IN ('TPPI', 'TID', 'MMW', 'ITNS') AND d.IsPosted = 1
      AND d.DocumentDate BETWEEN pBegDate AND pEndDate
    GROUP BY 1, 2
), totals AS (
    SELECT Month, sum(SaleSum) AS SaleSum, sum(SaleCost) AS SaleCost FROM sales GROUP BY Month
)
SELECT s.Month, s.GoodCode::VARCHAR, gd.Name::VARCHAR, round(s.SaleSum, 2), round(s.SaleCost, 2),
       round(COALESCE(di.Cost * s.SaleSum / NULLIF(t.SaleSum, 0), 0), 2),
       round(COALESCE(pi.Cost * s.SaleCost / NULLIF(t.SaleCost, 0), 0), 2),
       round(COALESCE(vs.Cost * s.SaleSum / NULLIF(t.SaleSum, 0), 0), 2)
FROM sales s
JOIN totals t ON t.Month = s.Month
LEFT JOIN REFGood gd ON gd.Code = s.GoodCode
LEFT JOIN costs di ON di.Month = s.Month AND di.CostKind = 'DI'
LEFT JOIN costs pi ON pi.Month = s.Month AND pi.CostKind = 'PI'
LEFT JOIN costs vs ON vs.Month = s.Month AND vs.CostKind = 'VS'
ORDER BY s.Month, s.GoodCode
$$;
