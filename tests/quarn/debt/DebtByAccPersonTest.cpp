#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "quarn/debt/CDebtByAccPerson.hpp"
#include "quarn/debt/OverdueBands.hpp"
#include "quarn/debt/Penalties.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace Talvex;
using Quarn_DuzAde::CDebtByAccPerson;
using Quarn_DuzAde::OverdueBands;
using Quarn_DuzAde::OverdueInterval;

namespace {

const std::vector<OverdueInterval> k3060 = {{30, false, 1}, {60, false, 2}};

struct ListRow {
    std::string person;
    std::string number;
    Date needPayDate;
    Currency accNeedPaySum;
    Currency needPaySum;
    Value penalty;
    std::int64_t outDays = 0;
    Currency penaltySum;
    std::string band;
};

std::vector<ListRow> Read(DataList& list)
{
    list.Refresh();
    std::vector<ListRow> rows;
    auto rs = list.Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto v = [&](const char* name) { return rs->Fields().Item(name).Value(); };
        ListRow row;
        row.person = v("Person").IsNull() ? "" : v("Person").ToText();
        row.number = v("Number").ToText();
        row.needPayDate = v("NeedPayDate").ToDate();
        row.accNeedPaySum = v("AccNeedPaySum").ToCurrency();
        row.needPaySum = v("NeedPaySum").ToCurrency();
        row.penalty = v("Penalty");
        row.outDays = v("OutDays").ToInteger();
        row.penaltySum = v("PenaltySum").ToCurrency();
        row.band = v("DataPayType").ToText();
        rows.push_back(row);
    }
    return rows;
}

class DebtByAccPersonTest : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("debt_acc_person_tester"); }
    std::int64_t Insert(const std::string& sql, const std::vector<Value>& values = {})
    {
        auto rs = book->Db().QueryPostgres(sql, values);
        return rs.rows.empty() ? 0 : rs.rows.at(0).at(0).ToInteger();
    }
    // A posted sale invoice of the demo client K00001 signed by a person, with one term.
    std::int64_t Invoice(const char* date, int payTerm, const char* summa, const char* penalty,
                         const std::string& signer)
    {
        const auto id = Insert("INSERT INTO THDocument (DocTypeCode, DocumentDate, Summa, IsPosted, CurrencyCode, "
                               "Number) VALUES ('PRSF', $1::date, $2::numeric, 1, $3, $4) RETURNING IDC",
                               {Value(date), Value(summa), Value(book->AccountCurrency()),
                                Value(std::string("SP-") + date + "-" + summa)});
        Insert("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
               "VALUES ($1, 'PRSF', 'PIR', 1, 'K00001')",
               {Value(id)});
        Insert("INSERT INTO THDocumentPRSF (DocID, Penalty) VALUES ($1, $2::numeric)", {Value(id), Value(penalty)});
        Insert("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES ($1, $2, $3::numeric)",
               {Value(id), Value(payTerm), Value(summa)});
        Insert("INSERT INTO AdminObjectAttrib (ObjectCode, ObjectID, AttribCode, AttribValue) "
               "VALUES ('$THDocument$PRSF', $1, 'SignPerson', $2)",
               {Value(id), Value(signer)});
        return id;
    }
    std::shared_ptr<Book> book;
};

} // namespace

// Invoices of a signer of their own, on the report date 2026-03-11.
TEST_F(DebtByAccPersonTest, PenaltyOverdueDaysAndBandsOfHandWorkedInvoices)
{
    Data::Transaction tx(book->Db());
    const std::string signer = "P'1;--";
    Insert("INSERT INTO REFPerson (Code, FirstName, LastName) VALUES ($1, 'Ona', 'O''Neil')", {Value(signer)});
    // 10 days overdue, 1000 open at 0.1 % a day: 10.00.
    Invoice("2026-02-01", 19, "1000", "0.1", signer);
    // Due on the report date: no days, no penalty.
    Invoice("2026-03-01", 10, "500", "0.1", signer);
    // 45 days overdue at 0.05 % on 33.35: 0.75 (0.750375).
    Invoice("2026-01-10", 15, "33.35", "0.05", signer);
    // Due after the report date: not on the list.
    Invoice("2026-03-05", 30, "700", "0.1", signer);

    auto list = CDebtByAccPerson::BuildList(book, Date(2026, 3, 11), signer, k3060);
    const auto rows = Read(*list);
    ASSERT_EQ(rows.size(), 3u);
    // Ordered by person, band and due date.
    EXPECT_EQ(rows[0].needPayDate, Date(2026, 2, 20));
    EXPECT_EQ(rows[0].outDays, 19);
    EXPECT_EQ(rows[0].band, "1. < 30");
    EXPECT_EQ(rows[1].needPayDate, Date(2026, 3, 11));
    EXPECT_EQ(rows[1].outDays, 0);
    EXPECT_EQ(rows[1].penaltySum, Currency());
    EXPECT_EQ(rows[2].needPayDate, Date(2026, 1, 25));
    EXPECT_EQ(rows[2].outDays, 45);
    EXPECT_EQ(rows[2].penaltySum, Currency::Parse("0.75"));
    EXPECT_EQ(rows[2].band, "2. 30 - 60");
    // 19 days at 0.1 % on 1000: 19.00.
    EXPECT_EQ(rows[0].penaltySum, Currency::Parse("19"));
    for (const auto& row : rows)
        EXPECT_EQ(row.person, signer);

    // The same invoice 10 days overdue (report date 2026-03-02): 10.00; in the short form
    // both invoices due by then are overdue.
    const auto tenDays = Read(*CDebtByAccPerson::BuildList(book, Date(2026, 3, 2), signer, {}));
    ASSERT_EQ(tenDays.size(), 2u);
    EXPECT_EQ(tenDays[1].needPaySum, Currency::Parse("1000"));
    EXPECT_EQ(tenDays[1].outDays, 10);
    EXPECT_EQ(tenDays[1].penaltySum, Currency::Parse("10"));
    for (const auto& row : tenDays)
        EXPECT_EQ(row.band, Quarn_DuzAde::ModuleFormRes().GetString(21842));
}

