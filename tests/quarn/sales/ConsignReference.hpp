#pragma once
// The consignment figures of the local vendors (market group VND) on a report date ($1),
// written by hand over the base tables: what the consignment tests check the reports against
// and what the benchmarks time them beside.
#include <string>

namespace Talvex::Testing {

// The consignment rows of the local vendors on the report date, each with its sum and amount
// net of returns and discounts, its fixed-as-sold quantity and its last payment term, from
// the base tables: the common start of the independent statements below.
inline constexpr const char* kConsignNetRows = R"sql(
WITH row AS (
    SELECT p.PartyCode AS Vendor, s.GoodCode, s.IDC, d.DocumentDate, s.Summa, s.AmountAccount,
           (SELECT max(t.PayTerm) FROM THDocumentPayTerm t WHERE t.DocID = d.IDC) AS PayTerm
    FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
    JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
    JOIN REFClient v ON v.Code = p.PartyCode AND v.MarketGrCode = 'VND'
    WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate <= $1::date),
linked AS (
    SELECT c.CorSpecID AS IDC,
           sum(r.Summa) FILTER (WHERE c.LinkKindCode = 'GR') AS RetSum,
           sum(r.AmountAccount) FILTER (WHERE c.LinkKindCode = 'GR') AS RetAmount,
           sum(r.Summa) FILTER (WHERE c.LinkKindCode = 'DC' AND rd.DocTypeCode = 'PISD') AS DscSum,
           sum(CASE WHEN pisd.IsByAmount = 0 OR r.Amount > 0 THEN 0 ELSE r.AmountAccount END)
               FILTER (WHERE c.LinkKindCode = 'DC' AND rd.DocTypeCode = 'PISD') AS DscAmount,
           sum(r.Summa) FILTER (WHERE c.LinkKindCode = 'DC' AND rd.DocTypeCode = 'BCN') AS Dsc2Sum,
           sum(CASE WHEN bcn.IsByAmount = 0 OR r.Amount > 0 THEN 0 ELSE r.AmountAccount END)
               FILTER (WHERE c.LinkKindCode = 'DC' AND rd.DocTypeCode = 'BCN') AS Dsc2Amount
    FROM THGoodContent c JOIN THGoodSpec r ON r.IDC = c.SpecID
    JOIN THDocument rd ON rd.IDC = r.DocID AND rd.IsPosted = 1
    LEFT JOIN THDocumentPISD pisd ON pisd.DocID = rd.IDC
    LEFT JOIN THDocumentBCN bcn ON bcn.DocID = rd.IDC
    WHERE (c.LinkKindCode = 'GR' AND rd.DocTypeCode = 'PGA') OR (c.LinkKindCode = 'DC' AND rd.DocTypeCode IN ('PISD', 'BCN'))
    GROUP BY c.CorSpecID),
fixed AS (
    SELECT f.IncomeSpecID AS IDC, sum(f.Amount) AS Amount FROM THGoodSpecFixLog f
    JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID AND od.DocTypeCode <> 'PGA'
    GROUP BY f.IncomeSpecID),
net AS (
    SELECT row.Vendor, row.GoodCode, row.DocumentDate, row.PayTerm, row.AmountAccount AS Gross,
           row.Summa - COALESCE(l.RetSum, 0) - COALESCE(l.DscSum, 0) + COALESCE(l.Dsc2Sum, 0) AS NetSum,
           row.AmountAccount - COALESCE(l.RetAmount, 0) - COALESCE(l.DscAmount, 0) + COALESCE(l.Dsc2Amount, 0) AS NetAmount,
           COALESCE(fixed.Amount, 0) AS Fixed
    FROM row LEFT JOIN linked l ON l.IDC = row.IDC LEFT JOIN fixed ON fixed.IDC = row.IDC),
)sql";

