#pragma once
// The foreign-currency debts behind the exchange differences written by hand over the base
// tables: what the tests check the exchange list against and what the benchmarks time it
// beside.
namespace Talvex::Testing {

// Per client, the open debt of its posted foreign-currency documents dated in the period,
// each valued at the rate of its date and counted on its side (a negative one on the other),
// from the base tables: each document's sum less all that was linked to it.
inline constexpr const char* kForeignDebtOnBothSidesByClient = R"sql(
WITH o AS (
    SELECT d.IDC, d.DocTypeCode, t.IsIncome, d.CurrencyCode, d.DocumentDate, d.Summa - x.Paid AS Open
    FROM THDocument d
    JOIN THDocType t ON t.Code = d.DocTypeCode
    CROSS JOIN LATERAL (SELECT COALESCE(SUM(p.SummaCur), 0) AS Paid FROM THPaySpec p WHERE p.CorDocID = d.IDC) x
    WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN $1::date AND $2::date AND d.CurrencyCode <> 'EUR'
      AND d.DocTypeCode IN ('PISF','TPPI','GPG','TID','PRSF','TPPR','PGA','PISD','PRSD','SCN','BCN')),
v AS (
    SELECT o.*, ROUND(o.Open * (SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency c
                                ON c.Code = r.CurrencyCode AND c.DefaultRateType = r.RateTypeCode
                                WHERE r.CurrencyCode = o.CurrencyCode AND r.DateApply <= o.DocumentDate
                                ORDER BY r.DateApply DESC LIMIT 1), 2) AS Acc,
           CASE WHEN o.DocTypeCode IN ('PRSD','BCN') THEN true WHEN o.DocTypeCode IN ('PISD','SCN') THEN false
                ELSE o.IsIncome = 1 END AS Incoming
    FROM o WHERE o.Open <> 0),
c AS (
    SELECT p.PartyCode AS Client,
           SUM(CASE WHEN v.Incoming = (v.Acc > 0) THEN abs(v.Acc) ELSE 0 END) AS DebtIn,
           SUM(CASE WHEN v.Incoming <> (v.Acc > 0) THEN abs(v.Acc) ELSE 0 END) AS DebtOut,
           COUNT(*) AS Docs
    FROM v
    JOIN THPartyAttribute p ON p.DocID = v.IDC AND p.RolePartyCode = CASE v.DocTypeCode
         WHEN 'PISF' THEN 'PAR' WHEN 'PGA' THEN 'PAR' WHEN 'PISD' THEN 'PAR' WHEN 'BCN' THEN 'PAR'
         WHEN 'TID' THEN 'GAV' WHEN 'TPPI' THEN 'VEZ' ELSE 'PIR' END
    JOIN REFClient cl ON cl.Code = p.PartyCode
    GROUP BY p.PartyCode)
SELECT Client, DebtIn, DebtOut, Docs FROM c WHERE DebtIn > 0 AND DebtOut > 0 ORDER BY Client
)sql";

} // namespace Talvex::Testing
