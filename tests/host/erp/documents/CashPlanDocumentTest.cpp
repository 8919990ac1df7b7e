#include "host/erp/documents/CashPlanDocument.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/FieldMap.hpp"
#include "host/ui/TableRowSource.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::ValueError;
using Talvex::Data::Connection;
using Talvex::Erp::CashPlanDocument;

namespace {

std::string Text(Connection& db, const std::string& sql, const std::vector<Value>& params = {})
{
    auto rs = db.QueryPostgres(sql, params);
    return rs.rows.at(0).at(0).IsNull() ? std::string() : rs.rows.at(0).at(0).ToText();
}

// The plan's lines as the tables hold them, one text per line.
std::string StoredLines(Connection& db, std::int64_t idc)
{
    return Text(db,
                "SELECT string_agg(gs.PosNumb || ':' || gs.GoodCode || ':' || gs.UnitCode || ':' || gs.Summa::text || "
                "':' || COALESCE(c.NeedPayDate::text, '-') || ':' || COALESCE(c.PaymentTypeCode, '-') || ':' || "
                "COALESCE(c.Client, '-'), ' ' ORDER BY gs.PosNumb) FROM THGoodSpec gs "
                "LEFT JOIN THGoodSpecCPAY c ON c.DocID = gs.DocID AND c.PosNumb = gs.PosNumb WHERE gs.DocID = $1",
                {Value(idc)});
}

} // namespace

TEST(CashPlanDocument, PlanOfAYearIsWrittenWithItsLinesEditedAndReadBack)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction unit(db);
    const std::string client = Text(db, "SELECT min(Code) FROM REFClient WHERE IsGroup = 0");

    CashPlanDocument plan(book);
    plan.New(2031);
    const auto first = plan.AddLine();
    plan.SetLineValue(first, "Summa", Value(Currency::FromInteger(100)));
    plan.SetLineValue(first, "needpaydate", Value(Date(2031, 3, 14)));
    plan.SetLineValue(first, "Client", Value(client));
    const auto second = plan.AddLine();
    plan.SetLineValue(second, "Summa", Value(Currency::Parse("50.25")));
    plan.SetLineValue(second, "PaymentTypeCode", Value("CASH"));
    // The dialog's date may be any day of the year: the plan is dated its first day.
    Talvex::Ui::FieldMap header;
    header.Set("DocumentDate", Value(Date(2031, 6, 30)));
    header.Set("IsClosed", Value(true));
    plan.WriteHeader(header);
    EXPECT_EQ(plan.Check(), "");
    const auto idc = plan.Save();

    EXPECT_EQ(Text(db,
                   "SELECT DocTypeCode || ' ' || DocumentDate || ' ' || Summa || ' ' || IsClosed FROM THDocument "
                   "WHERE IDC = $1",
                   {Value(idc)}),
              "CPAY 2031-01-01 150.2500 1");
    EXPECT_EQ(StoredLines(db, idc),
              "1:CP:VNT:100.0000:2031-03-14:BANK:" + client + " 2:CP:VNT:50.2500:2031-01-01:CASH:-");

    // Read back in a fresh object, as the dialog's list shows it.
    CashPlanDocument loaded(book);
    loaded.Load(idc);
    ASSERT_EQ(loaded.Lines().size(), 2u);
    EXPECT_EQ(loaded.Summa(), Currency::Parse("150.25"));
    Talvex::Ui::FieldMap shown;
    loaded.ReadHeader(shown);
    EXPECT_EQ(shown.Item("DocumentDate").ToDate(), Date(2031, 1, 1));
    EXPECT_EQ(shown.Item("Summa").ToCurrency(), Currency::Parse("150.25"));
    auto source = loaded.LinesSource();
    ASSERT_EQ(source->RowCount(), 2u);
    EXPECT_EQ(source->Get(1, "PaymentTypeCode").ToText(), "CASH");
    EXPECT_EQ(source->Get(0, "NeedPayDate").ToDate(), Date(2031, 3, 14));

    // The first line removed, the other changed: positions close up, the sum follows.
    loaded.RemoveLine(0);
    loaded.SetLineValue(0, "Summa", Value(75));
    EXPECT_EQ(loaded.Save(), idc);
    EXPECT_EQ(StoredLines(db, idc), "1:CP:VNT:75.0000:2031-01-01:CASH:-");
    EXPECT_EQ(Text(db, "SELECT Summa::text FROM THDocument WHERE IDC = $1", {Value(idc)}), "75.0000");

    // A second plan of the same year is refused, and nothing of it is written.
    CashPlanDocument again(book);
    again.New(2031);
    EXPECT_NE(again.Check(), "");
    EXPECT_THROW(again.Save(), ValueError);
    EXPECT_EQ(Text(db, "SELECT count(*) FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = '2031-01-01'"),
              "1");
    // Nor a plan without a date, or with a line without a due date.
    Talvex::Ui::FieldMap noDate;
    noDate.Set("DocumentDate", Value(Talvex::Null{}));
    again.WriteHeader(noDate);
    EXPECT_NE(again.Check(), "");
    again.New(2032);
    EXPECT_THROW(again.SetLineValue(again.AddLine(), "NeedPayDate", Value(Talvex::Null{})), ValueError);
    EXPECT_EQ(again.Check(), "Line 1 of the cash payment plan needs a sum above zero");
}

