#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Decimal.hpp"
#include "quarn/sales/CConsign.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace Talvex;

namespace {

// Per vendor and good: "rest restAmount restForPayAmount", as a hand-written statement over
// the base tables works them out for the local vendors on the report date.
constexpr const char* kIndependentRest = R"sql(
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
    SELECT row.Vendor, row.GoodCode, row.DocumentDate, row.PayTerm,
           row.Summa - COALESCE(l.RetSum, 0) - COALESCE(l.DscSum, 0) + COALESCE(l.Dsc2Sum, 0) AS NetSum,
           row.AmountAccount - COALESCE(l.RetAmount, 0) - COALESCE(l.DscAmount, 0) + COALESCE(l.Dsc2Amount, 0) AS NetAmount,
           COALESCE(fixed.Amount, 0) AS Fixed
    FROM row LEFT JOIN linked l ON l.IDC = row.IDC LEFT JOIN fixed ON fixed.IDC = row.IDC),
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

std::string Line(const Value& rest, const Value& amount, const Value& due)
{
    return rest.ToDecimal().ToFixed(2) + " " + amount.ToDecimal().ToFixed(4) + " " + due.ToDecimal().ToFixed(4);
}

} // namespace

TEST(Consign, RestByVendorOfTheDemoCompanyEqualsAnIndependentComputation)
{
    auto book = Testing::OpenDemoBook("consign_tester");
    const Date repDate(2026, 6, 30);
    std::map<std::string, std::string> expected;
    for (const auto& r : book->Db().QueryPostgres(kIndependentRest, {Value(repDate)}).rows)
        expected[r.at(0).ToText() + "|" + r.at(1).ToText()] = Line(r.at(2), r.at(3), r.at(4));
    ASSERT_GT(expected.size(), 10U);

    Quarn_DuzAde::CConsign consign;
    consign.Init(book);
    auto rs = consign.RestByVendor(repDate, "VND");
    std::map<std::string, std::string> actual;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto& f = rs->Fields();
        actual[f.Item("Code").Value().ToText() + "|" + f.Item("GoodCode").Value().ToText()] =
            Line(f.Item("Rest").Value(), f.Item("RestAmount").Value(), f.Item("RestForPayAmount").Value());
        EXPECT_FALSE(f.Item("Name").Value().ToText().empty());
    }
    // Compared entry by entry, so that a failure names the vendor and good.
    for (const auto& [key, line] : expected) {
        const auto it = actual.find(key);
        EXPECT_TRUE(it != actual.end() && it->second == line)
            << key << ": expected " << line << ", got " << (it == actual.end() ? "nothing" : it->second);
    }
    for (const auto& [key, line] : actual)
        EXPECT_TRUE(expected.count(key)) << key << ": not expected, got " << line;
}
