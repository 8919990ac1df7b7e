#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/ClientLimitService.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/settlement/CClientsOverLimit.hpp"
#include "quarn/settlement/CSetLimitByDebt.hpp"
#include "quarn/settlement/SetLimitByDebtReference.hpp"
#include "quarn/settlement/frmLimitClntList.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

using namespace Talvex;
using Quarn_DuzAde::frmLimitClntList;

namespace {

constexpr const char* kForm = "frmLimitClntList";
constexpr const char* kList = "grdList";

// Each client's balance on the limit indicator at the day beside its limit there.
constexpr const char* kBalancesAndLimits = R"sql(
SELECT s.AnalytObjectCode, s.OutcomeSaldo, l."limit"
FROM GLIndicator i
JOIN GLAnalytStatementD($1::date, $1::date, i.AccSetCode, i.AccCode, i.AnalytTypeCode) s ON TRUE
JOIN GLContLimitSpec l ON l.Code = i.Code AND l.AnalytObjectCode = s.AnalytObjectCode
JOIN REFClient c ON c.Code = s.AnalytObjectCode
WHERE i.IsClientLimit = 1
)sql";

} // namespace

class SetLimitByDebt : public ::testing::Test {
protected:
    void SetUp() override
    {
        Quarn_DuzAde::Startup();
        user = std::make_unique<Testing::ScriptedUser>();
        book = Testing::OpenDemoBook("tester");
        book->SetToday(Date(2026, 6, 30));
        tx = std::make_unique<Data::Transaction>(book->Db());
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    }
    void TearDown() override { tx.reset(); }

    Data::ResultSet Sql(const std::string& sql, const std::vector<Value>& args = {})
    {
        return book->Db().QueryPostgres(sql, args);
    }
    std::int64_t Count(const std::string& sql, const std::vector<Value>& args = {})
    {
        return Sql(sql, args).rows.at(0).at(0).ToInteger();
    }

    // The user's answers from here on.
    void Script(const std::string& answers)
    {
        user.reset();
        user = std::make_unique<Testing::ScriptedUser>(answers);
    }

    // Runs the operation by name, visually, as the host does.
    bool RunByName()
    {
        auto object = Quarn_DuzAde::CreateObject("Quarn_DuzAde.CSetLimitByDebt");
        auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get());
        EXPECT_NE(report, nullptr);
        if (!report) return false;
        report->SetVisual(true);
        FieldList out;
        return report->Run(params, out);
    }

    std::vector<Quarn_DuzAde::LimitRow> ListOf(const char* from, const char* to)
    {
        auto list = Quarn_DuzAde::CSetLimitByDebt::CreateLimitList(book, Date::Parse(from), Date::Parse(to));
        list->Refresh();
        return Quarn_DuzAde::LimitRows(Quarn_DuzAde::CSetLimitByDebt::ReadClients(*list));
    }

    Currency LimitOf(const std::string& client)
    {
        auto rows = Sql("SELECT l.\"limit\" FROM GLContLimitSpec l JOIN GLIndicator i ON i.Code = l.Code "
                        "WHERE i.IsClientLimit = 1 AND l.AnalytObjectCode = $1",
                        {Value(client)})
                        .rows;
        return rows.empty() ? Currency::FromInteger(-1) : rows[0][0].ToCurrency();
    }

    static constexpr const char* kPeriod = "frmSetLimitParm.edDateBeg = 2026-05-01\n"
                                           "frmSetLimitParm.edDateEnd = 2026-05-31\n"
                                           "frmSetLimitParm.btOk click\n";

    std::unique_ptr<Testing::ScriptedUser> user;
    std::shared_ptr<Book> book;
    std::unique_ptr<Data::Transaction> tx;
    FieldList params;
};

