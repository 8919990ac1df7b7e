#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/debt/CDebtPayByDoc.hpp"
#include "quarn/debt/CDebtPayByDocShort.hpp"
#include "quarn/debt/DebtPayByDocReference.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::CDebtPayByDoc;
using Quarn_DuzAde::DebtPayByDocQuery;

namespace {

std::map<std::int64_t, Currency> DebtByDocument(Data::Recordset& rs)
{
    std::map<std::int64_t, Currency> sums;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        sums[rs.Fields().Item("IDC").Value().ToInteger()] += rs.Fields().Item("Debt").Value().ToCurrency();
    return sums;
}

class DebtPayByDoc : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("debt_pay_tester"); }
    std::shared_ptr<Book> book;

    std::map<std::int64_t, Currency> Independent(Date repDate, long direction)
    {
        std::map<std::int64_t, Currency> sums;
        auto result =
            book->Db().QueryPostgres(Testing::kOpenDebtByDocument, {Value(repDate), Value(std::int64_t{direction})});
        for (const auto& row : result.rows)
            sums[row.at(0).ToInteger()] = row.at(1).ToCurrency();
        return sums;
    }
};

} // namespace

TEST_F(DebtPayByDoc, OpenDebtOfEveryDocumentMatchesTheTablesOnBothSides)
{
    for (const char* day : {"2025-12-31", "2026-06-30"}) {
        for (long direction : {1L, 2L}) {
            SCOPED_TRACE(std::string(day) + " direction " + std::to_string(direction));
            DebtPayByDocQuery query;
            query.repDate = Date::Parse(day);
            query.direction = direction;
            auto rs = CDebtPayByDoc::FullForm(book, query);
            const auto report = DebtByDocument(*rs);
            const auto expected = Independent(query.repDate, direction);
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(report, expected);
        }
    }
}

TEST_F(DebtPayByDoc, EveryBranchHasRowsInTheDemoCompany)
{
    DebtPayByDocQuery query;
    query.repDate = Date::Parse("2026-06-30");
    query.direction = 2;
    auto rs = CDebtPayByDoc::FullForm(book, query);
    bool person = false, penalty = false, late = false, notDue = false, term = false, derived = false;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto& f = rs->Fields();
        person = person || f.Item("REFClientCode").Value().ToText().starts_with("~");
        penalty = penalty || f.Item("PenaltySum").Value().ToCurrency() > Currency();
        late = late || f.Item("OutDay").Value().ToInteger() > 0;
        notDue = notDue ||
                 (f.Item("Debt").Value().ToCurrency() > Currency() && f.Item("OutDebt").Value().ToCurrency().IsZero());
        term = term || f.Item("NeedPayID").Value().ToInteger() != 0;
        derived = derived || f.Item("DocTypeCode").Value().ToText() == "PGA";
    }
    EXPECT_TRUE(person);
    EXPECT_TRUE(penalty);
    EXPECT_TRUE(late);
    EXPECT_TRUE(notDue);
    EXPECT_TRUE(term);
    EXPECT_TRUE(derived);

    // A sales return under a parent paid directly is listed on the payables side.
    query.direction = 1;
    auto payables = CDebtPayByDoc::FullForm(book, query);
    auto direct = book->Db().QueryPostgres(
        "SELECT d.IDC FROM THDocument d JOIN THDocument p ON p.IDC = d.ParentID WHERE d.DocTypeCode = 'GPG' "
        "AND p.IsDirectPay <> 0 AND p.IsPosted = 1 AND d.IsPosted = 1 AND d.DocumentDate <= '2026-06-30'");
    ASSERT_FALSE(direct.rows.empty());
    const auto listed = DebtByDocument(*payables);
    const auto expected = Independent(query.repDate, 1);
    for (const auto& row : direct.rows) {
        const auto idc = row.at(0).ToInteger();
        EXPECT_EQ(listed.count(idc), expected.count(idc)) << "return " << idc;
    }
}

