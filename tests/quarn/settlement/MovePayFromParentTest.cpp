#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "quarn/settlement/CMovePayFromParent.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <thread>

using namespace Talvex;
using Quarn_DuzAde::CMovePayFromParent;

namespace {

// An order of 1000 paid in full by one received payment, and two sales invoices of 600 and
// 400 issued under it, all in a month no demo document reaches, so that the moves of a run
// over that month are exactly these.
class MovePayFromParent : public ::testing::Test {
protected:
    const Date kBeg{2027, 3, 1};
    const Date kEnd{2027, 3, 31};

    void SetUp() override
    {
        book = Testing::OpenDemoBook("move_pay_tester");
        Forget();
        order = Insert("PRS", "2027-03-02", "1000", 0);
        invoice1 = Insert("PRSF", "2027-03-05", "600", order);
        invoice2 = Insert("PRSF", "2027-03-06", "400", order);
        payment = Insert("KVT", "2027-03-03", "1000", 0);
        Sql("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES ($1, $2, 1000, 1000)",
            {Value(payment), Value(order)});
    }
    void TearDown() override { Forget(); }
    // The documents of this fixture, from this run or one that stopped half way.
    void Forget()
    {
        book->Db().ExecutePostgresScript(
            "DROP TRIGGER IF EXISTS move_pay_fault ON THPaySpec;"
            "DELETE FROM THPaySpec WHERE DocID IN (SELECT IDC FROM THDocument WHERE Number LIKE 'MOVETEST-%') "
            "OR CorDocID IN (SELECT IDC FROM THDocument WHERE Number LIKE 'MOVETEST-%');"
            "DELETE FROM THDocument WHERE Number LIKE 'MOVETEST-%';");
    }

    std::int64_t Insert(const char* type, const char* date, const char* sum, std::int64_t parent)
    {
        auto rs = book->Db().QueryPostgres(
            "INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, CurrencyCode, IsPosted, ParentID) "
            "VALUES ($1, $2::date, $3, $4::numeric, 'EUR', 1, NULLIF($5, 0)) RETURNING IDC",
            {Value(type), Value(date), Value(std::string("MOVETEST-") + type + date), Value(sum), Value(parent)});
        return rs.rows.at(0).at(0).ToInteger();
    }
    void Sql(const std::string& sql, const std::vector<Value>& params = {})
    {
        book->Db().QueryPostgres(sql + " RETURNING 1", params);
    }
    // What the payment pays on each document.
    std::map<std::int64_t, Currency> Lines()
    {
        std::map<std::int64_t, Currency> lines;
        auto rs = book->Db().QueryPostgres(
            "SELECT CorDocID, SUM(SummaCur) FROM THPaySpec WHERE DocID = $1 GROUP BY CorDocID", {Value(payment)});
        for (const auto& row : rs.rows)
            lines[row.at(0).ToInteger()] = row.at(1).ToCurrency();
        return lines;
    }
    long Run(std::shared_ptr<Book> on)
    {
        Testing::ScriptedUser user;
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        CMovePayFromParent move;
        move.Init(std::move(on));
        const long moved = move.MovePayFromParent("PRSF", kBeg, kEnd);
        EXPECT_TRUE(user.ErrorMessages().empty()) << testing::PrintToString(user.ErrorMessages());
        return moved;
    }

    std::shared_ptr<Book> book;
    std::int64_t order = 0, invoice1 = 0, invoice2 = 0, payment = 0;
};

} // namespace

TEST_F(MovePayFromParent, PaymentOnTheOrderPassesToItsInvoicesOnceAndOnlyOnce)
{
    {
        Testing::ScriptedUser user;
        ClientApp app{user.Session()};
        ClientApp::Scope scope{app};
        CMovePayFromParent move;
        move.Init(book);
        // One invoice alone, whatever the type and dates say.
        EXPECT_EQ(move.MovePayOnDoc(invoice1), 1);
    }
    auto lines = Lines();
    EXPECT_EQ(lines[invoice1], Currency::FromInteger(600));
    EXPECT_EQ(lines.count(invoice2), 0u);

    EXPECT_EQ(Run(book), 1);
    lines = Lines();
    EXPECT_EQ(lines[order], Currency::FromInteger(1000)); // the order keeps its line
    EXPECT_EQ(lines[invoice1], Currency::FromInteger(600));
    EXPECT_EQ(lines[invoice2], Currency::FromInteger(400));

    // Run again: the payment now pays the children as much as it paid the order.
    EXPECT_EQ(Run(book), 0);
    EXPECT_EQ(Lines(), lines);
    CMovePayFromParent move;
    move.Init(book);
    auto left = move.CandidateList("PRSF", kBeg, kEnd, 0);
    left->Refresh();
    EXPECT_EQ(left->Recordset()->RecordCount(), 0);
}