TEST(CashPlanDocument, LinesRefuseWhatTheyCannotHoldAndDemoPlanRoundTrips)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction unit(db);

    CashPlanDocument plan(book);
    plan.New(2033);
    const auto line = plan.AddLine();
    EXPECT_THROW(plan.SetLineValue(line, "Summa", Value("12")), ValueError);
    EXPECT_THROW(plan.SetLineValue(line, "Summa", Value(Currency::FromInteger(-1))), ValueError);
    EXPECT_THROW(plan.SetLineValue(line, "Summa", Value(Currency())), ValueError);
    EXPECT_THROW(plan.SetLineValue(line, "PaymentTypeCode", Value("NOPE")), ValueError);
    EXPECT_THROW(plan.SetLineValue(line, "PaymentTypeCode", Value("")), ValueError);
    EXPECT_THROW(plan.SetLineValue(line, "Client", Value("NO-SUCH-CLIENT")), ValueError);
    EXPECT_EQ(plan.LineValueProblem("Client", Value("NO-SUCH-CLIENT")), "no client 'NO-SUCH-CLIENT'");
    EXPECT_EQ(plan.LineValueProblem("Client", Value("")), "");
    EXPECT_EQ(plan.LineValueProblem("PaymentTypeCode", Value("CARD")), "");
    EXPECT_EQ(plan.Lines()[line].paymentTypeCode, "BANK");
    EXPECT_THROW(plan.SetLineValue(line, "NeedPayDate", Value(20330101)), ValueError);
    EXPECT_THROW(plan.SetLineValue(line, "PayDocId", Value(5)), ValueError);
    EXPECT_THROW(plan.SetLineValue(line, "PosNumb", Value(5)), ValueError);
    EXPECT_THROW(plan.SetLineValue(3, "Summa", Value(1)), ValueError);
    EXPECT_THROW(plan.RemoveLine(3), ValueError);
    const std::int64_t notAPlan =
        std::stoll(Text(db, "SELECT min(IDC)::text FROM THDocument WHERE DocTypeCode = 'PRSF'"));
    EXPECT_THROW(plan.Load(notAPlan), ValueError);

    // A plan of the demo company, with lines its payments settled, saved back unchanged.
    const std::int64_t demoPlan =
        std::stoll(Text(db, "SELECT min(IDC)::text FROM THDocument WHERE DocTypeCode = 'CPAY'"));
    const std::string before = StoredLines(db, demoPlan);
    const std::string settled = Text(db,
                                     "SELECT string_agg(PosNumb || ':' || PayDocId, ' ' ORDER BY PosNumb) "
                                     "FROM THGoodSpecCPAY WHERE DocID = $1 AND PayDocId IS NOT NULL",
                                     {Value(demoPlan)});
    ASSERT_FALSE(before.empty());
    CashPlanDocument demo(book);
    demo.Load(demoPlan);
    demo.Save();
    EXPECT_EQ(StoredLines(db, demoPlan), before);
    EXPECT_EQ(Text(db,
                   "SELECT string_agg(PosNumb || ':' || PayDocId, ' ' ORDER BY PosNumb) FROM THGoodSpecCPAY "
                   "WHERE DocID = $1 AND PayDocId IS NOT NULL",
                   {Value(demoPlan)}),
              settled);
}

