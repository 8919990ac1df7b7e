#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Decimal.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/CConsign.hpp"
#include "quarn/sales/ConsignReference.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

using namespace Talvex;

namespace {

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
    for (const auto& r : book->Db().QueryPostgres(Testing::kConsignRestByVendor, {Value(repDate)}).rows)
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

TEST(Consign, DebtByVendorOfTheDemoCompanyEqualsAnIndependentComputation)
{
    auto book = Testing::OpenDemoBook("consign_debt_tester");
    for (const Date repDate : {Date(2026, 6, 30), Date(2025, 12, 31)}) {
        std::map<std::string, std::string> expected;
        int withDebt = 0, withPayments = 0, owed = 0;
        for (const auto& r : book->Db().QueryPostgres(Testing::kConsignDebtByVendor, {Value(repDate)}).rows) {
            std::string line;
            for (std::size_t i = 1; i < r.size(); ++i)
                line += (i > 1 ? " " : "") + r.at(i).ToCurrency().ToFixed(2);
            expected[r.at(0).ToText()] = line;
            withDebt += !r.at(1).ToCurrency().IsZero();
            withPayments += !r.at(6).ToCurrency().IsZero();
            owed += !r.at(8).ToCurrency().IsZero();
        }
        // The demo company gives every part of the rule something to show.
        ASSERT_GT(expected.size(), 3U) << repDate.ToIso();
        EXPECT_GT(withDebt, 0) << repDate.ToIso();
        EXPECT_GT(withPayments, 0) << repDate.ToIso();
        EXPECT_GT(owed, 0) << repDate.ToIso();

        Quarn_DuzAde::CConsign consign;
        consign.Init(book);
        auto rs = consign.DebtByVendor(repDate, "VND");
        std::map<std::string, std::string> actual;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            auto& f = rs->Fields();
            std::string line;
            for (const char* money :
                 {"DebtSum", "Rest", "RestForPay", "Sale", "SaleForPay", "Payed", "OverPayed", "NeedPay"})
                line += (line.empty() ? "" : " ") + f.Item(money).Value().ToCurrency().ToFixed(2);
            actual[f.Item("VendCode").Value().ToText()] = line;
            EXPECT_FALSE(f.Item("VendName").Value().ToText().empty());
        }
        EXPECT_EQ(actual, expected) << repDate.ToIso();
        // Without bFillList the list has its columns and no rows.
        EXPECT_EQ(consign.DebtByVendor(repDate, "VND", {}, false)->RecordCount(), 0);
    }
}

TEST(Consign, RestByVendorExtTakesOneGoodOrGroupAndOneVendorOrGroupWithTheDetail)
{
    auto book = Testing::OpenDemoBook("consign_ext_tester");
    const Date repDate(2026, 6, 30);
    // The vendor and good of the rest report with the most purchase rows behind it.
    const auto pick = book->Db().QueryPostgres(R"sql(
        SELECT p.PartyCode, s.GoodCode, count(*) FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
        JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
        JOIN REFClient v ON v.Code = p.PartyCode AND v.MarketGrCode = 'VND'
        WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate <= $1::date
          AND NOT EXISTS (SELECT 1 FROM THDocument m JOIN THGoodSpec ms ON ms.DocID = m.IDC
                          JOIN THPartyAttribute mp ON mp.DocID = m.IDC AND mp.RolePartyCode = 'PAR'
                          WHERE m.DocTypeCode IN ('MFC', 'GPG') AND mp.PartyCode = p.PartyCode
                            AND ms.GoodCode = s.GoodCode)
        GROUP BY 1, 2 ORDER BY 3 DESC, 1, 2)sql",
                                               {Value(repDate)});

    Quarn_DuzAde::CConsign consign;
    consign.Init(book);
    // The rest report's line of the first such vendor and good that has a rest (no consignment
    // receipt or return of it, so the purchases are all its incoming rows).
    std::map<std::string, std::string> restLines;
    auto rest = consign.RestByVendor(repDate, "VND");
    for (rest->MoveFirst(); !rest->Eof(); rest->MoveNext())
        restLines[rest->Fields().Item("Code").Value().ToText() + "|" +
                  rest->Fields().Item("GoodCode").Value().ToText()] =
            Line(rest->Fields().Item("Rest").Value(), rest->Fields().Item("RestAmount").Value(),
                 rest->Fields().Item("RestForPayAmount").Value());
    std::string vendor, good, restLine;
    for (const auto& r : pick.rows) {
        const auto it = restLines.find(r.at(0).ToText() + "|" + r.at(1).ToText());
        if (it == restLines.end()) continue;
        vendor = r.at(0).ToText();
        good = r.at(1).ToText();
        restLine = it->second;
        break;
    }
    ASSERT_FALSE(restLine.empty());

    auto one = consign.RestByVendorExt(repDate, good, false, vendor, false, "", false);
    ASSERT_EQ(one->RecordCount(), 1);
    one->MoveFirst();
    auto& f = one->Fields();
    EXPECT_EQ(Line(f.Item("Rest").Value(), f.Item("RestAmount").Value(), f.Item("RestForPayAmount").Value()), restLine);
    EXPECT_EQ(f.Count(), 8U); // no detail columns

    // By purchase row: the rows add up to the good's line, each with its purchase.
    auto detail = consign.RestByVendorExt(repDate, good, false, vendor, false, "", true);
    ASSERT_GE(detail->RecordCount(), 1);
    Currency sum;
    Decimal amount;
    std::int64_t lastDoc = 0;
    for (detail->MoveFirst(); !detail->Eof(); detail->MoveNext()) {
        auto& d = detail->Fields();
        sum += d.Item("Rest").Value().ToCurrency();
        amount = amount + d.Item("RestAmount").Value().ToDecimal();
        EXPECT_EQ(d.Item("IncDocCode").Value().ToText().rfind("PISF:", 0), 0U) << d.Item("IncDocCode").Value().ToText();
        EXPECT_GE(d.Item("DocID").Value().ToInteger(), lastDoc);
        lastDoc = d.Item("DocID").Value().ToInteger();
    }
    one->MoveFirst();
    EXPECT_EQ(amount.ToFixed(4), f.Item("RestAmount").Value().ToDecimal().ToFixed(4));
    // Each row is rounded on its own here: a cent per row at most apart from the whole.
    const Currency whole = f.Item("Rest").Value().ToCurrency();
    const Currency apart = sum > whole ? sum - whole : whole - sum;
    EXPECT_LE(apart, Currency::Parse("0.01") * detail->RecordCount());

    // A goods group of the tree takes the good with the others under it; another vendor's
    // code takes none of this vendor's rows.
    const auto group = book->Db().QueryPostgres("SELECT Parent FROM REFGood WHERE Code = $1", {Value(good)});
    if (!group.rows.empty() && !group.rows[0].at(0).IsNull()) {
        auto byGroup = consign.RestByVendorExt(repDate, group.rows[0].at(0).ToText(), true, vendor, false, "", false);
        bool found = false;
        for (byGroup->MoveFirst(); !byGroup->Eof(); byGroup->MoveNext())
            found = found || byGroup->Fields().Item("GoodCode").Value().ToText() == good;
        EXPECT_TRUE(found);
    }
    EXPECT_EQ(consign.RestByVendorExt(repDate, good, false, "NO'SUCH;--", false, "", false)->RecordCount(), 0);
}
