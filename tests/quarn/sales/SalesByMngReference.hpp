#pragma once
// The sales by department and manager written by hand over the base tables (in the ERP's
// T-SQL): what the tests check the report against and what the benchmarks time it beside.
namespace Talvex::Testing {

// Each department's and manager's sales without VAT of a period (? ? : its first and last
// day) by the rules written out once more over the base tables: sums in the accounting
// currency at the rate of the document's day, department and author from the parent's
// parent, else the parent, else the document.
inline constexpr const char* kSalesByManager = R"sql(
SELECT q.DepCode, q.PersonCode, SUM(CASE WHEN q.CurrencyCode = 'EUR' THEN q.Net ELSE ROUND(q.Net * q.Rate, 2) END)
FROM (
SELECT CASE WHEN Cl.IsSubsidiary = 1 THEN '' ELSE ISNULL(Dpt.Code, '') END AS DepCode,
       CASE WHEN Cl.IsSubsidiary = 1 THEN Cl.Code ELSE ISNULL(Prs.Code, '') END AS PersonCode,
       d.CurrencyCode, r.Rate,
       CASE WHEN d.DocTypeCode IN ('PRSF', 'SCN') THEN gs.Summa - COALESCE(s1.SummVAT, s2.SummVAT, 0)
            WHEN gc.IDC IS NULL THEN -(gs.Summa - COALESCE(s3.SummVAT, s4.SummVAT, 0))
            WHEN inv.AmountAccount = 0 OR gs.AmountAccount = 0 THEN 0
            ELSE -((gs.Summa - COALESCE(s3.SummVAT, s4.SummVAT, 0)) * gc.AmountAccount / gs.AmountAccount) END AS Net
FROM THDocument d
JOIN THGoodSpec gs ON gs.DocID = d.IDC
LEFT JOIN THGoodSpecPRSF s1 ON d.DocTypeCode = 'PRSF' AND s1.DocID = gs.DocID AND s1.PosNumb = gs.PosNumb
LEFT JOIN THGoodSpecSCN s2 ON d.DocTypeCode = 'SCN' AND s2.DocID = gs.DocID AND s2.PosNumb = gs.PosNumb
LEFT JOIN THGoodSpecGPG s3 ON d.DocTypeCode = 'GPG' AND s3.DocID = gs.DocID AND s3.PosNumb = gs.PosNumb
LEFT JOIN THGoodSpecPRSD s4 ON d.DocTypeCode = 'PRSD' AND s4.DocID = gs.DocID AND s4.PosNumb = gs.PosNumb
LEFT JOIN THGoodContent gc ON gc.SpecID = gs.IDC AND
     ((d.DocTypeCode = 'GPG' AND gc.LinkKindCode = 'GR') OR (d.DocTypeCode = 'PRSD' AND gc.LinkKindCode = 'DC'))
LEFT JOIN THGoodSpec inv ON inv.IDC = gc.CorSpecID
LEFT JOIN THDocument p ON p.IDC = d.ParentID
LEFT JOIN THDocument pp ON pp.IDC = p.ParentID
LEFT JOIN REFDepartment Dpt ON Dpt.Code = COALESCE(pp.Department, p.Department, d.Department)
LEFT JOIN REFPerson Prs ON Prs.UserID = COALESCE(pp.Author, p.Author, d.Author)
LEFT JOIN THPartyAttribute pa ON pa.DocID = d.IDC AND pa.RolePartyCode = 'PIR'
LEFT JOIN REFClient Cl ON Cl.Code = pa.PartyCode
LEFT JOIN REFCurrency c ON c.Code = d.CurrencyCode
LEFT JOIN REFCurrencyRate r ON r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = c.DefaultRateType
     AND r.DateApply = (SELECT MAX(r2.DateApply) FROM REFCurrencyRate r2 WHERE r2.CurrencyCode = d.CurrencyCode
                        AND r2.RateTypeCode = c.DefaultRateType AND r2.DateApply <= d.DocumentDate)
WHERE d.DocTypeCode IN ('PRSF', 'GPG', 'PRSD', 'SCN') AND d.IsPosted = 1
  AND d.DocumentDate BETWEEN ? AND ?
) q
GROUP BY q.DepCode, q.PersonCode
)sql";

} // namespace Talvex::Testing
