#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Decimal.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/CConsign.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

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

TEST(Consign, TheRestReportAsksItsParametersRefusesBadInputAndKeepsTheMarketGroups)
{
    auto book = Testing::OpenDemoBook("consign_report_tester");
    Data::Transaction tx(book->Db());
    // A vendor whose code and name hold a quote, a semicolon and a comment marker, in a market
    // group of its own, with one consignment purchase of 10 for 100.00, 4 of them sold.
    auto& db = book->Db();
    db.QueryPostgres("INSERT INTO REFClientMarketGr (Code, Name, PayTerm) VALUES ('Z''G;--', 'Odd', 0)");
    db.QueryPostgres("INSERT INTO REFClient (Code, Name, MarketGrCode) VALUES ('Z''V;--', 'O''Hara; -- x', 'Z''G;--')");
    const auto doc = db.QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted) "
                                      "VALUES ('PISF', '2026-05-04', 'ZC-1', 100, 1) RETURNING IDC")
                         .rows.at(0)
                         .at(0);
    db.QueryPostgres("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyCode) VALUES ($1, 'PISF', "
                     "'PAR', 'Z''V;--')",
                     {doc});
    const auto row =
        db.QueryPostgres("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, "
                         "AmountAccount, Summa) VALUES ($1, 1, 'P000001', 'VNT', 10, 10, 100) RETURNING IDC",
                         {doc})
            .rows.at(0)
            .at(0);
    db.QueryPostgres("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES ($1, 30, 100)", {doc});
    const auto sale = db.QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted) VALUES "
                                       "('PRSF', '2026-05-10', 'ZC-S', 1) RETURNING IDC")
                          .rows.at(0)
                          .at(0);
    const auto out = db.QueryPostgres("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, "
                                      "AmountAccount, Summa) VALUES ($1, 1, 'P000001', 'VNT', 4, 4, 60) RETURNING IDC",
                                      {sale})
                         .rows.at(0)
                         .at(0);
    db.QueryPostgres("INSERT INTO THGoodSpecFixLog (IncomeSpecID, OutcomeSpecID, Amount) VALUES ($1, $2, 4)",
                     {row, out});

    auto run = [&](const std::string& answers, FieldList& result) {
        Testing::ScriptedUser user(answers);
        ClientApp app(user.Session());
        ClientApp::Scope scope(app);
        auto object = Quarn_DuzAde::CreateObject("Quarn_DuzAde.CReportRestByVendor");
        auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get());
        EXPECT_NE(report, nullptr);
        FieldList in;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        const bool done = report && report->Run(in, result);
        return std::make_tuple(done, user.MessageTexts(), user.ErrorsText());
    };
    // Before its term ran out: 6 left, none of it due.
    FieldList early;
    const auto [done, messages, errors] = run("ParmRestByVendor.edDate = 2026-05-20\n"
                                              "ParmRestByVendor.selMarketGroup = Z'G;--\nParmRestByVendor.btOk click\n",
                                              early);
    ASSERT_TRUE(done) << errors;
    auto rs = std::dynamic_pointer_cast<Data::Recordset>(early.Item("DataList").GetValue().ToObject());
    ASSERT_NE(rs, nullptr);
    ASSERT_EQ(rs->RecordCount(), 1);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields().Item("Name").Value().ToText(), "O'Hara; -- x");
    EXPECT_EQ(Line(rs->Fields().Item("Rest").Value(), rs->Fields().Item("RestAmount").Value(),
                   rs->Fields().Item("RestForPayAmount").Value()),
              "60.00 6.0000 0.0000");
    // The market groups come back as chosen; after the term the rest is due.
    FieldList late;
    const auto [lateDone, lateMessages, lateErrors] =
        run("ParmRestByVendor.edDate = 2026-06-30\nParmRestByVendor.btOk click\n", late);
    ASSERT_TRUE(lateDone) << lateErrors;
    rs = std::dynamic_pointer_cast<Data::Recordset>(late.Item("DataList").GetValue().ToObject());
    ASSERT_EQ(rs->RecordCount(), 1);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields().Item("RestForPayAmount").Value().ToDecimal().ToFixed(4), "6.0000");
    // Before the purchase: nothing to show, and the user is told so.
    FieldList before;
    const auto [beforeDone, beforeMessages, beforeErrors] =
        run("ParmRestByVendor.edDate = 2026-05-01\nParmRestByVendor.btOk click\nmessage Gerai\n", before);
    ASSERT_TRUE(beforeDone) << beforeErrors;
    ASSERT_EQ(beforeMessages.size(), 1U);
    EXPECT_EQ(beforeMessages[0].rfind("No vendor of Z'G;-- has goods on consignment", 0), 0U) << beforeMessages[0];
    // An unknown market group is refused naming the selector; cancelled, nothing is returned.
    FieldList refused;
    const auto [refusedDone, refusedMessages, refusedErrors] =
        run("ParmRestByVendor.selMarketGroup = NOSUCH\nParmRestByVendor.btOk click\nmessage OK\n"
            "ParmRestByVendor.btCancel click\n",
            refused);
    EXPECT_FALSE(refusedDone);
    ASSERT_EQ(refusedMessages.size(), 1U) << refusedErrors;
    EXPECT_EQ(refusedMessages[0].rfind("selMarketGroup:", 0), 0U) << refusedMessages[0];
    EXPECT_FALSE(refused.ExistsField("DataList"));
}
