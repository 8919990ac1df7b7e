#include "CostCheckFixture.hpp"

#include "host/data/ApplicationLock.hpp"
#include "host/objects/FormRes.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/frame/Startup.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <thread>

using namespace Talvex;
using Quarn_DuzAde::CostCheck;
using Testing::Ids;

namespace {

Currency C(const char* text)
{
    return Currency::Parse(text);
}

class CostCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Quarn_DuzAde::Startup();
        book = Testing::OpenDemoBook("tester");
        book->SetToday(Date(2027, 1, 31));
        tx = std::make_unique<Data::Transaction>(book->Db());
        session = std::make_unique<Testing::CostCheckSession>(book);
    }
    void TearDown() override
    {
        session.reset();
        tx.reset();
    }

    Data::ResultSet Sql(const std::string& sql, const std::vector<Value>& args = {})
    {
        return book->Db().QueryPostgres(sql, args);
    }
    std::int64_t Count(const std::string& sql, const std::vector<Value>& args = {})
    {
        return Sql(sql, args).rows.at(0).at(0).ToInteger();
    }
    // Cost sum, sum and price of a goods row, and its mark, as the database holds them.
    std::string RowOf(std::int64_t idc)
    {
        return Sql("SELECT CostSumm::text || ' ' || Summa::text || ' ' || Price::text || ' ' || IsCostChanged::text "
                   "FROM THGoodSpec WHERE IDC = $1",
                   {Value(idc)})
            .rows.at(0)
            .at(0)
            .ToText();
    }
    std::string HeaderOf(std::int64_t idc)
    {
        return Sql("SELECT Summa::text || ' ' || IsCostChanged::text FROM THDocument WHERE IDC = $1", {Value(idc)})
            .rows.at(0)
            .at(0)
            .ToText();
    }
    // Everything of the documents that a cost write may touch, to compare two states.
    std::string Snapshot(const std::vector<std::int64_t>& docs)
    {
        std::string ids = "{";
        for (const auto d : docs)
            ids += (ids.size() > 1 ? "," : "") + std::to_string(d);
        ids += "}";
        std::string out;
        for (const auto& r :
             Sql("SELECT d.IDC, d.Summa, d.IsCostChanged, g.IDC, g.CostSumm, g.Summa, g.Price, g.IsCostChanged FROM "
                 "THDocument d LEFT JOIN THGoodSpec g ON g.DocID = d.IDC WHERE d.IDC = ANY ($1::int[]) ORDER BY 1, 4",
                 {Value(ids)})
                 .rows) {
            for (const auto& v : r)
                out += (v.IsNull() ? std::string("-") : v.ToText()) + " ";
            out += "\n";
        }
        return out;
    }

    std::shared_ptr<Book> book;
    std::unique_ptr<Data::Transaction> tx;
    std::unique_ptr<Testing::CostCheckSession> session;
    Testing::ScriptedUser user;
};

} // namespace

