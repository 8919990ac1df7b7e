#pragma once
// The receivables behind the credit limits written by hand over the base tables: what the
// tests check the limit list against and what the benchmarks time it beside.
namespace Talvex::Testing {

// Per client, the open part of its posted receivable documents dated in the period, each
// converted at the rate of its date, from the base tables. Foreign documents are converted
// here as a whole, the list converts each term: they are counted, for the cents that part.
inline constexpr const char* kReceivablesOfPeriodByClient = R"sql(
WITH o AS (
    SELECT d.IDC, d.DocTypeCode, d.CurrencyCode, d.DocumentDate,
           CASE WHEN d.Summa < 0 THEN LEAST(0, d.Summa - x.Paid) ELSE GREATEST(0, d.Summa - x.Paid) END AS Open
    FROM THDocument d
    CROSS JOIN LATERAL (SELECT COALESCE(SUM(p.SummaCur), 0) AS Paid FROM THPaySpec p WHERE p.CorDocID = d.IDC) x
    WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN $1::date AND $2::date
      AND d.DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN'))
SELECT p.PartyCode,
       SUM(CASE WHEN o.CurrencyCode = 'EUR' THEN o.Open
                ELSE ROUND(o.Open * (SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency c
                                     ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                                     WHERE r.CurrencyCode = o.CurrencyCode AND r.DateApply <= o.DocumentDate
                                     ORDER BY r.DateApply DESC LIMIT 1), 2) END),
       SUM(CASE WHEN o.CurrencyCode = 'EUR' THEN 0 ELSE 1 END),
       MAX(c.DefaultLimit), MAX(c.IsLimitSetManually)
FROM o
JOIN THPartyAttribute p ON p.DocID = o.IDC
     AND p.RolePartyCode = CASE WHEN o.DocTypeCode IN ('PGA', 'PISD') THEN 'PAR' ELSE 'PIR' END
JOIN REFClient c ON c.Code = p.PartyCode
GROUP BY p.PartyCode
)sql";

} // namespace Talvex::Testing