TEST_F(SetLimitByDebt, ListHoldsEachClientsReceivableDebtOfThePeriodWithItsLimitAndTick)
{
    const auto rows = ListOf("2026-05-01", "2026-05-31");
    std::map<std::string, Quarn_DuzAde::LimitRow> listed;
    for (const auto& row : rows)
        listed[row.code] = row;
    std::size_t expected = 0, manual = 0;
    for (const auto& row :
         Sql(Testing::kReceivablesOfPeriodByClient, {Value("2026-05-01"), Value("2026-05-31")}).rows) {
        ++expected;
        const std::string client = row[0].ToText();
        auto it = listed.find(client);
        ASSERT_NE(it, listed.end()) << client;
        const Currency tolerance = Currency::Parse("0.02") * row[2].ToInteger();
        const Currency sum = row[1].ToCurrency();
        const Currency got = it->second.accNeedPaySum;
        EXPECT_LE(got > sum ? got - sum : sum - got, tolerance) << client << " " << got.ToString();
        EXPECT_EQ(it->second.defaultLimit, row[3].ToCurrency()) << client;
        EXPECT_EQ(it->second.isLimitSetManually, row[4].ToInteger() == 1) << client;
        // The tick starts off exactly for the clients whose limit is set by hand.
        EXPECT_EQ(it->second.writeToDB, row[4].ToInteger() == 0) << client;
        manual += it->second.isLimitSetManually ? 1 : 0;
    }
    EXPECT_EQ(listed.size(), expected);
    EXPECT_GT(expected, 10u);
    EXPECT_GT(manual, 0u) << "the demo company has clients whose limit is set by hand";

    // The form shows the same rows, manual ones in their style, and closing writes nothing.
    Script(std::string(kPeriod) + "frmLimitClntList close\n");
    const auto limits = Count("SELECT count(*) FROM GLContLimitSpec");
    EXPECT_TRUE(RunByName());
    EXPECT_EQ(user->ErrorsText(), "");
    EXPECT_TRUE(user->Remaining().empty());
    EXPECT_TRUE(user->ProgressRuns().empty());
    EXPECT_EQ(Count("SELECT count(*) FROM GLContLimitSpec"), limits);
}

TEST_F(SetLimitByDebt, SetLimitWritesTheTickedClientsOnlyNeverOneSetByHand)
{
    const auto rows = ListOf("2026-05-01", "2026-05-31");
    // Screen rows (from 1) of a manual client and of the second automatic one.
    long manualRow = 0, untickedRow = 0, automatic = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].isLimitSetManually && manualRow == 0) manualRow = static_cast<long>(i) + 1;
        if (!rows[i].isLimitSetManually && ++automatic == 2) untickedRow = static_cast<long>(i) + 1;
    }
    ASSERT_NE(manualRow, 0);
    ASSERT_NE(untickedRow, 0);
    const auto& manual = rows[static_cast<std::size_t>(manualRow - 1)];
    const auto& unticked = rows[static_cast<std::size_t>(untickedRow - 1)];
    // Limits nobody has, so that what is written shows.
    Sql("UPDATE GLContLimitSpec SET \"limit\" = 1.23");
    std::vector<std::string> written;
    for (const auto& row : rows)
        if (!row.isLimitSetManually && row.code != unticked.code) written.push_back(row.code);

    Script(std::string(kPeriod) + "frmLimitClntList.grdList edit " + std::to_string(manualRow) +
           " WriteToDB = 1\nfrmLimitClntList.grdList edit " + std::to_string(untickedRow) +
           " WriteToDB = 0\nfrmLimitClntList.btSetLimit click\nmessage Gerai\nfrmLimitClntList close\n");
    EXPECT_TRUE(RunByName());
    EXPECT_EQ(user->ErrorsText(), "");
    EXPECT_TRUE(user->Remaining().empty());
    ASSERT_EQ(user->ProgressRuns().size(), 1u);
    EXPECT_EQ(user->ProgressRuns()[0].stepsDone, static_cast<long>(written.size()));
    EXPECT_EQ(user->MessageTexts().back(), "Credit limits written: " + std::to_string(written.size()) + " of " +
                                               std::to_string(written.size()) + ".");
    for (const auto& row : rows) {
        if (!row.isLimitSetManually && row.code != unticked.code) {
            EXPECT_EQ(LimitOf(row.code), row.defaultLimit) << row.code;
        }
    }
    EXPECT_NE(LimitOf(manual.code), manual.defaultLimit);
    EXPECT_NE(LimitOf(unticked.code), unticked.defaultLimit);
    EXPECT_EQ(Count("SELECT DefaultLimit FROM REFClient WHERE Code = $1", {Value(manual.code)}),
              manual.defaultLimit.Units() / Currency::kScale);

    // Written again, nothing changes (the same limits stand).
    const auto snapshot = Sql("SELECT AnalytObjectCode, \"limit\" FROM GLContLimitSpec ORDER BY 1").rows;
    Erp::ClientLimitService service;
    service.Init(book);
    for (const auto& code : written)
        EXPECT_TRUE(service.SetLimit(code, rows[0].code == code ? rows[0].defaultLimit : LimitOf(code)));
    EXPECT_EQ(Sql("SELECT AnalytObjectCode, \"limit\" FROM GLContLimitSpec ORDER BY 1").rows.size(), snapshot.size());
    // The service refuses what it cannot write, naming it.
    EXPECT_FALSE(service.SetLimit(manual.code, Currency::FromInteger(10)));
    EXPECT_THROW(service.SetLimit("!NO-SUCH'", Currency::FromInteger(10)), ValueError);
    EXPECT_THROW(service.SetLimit(unticked.code, Currency::FromInteger(-1)), ValueError);
}