TEST_F(CostCheckTest, HandCompanyIsListedRecalculatedAndWrittenToTheCent)
{
    Testing::HandCompanyWriter writer(book->Db());
    const auto c = writer.Write();
    auto& f = session->Fill("2027-01-01", "2027-01-31");
    EXPECT_EQ(user.ErrorsText(), "");

    // Marked documents of the period, by type: every row of each.
    EXPECT_EQ(Ids(f.ChDoc(), "gsIDC"),
              (std::vector<std::int64_t>{c.mnm1Row, c.mos1Row, c.mos1ZeroRow, c.mos2Row, c.prsf1Row}));
    // The orders whose materials changed and the finished goods of order 1; not those of the
    // order by norm price.
    EXPECT_EQ(Ids(f.MFDoc(), "gsIDC"), (std::vector<std::int64_t>{c.mo1Row, c.mnfc1Row, c.mnfc1bRow, c.mo2Row}));
    const auto& mf = f.MFDoc();
    // 41.20 + 1.00 issued, 50.00 of work, 10.30 of the work's material.
    const std::vector<std::pair<const char*, const char*>> mfSums{
        {"100.00", "102.50"}, {"100.00", "102.50"}, {"30.00", "30.75"}, {"60.00", "20.60"}};
    for (std::size_t r = 0; r < mfSums.size(); ++r) {
        EXPECT_EQ(mf.Get(r, "DocOldFSum").ToCurrency(), C(mfSums[r].first)) << r;
        EXPECT_EQ(mf.Get(r, "DocNewFSum").ToCurrency(), C(mfSums[r].second)) << r;
        EXPECT_EQ(mf.Get(r, "IsDocCheck").ToInteger(), 0);
    }
    EXPECT_EQ(mf.Get(1, "MOIDC").ToInteger(), c.mo1);
    EXPECT_EQ(mf.Get(1, "GSMOIDC").ToInteger(), c.mo1Row);
    // The norm in force; not the one that ended, nor the unposted one.
    EXPECT_EQ(Ids(f.WRDoc(), "IDC"), (std::vector<std::int64_t>{c.nur1}));
    // Returns whose cost no longer follows their sale: 52.00 / 5 * 2; a source without
    // quantity; 24.00 per 12 accounting units, 3 of them. The return already at 10.40 is not.
    EXPECT_EQ(Ids(f.RetDoc(), "gsIDC"), (std::vector<std::int64_t>{c.gpg1Row, c.gpg2Row, c.gpg4Row}));
    const std::vector<std::pair<const char*, const char*>> retSums{{"20.00", "20.80"}, {"3.00", "0"}, {"5.00", "6.00"}};
    for (std::size_t r = 0; r < retSums.size(); ++r) {
        EXPECT_EQ(f.RetDoc().Get(r, "RowOldCostSum").ToCurrency(), C(retSums[r].first)) << r;
        EXPECT_EQ(f.RetDoc().Get(r, "RowNewCostSum").ToCurrency(), C(retSums[r].second)) << r;
    }
    EXPECT_EQ(f.RetDoc().Get(0, "Name").ToText(), "Product");
    EXPECT_EQ(f.ListCtl(CostCheck::kMFDoc).RowCount(), 4u);

    // Manufacturing sums: the orders and the finished goods of order 1.
    f.UserClick("btSaveMFDocSum");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(RowOf(c.mo1Row), "102.5000 102.5000 10.2500 0");
    EXPECT_EQ(HeaderOf(c.mo1), "102.5000 0");
    EXPECT_EQ(RowOf(c.mnfc1Row), "102.5000 102.5000 10.2500 0");
    EXPECT_EQ(HeaderOf(c.mnfc1), "102.5000 0");
    EXPECT_EQ(RowOf(c.mnfc1bRow), "30.7500 30.7500 10.2500 0");
    EXPECT_EQ(RowOf(c.mo2Row), "20.6000 20.6000 4.1200 0");
    EXPECT_EQ(RowOf(c.mnfc2Row), "60.0000 60.0000 12.0000 0");
    EXPECT_EQ(HeaderOf(c.mnfc2), "60.0000 0");
    for (std::size_t r = 0; r < 4; ++r)
        EXPECT_EQ(f.MFDoc().Get(r, "IsDocCheck").ToInteger(), 1) << r;

    // Return rows' cost, then the user is told.
    user.Answer("Gerai");
    f.UserClick("btRecalcCostSum");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(RowOf(c.gpg1Row), "20.8000 32.0000 16.0000 0");
    EXPECT_EQ(RowOf(c.gpg2Row), "0.0000 1.0000 1.0000 0");
    EXPECT_EQ(RowOf(c.gpg4Row), "6.0000 10.0000 3.3300 0");
    EXPECT_EQ(RowOf(c.gpg3Row), "10.4000 16.0000 16.0000 0");
    EXPECT_EQ(user.MessageTexts().back(), Quarn_DuzAde::ModuleFormRes().GetString(1410));
    EXPECT_EQ(user.Session().Messages().back().buttons, std::vector<std::string>{"Gerai"});
    for (std::size_t r = 0; r < 3; ++r) {
        EXPECT_EQ(f.RetDoc().Get(r, "IsDocCheck").ToInteger(), 1);
        EXPECT_EQ(f.RetDoc().Get(r, "RowOldCostSum"), f.RetDoc().Get(r, "RowNewCostSum"));
    }

    // Finishing: material rows take their cost as sum and price, the sale is saved again.
    user.Answer("Gerai");
    f.UserClick("btReCheckSourceDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_FALSE(f.IsVisible());
    EXPECT_EQ(RowOf(c.mos1Row), "41.2000 41.2000 10.3000 0");
    EXPECT_EQ(RowOf(c.mos1ZeroRow), "1.0000 1.0000 0.0000 0");
    EXPECT_EQ(RowOf(c.mnm1Row), "10.3000 10.3000 10.3000 0");
    EXPECT_EQ(RowOf(c.mos2Row), "20.6000 20.6000 10.3000 0");
    EXPECT_EQ(RowOf(c.prsf1Row), "52.0000 80.0000 16.0000 0");
    for (const auto doc : {c.mos1, c.mnm1, c.mos2, c.prsf1})
        EXPECT_EQ(Sql("SELECT IsCostChanged FROM THDocument WHERE IDC = $1", {Value(doc)}).rows[0][0].ToInteger(), 0);
    EXPECT_EQ(HeaderOf(c.prsf1), "80.0000 0");
    ASSERT_EQ(user.ProgressRuns().size(), 4u);
    EXPECT_EQ(user.ProgressRuns()[0].caption, Quarn_DuzAde::ModuleFormRes().GetString(1516));
    EXPECT_EQ(user.ProgressRuns()[3].caption, Quarn_DuzAde::ModuleFormRes().GetString(1518));

    // The check finds nothing left but the norm, and a second run changes nothing.
    const std::string after = Snapshot(c.Documents());
    session->Open();
    auto& again = session->Fill("2027-01-01", "2027-01-31");
    EXPECT_EQ(again.ChDoc().RowCount(), 0u);
    EXPECT_EQ(again.MFDoc().RowCount(), 0u);
    EXPECT_EQ(again.RetDoc().RowCount(), 0u);
    EXPECT_EQ(again.WRDoc().RowCount(), 1u);
    EXPECT_EQ(Snapshot(c.Documents()), after);
    EXPECT_TRUE(user.Remaining().empty());
}

TEST_F(CostCheckTest, ReversedOrMissingPeriodIsRefusedAndAnEmptyPeriodSaysSo)
{
    auto& f = session->Open();
    user.Answer("Gerai");
    f.UserInput("edDateBeg", Value(Date(2026, 3, 31)));
    f.UserInput("edDateEnd", Value(Date(2026, 3, 1)));
    f.UserClick("btFillList");
    EXPECT_EQ(user.MessageTexts().back(), Quarn_DuzAde::ModuleFormRes().GetString(457));
    EXPECT_EQ(user.Session().Messages().back().buttons, std::vector<std::string>{"Gerai"});
    EXPECT_EQ(f.ChDoc().RowCount(), 0u);
    EXPECT_TRUE(user.ProgressRuns().empty());
    EXPECT_EQ(f.Ctl("edDateEnd").Refusal(), Quarn_DuzAde::ModuleFormRes().GetString(457));

    user.Answer("Gerai");
    f.UserInput("edDateBeg", Value());
    f.UserClick("btFillList");
    EXPECT_NE(user.MessageTexts().back().find("edDateBeg"), std::string::npos) << user.MessageTexts().back();
    EXPECT_NE(f.Ctl("edDateBeg").Refusal(), "");
    EXPECT_EQ(f.Ctl("edDateEnd").Refusal(), "");

    // Before the access date nothing is listed, and the user is told.
    user.Answer("Gerai");
    f.UserInput("edDateBeg", Value(Date(2025, 3, 1)));
    f.UserInput("edDateEnd", Value(Date(2025, 3, 31)));
    f.UserClick("btFillList");
    EXPECT_EQ(f.ChDoc().RowCount() + f.MFDoc().RowCount() + f.RetDoc().RowCount(), 0u);
    EXPECT_NE(user.MessageTexts().back().find("No document"), std::string::npos) << user.MessageTexts().back();
    EXPECT_EQ(f.Ctl("edDateBeg").Refusal(), "");
    EXPECT_FALSE(f.Ctl("btSaveMFDocSum").Enabled());
    EXPECT_FALSE(f.Ctl("btReCheckSourceDoc").Enabled());
    EXPECT_FALSE(f.Ctl("btRecalcCostSum").Enabled());
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_TRUE(user.Remaining().empty());
}

TEST_F(CostCheckTest, FaultInsideADocumentLeavesThatDocumentAsItWasAndTheOthersWritten)
{
    Testing::HandCompanyWriter writer(book->Db());
    const auto c = writer.Write();
    // The second row of the first issue and the header of order 1 refuse to be written.
    Sql("CREATE FUNCTION pg_temp.zz_refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "RAISE EXCEPTION 'refused by the test'; END $$");
    Sql("CREATE TRIGGER zz_refuse_row BEFORE UPDATE ON THGoodSpec FOR EACH ROW WHEN (OLD.IDC = " +
        std::to_string(c.mos1ZeroRow) + ") EXECUTE FUNCTION pg_temp.zz_refuse()");
    Sql("CREATE TRIGGER zz_refuse_header BEFORE UPDATE ON THDocument FOR EACH ROW WHEN (OLD.IDC = " +
        std::to_string(c.mo1) + ") EXECUTE FUNCTION pg_temp.zz_refuse()");
    const std::string before = Snapshot(c.Documents());

    auto& f = session->Fill("2027-01-01", "2027-01-31");
    // The document of the current row opens in the host's editor.
    f.ListCtl(CostCheck::kRetDoc).SetCurrentRow(1);
    f.UserClick("btRetDoc");
    ASSERT_EQ(user.DocumentsOpened().size(), 1u);
    EXPECT_EQ(user.DocumentsOpened()[0].docType, "GPG");
    EXPECT_EQ(user.DocumentsOpened()[0].idc, c.gpg2);
    f.UserClick("btSaveMFDocSum");
    // Order 1's rows were written before its header failed: none of it stays. Order 2 is written.
    EXPECT_NE(user.ErrorsText().find("Cost of document " + std::to_string(c.mo1) + " not written"), std::string::npos)
        << user.ErrorsText();
    EXPECT_EQ(RowOf(c.mo1Row), "100.0000 100.0000 10.0000 0");
    EXPECT_EQ(RowOf(c.mo2Row), "20.6000 20.6000 4.1200 0");
    EXPECT_EQ(f.MFDoc().Get(0, "IsDocCheck").ToInteger(), 0);
    EXPECT_EQ(f.MFDoc().Get(3, "IsDocCheck").ToInteger(), 1);

    user.Answer("Gerai");
    f.UserClick("btReCheckSourceDoc");
    // The first issue's first row was saved before its second failed: both stay marked.
    EXPECT_NE(user.ErrorsText().find("Cost of document " + std::to_string(c.mos1) + " not written"), std::string::npos);
    EXPECT_EQ(RowOf(c.mos1Row), "41.2000 40.0000 10.0000 1");
    EXPECT_EQ(HeaderOf(c.mos1), "40.0000 1");
    EXPECT_EQ(RowOf(c.mnm1Row), "10.3000 10.3000 10.3000 0");
    EXPECT_EQ(RowOf(c.prsf1Row), "52.0000 80.0000 16.0000 0");
    EXPECT_NE(Snapshot(c.Documents()), before);
}

TEST_F(CostCheckTest, DemoCompanyListsWhatTheTablesSayAndIsLeftInLineByOneRun)
{
    book->SetToday(Date(2026, 12, 31));
    const Value beg(Date(2026, 1, 1)), end(Date(2026, 12, 31));
    // Independently of the lists: what the year holds from the access date on.
    // A marked document's marked rows, or one row of a document marked alone.
    const auto changedRows = Count(R"sql(
        SELECT (SELECT count(*) FROM THDocument d JOIN THGoodSpec g ON g.DocID = d.IDC AND g.IsCostChanged = 1
                WHERE d.IsPosted = 1 AND d.IsCostChanged = 1 AND d.DocumentDate BETWEEN $1 AND $2)
             + (SELECT count(*) FROM THDocument d
                WHERE d.IsPosted = 1 AND d.IsCostChanged = 1 AND d.DocumentDate BETWEEN $1 AND $2
                  AND EXISTS (SELECT 1 FROM THGoodSpec g WHERE g.DocID = d.IDC)
                  AND NOT EXISTS (SELECT 1 FROM THGoodSpec g WHERE g.DocID = d.IDC AND g.IsCostChanged = 1)))sql",
                                   {beg, end});
    const auto headerOnly = Count("SELECT count(*) FROM THDocument d WHERE d.IsPosted = 1 AND d.IsCostChanged = 1 "
                                  "AND d.DocumentDate BETWEEN $1 AND $2 AND NOT EXISTS (SELECT 1 FROM THGoodSpec g "
                                  "WHERE g.DocID = d.IDC AND g.IsCostChanged = 1)",
                                  {beg, end});
    ASSERT_GT(headerOnly, 0);
    const auto orders = Count(R"sql(
        SELECT count(DISTINCT o.IDC) FROM THDocument o
        WHERE o.DocTypeCode = 'MO' AND o.IDC IN (
            SELECT CASE WHEN m.DocTypeCode = 'MNM' THEN w.ParentID ELSE m.ParentID END
            FROM THDocument m JOIN THGoodSpec g ON g.DocID = m.IDC AND g.IsCostChanged = 1
            LEFT JOIN THDocument w ON w.IDC = m.ParentID
            WHERE m.DocTypeCode IN ('MOS', 'MMW', 'MNM') AND m.IsPosted = 1 AND m.IsCostChanged = 1
              AND m.DocumentDate BETWEEN $1 AND $2))sql",
                              {beg, end});
    const auto returns = Count(R"sql(
        SELECT count(*) FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
        JOIN THGoodContent c ON c.SpecID = s.IDC AND c.LinkKindCode = 'GR'
        JOIN THGoodSpec p ON p.IDC = c.CorSpecID
        WHERE d.DocTypeCode = 'GPG' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN $1 AND $2
          AND round(COALESCE(p.CostSumm / NULLIF(p.Amount, 0), 0) * s.Amount, 2) <> s.CostSumm)sql",
                               {beg, end});
    // Norms written before the books were closed for changes stay out, however long in force.
    const Value access(Date::Parse(book->Setting("AccessTHDate").ToText()));
    const auto norms = Count("SELECT count(*) FROM THDocument WHERE DocTypeCode = 'NUR' AND IsPosted = 1 AND "
                             "CommingInForceDate <= $2 AND TermsOfValidityDate >= $1 AND DocumentDate >= $3",
                             {beg, end, access});
    ASSERT_GT(changedRows, 0);
    ASSERT_GT(orders, 0);
    ASSERT_GT(returns, 0);
    ASSERT_GT(norms, 0);

    auto& f = session->Fill("2026-01-01", "2026-12-31");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(static_cast<std::int64_t>(f.ChDoc().RowCount()), changedRows);
    EXPECT_EQ(static_cast<std::int64_t>(f.RetDoc().RowCount()), returns);
    EXPECT_EQ(static_cast<std::int64_t>(f.WRDoc().RowCount()), norms);
    std::set<std::int64_t> listedOrders, finishedGoods;
    for (std::size_t r = 0; r < f.MFDoc().RowCount(); ++r) {
        if (f.MFDoc().Get(r, "DocTypeCode").ToText() == "MO")
            listedOrders.insert(f.MFDoc().Get(r, "IDC").ToInteger());
        else
            finishedGoods.insert(f.MFDoc().Get(r, "IDC").ToInteger());
    }
    EXPECT_EQ(static_cast<std::int64_t>(listedOrders.size()), orders);
    EXPECT_FALSE(finishedGoods.empty());

    f.UserClick("btSaveMFDocSum");
    user.Answer("Gerai");
    f.UserClick("btRecalcCostSum");
    user.Answer("Gerai");
    f.UserClick("btReCheckSourceDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    // Every listed order now carries what its posted documents cost, to the cent.
    for (const auto order : listedOrders) {
        const auto fact = Sql(R"sql(
            SELECT COALESCE(SUM(g.CostSumm), 0) FROM THGoodSpec g JOIN THDocument d ON d.IDC = g.DocID
            WHERE d.IsPosted = 1 AND ((d.DocTypeCode IN ('MOS', 'MMW') AND d.ParentID = $1)
               OR (d.DocTypeCode = 'MNM' AND d.ParentID IN (SELECT IDC FROM THDocument WHERE DocTypeCode = 'MMW'
                                                            AND ParentID = $1)))
            )sql",
                              {Value(order)})
                              .rows[0][0]
                              .ToCurrency();
        EXPECT_EQ(Sql("SELECT SUM(CostSumm) FROM THGoodSpec WHERE DocID = $1", {Value(order)}).rows[0][0].ToCurrency(),
                  fact.RoundHalfAwayFromZero(2))
            << order;
    }
    session->Open();
    auto& again = session->Fill("2026-01-01", "2026-12-31");
    EXPECT_EQ(again.ChDoc().RowCount() + again.MFDoc().RowCount() + again.RetDoc().RowCount(), 0u);
    EXPECT_EQ(user.ErrorsText(), "");
}