TEST_F(MovePayFromParent, WithoutBothDatesTheMoveStartsAtTheClosingDate)
{
    CMovePayFromParent move;
    move.Init(book);
    auto fromClosing = move.CandidateList("PRSF", Date(), kEnd, 0);
    fromClosing->Refresh();
    // The fixture's invoices lie after the closing date; the demo's own pairs (if any)
    // count too, so at least these two.
    std::set<std::int64_t> children;
    auto rs = fromClosing->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        children.insert(rs->Fields().Item("IDC").Value().ToInteger());
    EXPECT_EQ(children.count(invoice1), 1u);
    EXPECT_EQ(children.count(invoice2), 1u);
    // A period with one bound only is no period: the move starts at the closing date, so a
    // begin date after the invoices does not hide them.
    auto onlyBegin = move.CandidateList("PRSF", Date(2027, 3, 20), Date(), 0);
    onlyBegin->Refresh();
    EXPECT_EQ(onlyBegin->Recordset()->RecordCount(), fromClosing->Recordset()->RecordCount());
    auto period = move.CandidateList("PRSF", Date(2027, 3, 20), kEnd, 0);
    period->Refresh();
    EXPECT_EQ(period->Recordset()->RecordCount(), 0);
}

TEST_F(MovePayFromParent, AnInvoiceWhoseParentHasNoPaymentGivesNoPair)
{
    Sql("DELETE FROM THPaySpec WHERE DocID = $1", {Value(payment)});
    CMovePayFromParent move;
    move.Init(book);
    auto list = move.CandidateList("PRSF", kBeg, kEnd, 0);
    list->Refresh();
    EXPECT_EQ(list->Recordset()->RecordCount(), 0);
    EXPECT_EQ(Run(book), 0);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(MovePayFromParent, AFailedLinkLeavesNothingOfItsPairAndTheOthersGoOn)
{
    book->Db().ExecutePostgresScript(
        "CREATE FUNCTION pg_temp.move_pay_fault() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "IF NEW.CorDocID = " +
        std::to_string(invoice2) +
        " THEN RAISE EXCEPTION 'injected fault'; END IF; RETURN NEW; END $$;"
        "CREATE TRIGGER move_pay_fault BEFORE INSERT ON THPaySpec FOR EACH ROW EXECUTE FUNCTION "
        "pg_temp.move_pay_fault();");
    EXPECT_EQ(Run(book), 1);
    auto lines = Lines();
    EXPECT_EQ(lines[invoice1], Currency::FromInteger(600));
    EXPECT_EQ(lines.count(invoice2), 0u);

    book->Db().ExecutePostgresScript("DROP TRIGGER move_pay_fault ON THPaySpec");
    EXPECT_EQ(Run(book), 1);
    EXPECT_EQ(Lines()[invoice2], Currency::FromInteger(400));
    EXPECT_EQ(Run(book), 0);
}

TEST_F(MovePayFromParent, TwoSessionsAtOnceMoveEachPaymentOnce)
{
    auto other = Testing::OpenDemoBook("move_pay_other");
    long movedHere = 0, movedThere = 0;
    std::thread there([&] { movedThere = Run(other); });
    movedHere = Run(book);
    there.join();
    EXPECT_EQ(movedHere + movedThere, 2);
    auto lines = Lines();
    EXPECT_EQ(lines[invoice1], Currency::FromInteger(600));
    EXPECT_EQ(lines[invoice2], Currency::FromInteger(400));
    EXPECT_EQ(lines.size(), 3u);
}