TEST_F(SetLimitByDebt, NothingTickedWritesNothingAndRunsNoProgress)
{
    const auto rows = ListOf("2026-05-01", "2026-05-31");
    std::string answers = kPeriod;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].writeToDB) answers += "frmLimitClntList.grdList edit " + std::to_string(i + 1) + " WriteToDB = 0\n";
    answers += "frmLimitClntList.btSetLimit click\nfrmLimitClntList close\n";
    Script(answers);
    const auto before = Sql("SELECT AnalytObjectCode, \"limit\" FROM GLContLimitSpec ORDER BY 1").rows;
    EXPECT_TRUE(RunByName());
    EXPECT_EQ(user->ErrorsText(), "");
    EXPECT_TRUE(user->ProgressRuns().empty());
    EXPECT_TRUE(user->MessageTexts().empty());
    EXPECT_EQ(Sql("SELECT AnalytObjectCode, \"limit\" FROM GLContLimitSpec ORDER BY 1").rows, before);
}

TEST_F(SetLimitByDebt, AFailureWritingOneClientLeavesItAsItWasAndTheRunGoesOn)
{
    const auto rows = ListOf("2026-05-01", "2026-05-31");
    std::vector<std::string> automatic;
    for (const auto& row : rows)
        if (!row.isLimitSetManually) automatic.push_back(row.code);
    ASSERT_GE(automatic.size(), 3u);
    const std::string failing = automatic[1];
    Sql("UPDATE GLContLimitSpec SET \"limit\" = 1.23");
    const Currency failingBefore = LimitOf(failing); // -1: it has none
    // The ledger refuses the second client's limit once the client's card has been locked.
    Sql("CREATE FUNCTION pg_temp.refuse_limit() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "IF NEW.AnalytObjectCode = '" + failing + "' THEN RAISE EXCEPTION 'limit refused by the ledger'; END IF; "
        "RETURN NEW; END $$");
    Sql("CREATE TRIGGER refuse_limit BEFORE INSERT OR UPDATE ON GLContLimitSpec FOR EACH ROW EXECUTE FUNCTION "
        "pg_temp.refuse_limit()");
    Script(std::string(kPeriod) + "frmLimitClntList.btSetLimit click\nmessage Gerai\nfrmLimitClntList close\n");
    EXPECT_TRUE(RunByName());
    EXPECT_NE(user->ErrorsText().find("Credit limit of client \"" + failing + "\" not written: "), std::string::npos)
        << user->ErrorsText();
    EXPECT_NE(user->ErrorsText().find("limit refused by the ledger"), std::string::npos);
    EXPECT_EQ(user->Session().Errors().size(), 1u);
    EXPECT_EQ(LimitOf(failing), failingBefore);
    for (const auto& row : rows) {
        if (!row.isLimitSetManually && row.code != failing) {
            EXPECT_EQ(LimitOf(row.code), row.defaultLimit) << row.code;
        }
    }
    EXPECT_EQ(user->MessageTexts().back(), "Credit limits written: " + std::to_string(automatic.size() - 1) + " of " +
                                               std::to_string(automatic.size()) + ".");
}