// Two sessions with the same lists: what the first writes, the second finds written.
TEST_F(CostCheckTest, ASecondSessionWithTheSameListsWritesNothingAgain)
{
    // Both sessions commit, as they do in use: no transaction around the test.
    tx.reset();
    auto otherBook = Testing::OpenDemoBook("cost_other_session");
    otherBook->SetToday(book->Today());
    Testing::HandCompanyWriter writer(book->Db());
    const auto c = writer.Write();
    Testing::HandCompanyCleanup cleanup{book->Db(), c.Documents()};

    Testing::CostCheckSession other(otherBook);
    auto& mine = session->Fill("2027-01-01", "2027-01-31");
    auto& theirs = other.Fill("2027-01-01", "2027-01-31");
    ASSERT_EQ(theirs.RetDoc().RowCount(), 3u);

    // They hold the writing lock in the middle of writing the first return's cost when this
    // session starts writing the same rows; it waits for them, then finds the row written.
    std::thread theirUnit;
    {
        auto theirLock = std::make_unique<Talvex::Data::SessionLock>(otherBook->Db(), CostCheck::kWritingLock);
        auto unit = std::make_unique<Data::Transaction>(otherBook->Db());
        otherBook->Db().QueryPostgres("UPDATE THGoodSpec SET CostSumm = 20.80 WHERE IDC = $1", {Value(c.gpg1Row)});
        const auto myPid = book->Db().QueryPostgres("SELECT pg_backend_pid()").rows[0][0].ToInteger();
        theirUnit = std::thread([&] {
            // Commit only once this session waits on the lock.
            auto watch = Testing::OpenDemoDatabase();
            while (watch.QueryPostgres("SELECT count(*) FROM pg_locks WHERE pid = $1 AND NOT granted", {Value(myPid)})
                       .rows[0][0]
                       .ToInteger() == 0)
                std::this_thread::yield();
            unit->Commit();
            theirLock.reset();
        });
        user.Answer("Gerai");
        mine.UserClick("btRecalcCostSum");
        theirUnit.join();
    }
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(RowOf(c.gpg1Row), "20.8000 32.0000 16.0000 0");
    EXPECT_EQ(RowOf(c.gpg4Row), "6.0000 10.0000 3.3300 0");

    // This session finishes everything; the other then runs every pass on its old lists.
    mine.UserClick("btSaveMFDocSum");
    user.Answer("Gerai");
    mine.UserClick("btReCheckSourceDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    const std::string written = Snapshot(c.Documents());
    theirs.UserClick("btSaveMFDocSum");
    user.Answer("Gerai");
    theirs.UserClick("btRecalcCostSum");
    user.Answer("Gerai");
    theirs.UserClick("btReCheckSourceDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(Snapshot(c.Documents()), written);
    EXPECT_EQ(RowOf(c.mo1Row), "102.5000 102.5000 10.2500 0");
}