TEST_F(DebtPayByDoc, FormRefusesBadInputAtTheControlAndReturnsTheListWithTotals)
{
    {
        // A client code holding a quote, a semicolon and a comment is no client: refused by
        // name, and nothing runs.
        Testing::ScriptedUser user;
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        user.Set("frmDebtPayByDoc", "RepDate", "2026-06-30")
            .Set("frmDebtPayByDoc", "cbClient", "K1'; DROP TABLE THDocument --")
            .Click("frmDebtPayByDoc", "btOk");
        FieldList in, out;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        CDebtPayByDoc report;
        report.SetVisual(true);
        EXPECT_FALSE(report.Run(in, out));
        const auto errors = user.ErrorMessages();
        ASSERT_FALSE(errors.empty());
        EXPECT_NE(errors.front().find("cbClient"), std::string::npos) << errors.front();
        EXPECT_FALSE(book->Db().Query("SELECT COUNT(*) FROM THDocument").rows.empty());
    }
    {
        Testing::ScriptedUser user;
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        user.Set("frmDebtPayByDoc", "RepDate", "2026-06-30")
            .Set("frmDebtPayByDoc", "Option2", "True")
            .Click("frmDebtPayByDoc", "btOk");
        FieldList in, out;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        CDebtPayByDoc report;
        report.SetVisual(true);
        ASSERT_TRUE(report.Run(in, out)) << testing::PrintToString(user.ErrorMessages());
        EXPECT_EQ(out.Item("Direction").GetValue().ToInteger(), 1);
        auto rows = std::dynamic_pointer_cast<Data::Recordset>(out.Item("DataList").GetValue().ToObject());
        auto totals = std::dynamic_pointer_cast<Data::Recordset>(out.Item("TotalSum.xxx").GetValue().ToObject());
        ASSERT_TRUE(rows && totals);
        EXPECT_GT(rows->RecordCount(), 0);
        EXPECT_EQ(totals->RecordCount(), rows->RecordCount());
        std::string previous;
        for (totals->MoveFirst(); !totals->Eof(); totals->MoveNext()) {
            const std::string currency = totals->Fields().Item("CurrencyCode").Value().ToText();
            EXPECT_LE(previous, currency);
            previous = currency;
        }
        EXPECT_TRUE(out.Item("CrRate").GetValue().IsObject());
    }
}

TEST_F(DebtPayByDoc, AClientWhoOwesNothingIsToldSo)
{
    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope scope{app};
    // K00017 has no open receivable on the day in the demo company.
    ASSERT_TRUE(Independent(Date::Parse("2026-06-30"), 2).size() > 0);
    user.Set("frmDebtPayByDoc", "RepDate", "2026-06-30")
        .Set("frmDebtPayByDoc", "cbClient", "K00017")
        .Click("frmDebtPayByDoc", "btOk");
    FieldList in, out;
    in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    CDebtPayByDoc report;
    report.SetVisual(true);
    ASSERT_TRUE(report.Run(in, out));
    auto rows = std::dynamic_pointer_cast<Data::Recordset>(out.Item("DataList").GetValue().ToObject());
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->RecordCount(), 0);
    const auto texts = user.MessageTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts.front(), "No unpaid documents on 2026-06-30.");
}

TEST_F(DebtPayByDoc, ShortFormSignsReturnsAndShowsUnlinkedPayments)
{
    DebtPayByDocQuery query;
    query.repDate = Date::Parse("2026-06-30");
    query.direction = 2;
    auto list = CDebtPayByDoc::ShortList(book, query);
    list->Refresh();
    auto rs = list->Recordset();
    bool payment = false, negativeReturn = false;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto& f = rs->Fields();
        const auto kind = f.Item("RecKind").Value().ToInteger();
        if (kind == 1) {
            payment = true;
            EXPECT_TRUE(f.Item("Summa").Value().ToCurrency().IsZero());
        } else {
            EXPECT_TRUE(f.Item("NotLinkSum").Value().ToCurrency().IsZero());
        }
        if (f.Item("DocTypeCode").Value().ToText() == "PGA") {
            negativeReturn = true;
            EXPECT_LT(f.Item("Summa").Value().ToCurrency(), Currency());
        }
    }
    EXPECT_TRUE(payment);
    EXPECT_TRUE(negativeReturn);
}