// Two sessions commit here: the client's card and limit are put back at the end.
TEST_F(SetLimitByDebt, AClientSetByHandInAnotherSessionMeanwhileIsNotWritten)
{
    tx.reset();
    const auto rows = ListOf("2026-05-01", "2026-05-31");
    std::string client;
    Currency defaultLimit;
    for (const auto& row : rows)
        if (!row.isLimitSetManually && row.defaultLimit > Currency() && LimitOf(row.code) >= Currency()) {
            client = row.code;
            defaultLimit = row.defaultLimit;
            break;
        }
    ASSERT_FALSE(client.empty());
    auto other = Testing::OpenDemoBook("limit_other_session");
    const Currency limitBefore = LimitOf(client);
    struct Restore {
        Data::Connection& db;
        std::string client;
        Currency limit;
        ~Restore()
        {
            db.QueryPostgres("UPDATE REFClient SET IsLimitSetManually = 0 WHERE Code = $1", {Value(client)});
            db.QueryPostgres("UPDATE GLContLimitSpec SET \"limit\" = $2 WHERE AnalytObjectCode = $1",
                             {Value(client), Value(limit)});
        }
    } restore{other->Db(), client, limitBefore};
    book->Db().QueryPostgres("UPDATE GLContLimitSpec SET \"limit\" = 1.23 WHERE AnalytObjectCode = $1",
                             {Value(client)});

    const auto myPid = book->Db().QueryPostgres("SELECT pg_backend_pid()").rows[0][0].ToInteger();
    auto unit = std::make_unique<Data::Transaction>(other->Db());
    other->Db().QueryPostgres("UPDATE REFClient SET IsLimitSetManually = 1 WHERE Code = $1", {Value(client)});
    std::thread commitLater([&] {
        auto watch = Testing::OpenDemoDatabase();
        while (watch.QueryPostgres("SELECT count(*) FROM pg_locks WHERE pid = $1 AND NOT granted", {Value(myPid)})
                   .rows[0][0]
                   .ToInteger() == 0)
            std::this_thread::yield();
        unit->Commit();
    });
    Erp::ClientLimitService service;
    service.Init(book);
    bool written = true;
    std::string error;
    try {
        written = service.SetLimit(client, defaultLimit);
    } catch (const std::exception& e) {
        error = e.what();
    }
    commitLater.join();
    EXPECT_EQ(error, "");
    EXPECT_FALSE(written);
    EXPECT_EQ(LimitOf(client), Currency::Parse("1.23"));
}

TEST_F(SetLimitByDebt, ABadPeriodIsRefusedAtItsBox)
{
    Script("frmSetLimitParm.edDateBeg = 2026-05-31\nfrmSetLimitParm.edDateEnd = 2026-05-01\n"
           "frmSetLimitParm.btOk click\nmessage OK\nfrmSetLimitParm.btCancel click\n");
    EXPECT_FALSE(RunByName());
    EXPECT_EQ(user->ErrorsText(), "");
    ASSERT_FALSE(user->MessageTexts().empty());
    EXPECT_EQ(user->MessageTexts().front(), "edDateEnd: the period ends (2026-05-01) before it starts (2026-05-31)");
    EXPECT_TRUE(user->Remaining().empty());
}

TEST_F(SetLimitByDebt, OverLimitListsTheClientsWhoseBalanceIsAboveTheirLimitNotAtIt)
{
    std::map<std::string, std::pair<Currency, Currency>> expected; // saldo, limit
    std::string atLimit;
    for (const auto& row : Sql(kBalancesAndLimits, {Value(book->Today())}).rows) {
        if (row[1].ToCurrency() > row[2].ToCurrency())
            expected[row[0].ToText()] = {row[1].ToCurrency(), row[2].ToCurrency()};
        else if (atLimit.empty() && row[1].ToCurrency() > Currency())
            atLimit = row[0].ToText();
    }
    ASSERT_FALSE(expected.empty());
    ASSERT_FALSE(atLimit.empty());
    // One client brought exactly to its balance: not over it.
    for (const auto& row : Sql(kBalancesAndLimits, {Value(book->Today())}).rows)
        if (row[0].ToText() == atLimit)
            Sql("UPDATE GLContLimitSpec SET \"limit\" = $2 WHERE AnalytObjectCode = $1",
                {Value(atLimit), row[1]});

    auto object = Quarn_DuzAde::CreateObject("Quarn_DuzAde.CClientsOverLimit");
    auto& report = dynamic_cast<Quarn_DuzAde::IReportExec&>(*object);
    FieldList out;
    ASSERT_TRUE(report.Run(params, out));
    EXPECT_EQ(user->ErrorsText(), "");
    EXPECT_EQ(out.Item("RepDate").GetValue().ToDate(), book->Today());
    EXPECT_EQ(out.Item("Plant").GetValue().ToText(), book->Setting("MyPlant").ToText());
    auto rs = std::dynamic_pointer_cast<Data::Recordset>(out.Item("DataList").GetValue().ToObject());
    ASSERT_NE(rs, nullptr);
    std::map<std::string, std::pair<Currency, Currency>> listed;
    std::vector<std::string> order;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const std::string code = rs->Fields().Item("Code").Value().ToText();
        order.push_back(code);
        listed[code] = {rs->Fields().Item("Saldo").Value().ToCurrency(), rs->Fields().Item("Limit").Value().ToCurrency()};
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(listed.count(atLimit), 0u);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}