// Over the demo company: every row's days, penalty and band as the pure rules give them, and
// the open total of the invoices due by the report date as the terms give it.
TEST_F(DebtByAccPersonTest, EveryRowFollowsThePenaltyAndBandRulesAndTheTotalMatchesTheTerms)
{
    const Date repDate(2026, 3, 31);
    const auto bands = OverdueBands::FromIntervals(k3060, "x", "y");
    const auto rows = Read(*CDebtByAccPerson::BuildList(book, repDate, "", k3060));
    ASSERT_GT(rows.size(), 20u);
    Currency total;
    std::size_t withPenalty = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.number);
        const long days = Quarn_DuzAde::OverdueDays(row.needPayDate, repDate);
        EXPECT_EQ(row.outDays, days);
        const Decimal rate = row.penalty.IsNull() ? Decimal() : Decimal::Parse(row.penalty.ToText());
        // The printed penalty is rounded to cents half away from zero from the exact product
        // (not from the four decimals the money type keeps: rounding twice can miss a cent).
        const Decimal exact =
            Decimal::FromInteger(days) * Decimal::FromCurrency(row.accNeedPaySum) * rate / Decimal::FromInteger(100);
        EXPECT_EQ(row.penaltySum, exact.RoundHalfAwayFromZero(2).ToCurrency());

        EXPECT_EQ(row.band, bands.LabelOf(OverdueBands::DelayDays(row.needPayDate, repDate)));
        withPenalty += row.penaltySum.IsZero() ? 0 : 1;
        total += row.needPaySum;
    }
    EXPECT_GT(withPenalty, 0u);
    const auto expected = book->Db().QueryPostgres(
        "SELECT SUM(t.DebtSumma)::text FROM THDocumentPayTermExt($1::date) t "
        "WHERE t.DocTypeCode = 'PRSF' AND t.IsPosted = 1 AND t.NeedPayDate <= $1::date AND t.DebtSumma <> 0",
        {Value(repDate)});
    EXPECT_EQ(total, Currency::Parse(expected.rows.at(0).at(0).ToText()));
}

// One person is an equality, two an in-list, none no condition at all.
TEST_F(DebtByAccPersonTest, PersonSelectionNarrowsTheListToTheChosenSigners)
{
    const Date repDate(2026, 3, 31);
    std::map<std::string, std::size_t> all;
    for (const auto& row : Read(*CDebtByAccPerson::BuildList(book, repDate, "", {})))
        ++all[row.person];
    ASSERT_GE(all.size(), 3u);
    auto it = all.begin();
    const std::string first = (it++)->first, second = it->first;

    auto one = CDebtByAccPerson::BuildList(book, repDate, first, {});
    EXPECT_NE(one->SqlText().find("per.Code = N'" + first + "'"), std::string::npos) << one->SqlText();
    const auto oneRows = Read(*one);
    EXPECT_EQ(oneRows.size(), all[first]);
    auto two = CDebtByAccPerson::BuildList(book, repDate, first + ", " + second, {});
    EXPECT_NE(two->SqlText().find("IN (N'" + first + "',N'" + second + "')"), std::string::npos) << two->SqlText();
    const auto twoRows = Read(*two);
    EXPECT_EQ(twoRows.size(), all[first] + all[second]);
    for (const auto& row : twoRows)
        EXPECT_TRUE(row.person == first || row.person == second) << row.person;
}

// The form: a missing date and an unknown person are refused at their controls; on OK the
// report hands back the company, the date and the unread list.
TEST_F(DebtByAccPersonTest, FormRefusesAtItsControlsAndTheRunReturnsTheList)
{
    Testing::ScriptedUser user("frmDebtByAccPerson.edRepDate = \"\"\n"
                               "frmDebtByAccPerson.btOk click\n"
                               "frmDebtByAccPerson.edRepDate = 2026-03-31\n"
                               "frmDebtByAccPerson.selPerson = \"X'; --\"\n"
                               "frmDebtByAccPerson.btOk click\n"
                               "frmDebtByAccPerson.selPerson = \"\"\n"
                               "frmDebtByAccPerson.SpecGrid addrow\n"
                               "frmDebtByAccPerson.SpecGrid edit 1 Days = 30\n"
                               "frmDebtByAccPerson.btOk click\n");
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    FieldList in;
    in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    FieldList out;
    CDebtByAccPerson report;
    ASSERT_TRUE(report.Run(in, out));
    const auto errors = user.ErrorMessages();
    ASSERT_EQ(errors.size(), 2u) << user.ErrorsText();
    EXPECT_EQ(errors[0].rfind("edRepDate:", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1], "selPerson: there is no person with the code 'X'; --'");
    EXPECT_EQ(out.Item("Enterprise").GetValue().ToText(), book->Setting("CompanyName").ToText());
    EXPECT_EQ(out.Item("RepDate").GetValue().ToDate(), Date(2026, 3, 31));
    auto list = std::dynamic_pointer_cast<DataList>(out.Item("DataList").GetValue().ToObject());
    ASSERT_TRUE(list);
    EXPECT_FALSE(list->IsFilled());
    EXPECT_EQ(list->OrderByText().rfind("Person, DataPayType, NeedPayDate", 0), 0u);
}