// Per vendor and good: "rest restAmount restForPayAmount", as a hand-written statement over
// the base tables works them out for the local vendors on the report date.
inline const std::string kConsignRestByVendor = std::string(kConsignNetRows) + R"sql(
fig AS (
    SELECT Vendor, GoodCode,
           CASE WHEN GoodCode = 'C1' THEN 0 ELSE NetAmount END - Fixed AS RestAmount,
           -- The sum of the rest taken before dividing: exact wherever the quotient ends.
           CASE WHEN NetAmount = 0 THEN 0
                ELSE NetSum * (CASE WHEN GoodCode = 'C1' THEN 0 ELSE NetAmount END - Fixed) / NetAmount END AS RestSum,
           PayTerm IS NOT NULL AND DocumentDate + PayTerm <= $1::date AS Due
    FROM net)
SELECT Vendor, GoodCode, round(sum(RestSum), 2), sum(RestAmount),
       sum(CASE WHEN Due THEN RestAmount ELSE 0 END)
FROM fig GROUP BY Vendor, GoodCode
HAVING round(sum(RestSum), 2) <> 0 OR sum(RestAmount) <> 0
ORDER BY Vendor, GoodCode)sql";

// Per vendor: "debt rest restForPay sale saleForPay payed overPayed needPay", worked out from
// the base tables for the local vendors on the report date: the row figures as in the rest
// by vendor, the balance of the vendors' account 450 by client from the postings, and what
// the payment documents' postings paid on it.
inline const std::string kConsignDebtByVendor = std::string(kConsignNetRows) + R"sql(
fig AS (
    SELECT Vendor,
           CASE WHEN NetAmount = 0 THEN 0
                ELSE NetSum * (CASE WHEN GoodCode = 'C1' THEN 0 ELSE NetAmount END - Fixed) / NetAmount END AS Rest,
           CASE WHEN NetAmount = 0 THEN 0
                ELSE NetSum * (CASE WHEN GoodCode = 'C1' THEN Gross ELSE Fixed END) / NetAmount END AS Sold,
           PayTerm IS NOT NULL AND DocumentDate + PayTerm <= $1::date AS Due,
           DocumentDate + COALESCE(PayTerm, 0) <= $1::date AS Reached
    FROM net),
vendor AS (
    SELECT Vendor, round(sum(Rest), 2) AS Rest, round(sum(CASE WHEN Due THEN Rest ELSE 0 END), 2) AS RestForPay,
           round(sum(CASE WHEN Reached THEN 0 ELSE Sold END), 2) AS Sale,
           round(sum(CASE WHEN Reached THEN Sold ELSE 0 END), 2) AS SaleForPay
    FROM fig GROUP BY Vendor),
account AS (
    SELECT Code FROM GLAccount WHERE AccSetCode = '1' AND (Code = '450' OR Parent = '450')),
side AS (
    SELECT an.AnalytObjectCode AS Vendor, an.IsDebet, p.SumAcc, p.DocId
    FROM GLAccountPost p JOIN GLAnalytPost an ON an.AccPostID = p.IDC AND an.AnalytTypeCode = 'CL'
    WHERE p.AccSetCode = '1' AND p.IsPosted = 1 AND p.DatePost <= $1::date
      AND (CASE WHEN an.IsDebet = 1 THEN p.DebetAccCode ELSE p.CreditAccCode END) IN (SELECT Code FROM account)),
ledger AS (
    SELECT Vendor, round(-sum(CASE WHEN IsDebet = 1 THEN SumAcc ELSE -SumAcc END), 2) AS Debt,
           round(sum(CASE WHEN IsDebet = 1 AND DocId IN (SELECT d.IDC FROM THDocument d JOIN THDocType t
                 ON t.Code = d.DocTypeCode AND t.Category = 2) THEN SumAcc ELSE 0 END), 2) AS Payed
    FROM side GROUP BY Vendor)
SELECT v.Vendor, COALESCE(l.Debt, 0), v.Rest, v.RestForPay, v.Sale, v.SaleForPay, COALESCE(l.Payed, 0),
       greatest(COALESCE(l.Payed, 0) - v.RestForPay - v.SaleForPay, 0),
       greatest(v.RestForPay + v.SaleForPay - COALESCE(l.Payed, 0), 0)
FROM vendor v LEFT JOIN ledger l ON l.Vendor = v.Vendor
ORDER BY v.Vendor)sql";

} // namespace Talvex::Testing