TEST(CashPlanDocument, FaultWhileWritingTheLinesLeavesThePlanAsItWasStored)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction unit(db);

    CashPlanDocument plan(book);
    plan.New(2035);
    for (int i = 1; i <= 3; ++i)
        plan.SetLineValue(plan.AddLine(), "Summa", Value(Currency::FromInteger(10 * i)));
    const auto idc = plan.Save();
    const std::string stored = StoredLines(db, idc);
    const std::string headerSql = "SELECT Number || ' ' || Summa FROM THDocument WHERE IDC = $1";
    const std::string storedHeader = Text(db, headerSql, {Value(idc)});
    ASSERT_EQ(stored, "1:CP:VNT:10.0000:2035-01-01:BANK:- 2:CP:VNT:20.0000:2035-01-01:BANK:- "
                      "3:CP:VNT:30.0000:2035-01-01:BANK:-");
    EXPECT_EQ(plan.Save(), idc);
    EXPECT_EQ(StoredLines(db, idc), stored) << "saved twice, written once";

    // The server refuses the plan columns of the second line, after the header, the old rows'
    // removal and the first line are written.
    db.QueryPostgres("CREATE FUNCTION pg_temp.refuse_second_line() RETURNS trigger AS $$ BEGIN "
                     "IF NEW.PosNumb = 2 THEN RAISE EXCEPTION 'line 2 refused'; END IF; RETURN NEW; END $$ "
                     "LANGUAGE plpgsql");
    db.QueryPostgres("CREATE TRIGGER refuse_second_line BEFORE INSERT ON THGoodSpecCPAY FOR EACH ROW "
                     "EXECUTE FUNCTION pg_temp.refuse_second_line()");
    plan.SetLineValue(0, "Summa", Value(Currency::FromInteger(99)));
    Talvex::Ui::FieldMap header;
    header.Set("Number", Value("CHANGED"));
    plan.WriteHeader(header);
    EXPECT_ANY_THROW(plan.Save());
    EXPECT_EQ(StoredLines(db, idc), stored);
    EXPECT_EQ(Text(db, headerSql, {Value(idc)}), storedHeader);
    EXPECT_NE(storedHeader.find(" 60.0000"), std::string::npos) << storedHeader;
    db.QueryPostgres("DROP TRIGGER refuse_second_line ON THGoodSpecCPAY");
}

TEST(CashPlanDocument, TwoSessionsWritingPlansOfOneYearWriteOnePlan)
{
    auto firstBook = Talvex::Testing::OpenDemoBook("first");
    auto secondBook = Talvex::Testing::OpenDemoBook("second");
    auto& db = firstBook->Db();
    const std::string plansOf2033 = "SELECT count(*)::text FROM THDocument WHERE DocTypeCode = 'CPAY' "
                                    "AND DocumentDate = '2033-01-01'";
    ASSERT_EQ(Text(db, plansOf2033), "0");
    const std::string secondPid = Text(secondBook->Db(), "SELECT pg_backend_pid()::text");

    std::string secondRefusal;
    std::int64_t written = 0;
    {
        Talvex::Data::Transaction unit(db);
        CashPlanDocument first(firstBook);
        first.New(2033);
        first.SetLineValue(first.AddLine(), "Summa", Value(Currency::FromInteger(10)));
        written = first.Save();
        std::thread other([&] {
            CashPlanDocument second(secondBook);
            second.New(2033);
            second.SetLineValue(second.AddLine(), "Summa", Value(Currency::FromInteger(20)));
            try {
                second.Save();
            } catch (const ValueError& refusal) {
                secondRefusal = refusal.what();
            }
        });
        // The second writer waits for the first's year; only then does the first commit.
        bool waited = false;
        for (int poll = 0; poll < 6000 && !waited; ++poll) {
            waited = Text(db, "SELECT count(*)::text FROM pg_locks WHERE NOT granted AND pid = " + secondPid) != "0";
            if (!waited) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(waited) << "the second plan of the year never waited for the first";
        unit.Commit();
        other.join();
    }
    EXPECT_NE(secondRefusal.find("CPAY:"), std::string::npos) << "the second plan of 2033 was written too";
    EXPECT_EQ(Text(db, plansOf2033), "1");
    Talvex::Data::Transaction unit(db);
    db.ExecutePostgresScript("DELETE FROM THGoodSpecCPAY WHERE DocID = " + std::to_string(written) +
                             "; DELETE FROM THGoodSpec WHERE DocID = " + std::to_string(written) +
                             "; DELETE FROM THDocument WHERE IDC = " + std::to_string(written));
    unit.Commit();
    EXPECT_EQ(Text(db, plansOf2033), "0");
}
