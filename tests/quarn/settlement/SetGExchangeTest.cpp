#include "host/data/ApplicationLock.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/documents/CExchangeDoc.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/AnswerScript.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/settlement/ExchangeClients.hpp"
#include "quarn/settlement/SetGExchangeReference.hpp"
#include "quarn/settlement/frmSetGExchange.hpp"
#include "quarn/settlement/BatchFormTest.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <thread>

using namespace Talvex;
using Quarn_DuzAde::frmSetGExchange;

namespace {

constexpr const char* kForm = "frmSetGExchange";

// A client of its own with debts in a currency of its own (ZZU, rates 0.90 from March,
// 0.92 from 1 April, 0.88 from 15 April 2026): a sale of 1000 (outgoing) paid 600 on
// 2 April and 300 on 16 April, and a purchase of 500 (incoming) not paid.
struct HandClient {
    std::string code;
    std::int64_t sale = 0;
    std::int64_t purchase = 0;
    std::int64_t firstPayment = 0;
    std::int64_t secondPayment = 0;
};

} // namespace

class SetGExchange : public Testing::BatchFormTest<frmSetGExchange> {
protected:
    static std::int64_t Insert(Data::Connection& db, const std::string& sql, const std::vector<Value>& args)
    {
        return db.QueryPostgres(sql, args).rows.at(0).at(0).ToInteger();
    }

    static void Currency(Data::Connection& db, const char* code, bool withRates)
    {
        db.QueryPostgres("INSERT INTO REFRateType (Code, Name) VALUES ($1, 'Test rates') ON CONFLICT DO NOTHING",
                         {Value(std::string(code) + "T")});
        db.QueryPostgres("INSERT INTO REFCurrency (Code, Name, DefaultRateType) VALUES ($1, 'Test', $2)",
                         {Value(code), Value(std::string(code) + "T")});
        if (!withRates) return;
        db.QueryPostgres("INSERT INTO REFCurrencyRate (CurrencyCode, RateTypeCode, DateApply, Rate) VALUES "
                         "($1, $2, '2026-03-01', 0.90), ($1, $2, '2026-04-01', 0.92), ($1, $2, '2026-04-15', 0.88)",
                         {Value(code), Value(std::string(code) + "T")});
    }

    static std::int64_t Document(Data::Connection& db, const char* type, const char* date, const char* summa,
                                 const char* currency, const char* role, const std::string& client)
    {
        const auto idc = Insert(db,
                                "INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted, "
                                "CurrencyCode) VALUES ($1::varchar, $2::date, $1 || '-' || $5::varchar || '-' || "
                                "$2, $3::numeric, 1, $4::varchar) RETURNING IDC",
                                {Value(type), Value(date), Value(summa), Value(currency), Value(client)});
        db.QueryPostgres("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
                         "VALUES ($1, $2, $3, 1, $4)",
                         {Value(idc), Value(type), Value(role), Value(client)});
        return idc;
    }

    static std::int64_t Pay(Data::Connection& db, const char* date, const char* summa, const char* currency,
                            std::int64_t target, const char* summaCur, const std::string& client)
    {
        const auto idc = Document(db, "MPPT", date, summa, currency, "MOK", client);
        db.QueryPostgres("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES ($1, $2, $3::numeric, "
                         "$4::numeric)",
                         {Value(idc), Value(target), Value(summa), Value(summaCur)});
        return idc;
    }

    static HandClient MakeClient(Data::Connection& db, const std::string& code, const char* paymentCurrency = "ZZU")
    {
        db.QueryPostgres("INSERT INTO REFClient (Code, Name) VALUES ($1, $2)",
                         {Value(code), Value("Hand client " + code + " 'quoted'; --")});
        HandClient c{code};
        c.sale = Document(db, "PRSF", "2026-03-02", "1000", "ZZU", "PIR", code);
        c.purchase = Document(db, "PISF", "2026-03-05", "500", "ZZU", "PAR", code);
        c.firstPayment = Pay(db, "2026-04-02", "600", paymentCurrency, c.sale, "600", code);
        c.secondPayment = Pay(db, "2026-04-16", "300", "ZZU", c.sale, "300", code);
        return c;
    }

    void Apply(frmSetGExchange& f, const std::string& from, const std::string& to)
    {
        f.UserInput("edDateBeg", Value(from));
        f.UserInput("edDateEnd", Value(to));
        f.UserClick("btApplay");
    }

    std::size_t RowOf(const frmSetGExchange& f, const std::string& code)
    {
        for (std::size_t row = 0; row < f.Rows().RowCount(); ++row)
            if (f.Rows().Get(row, "Code").ToText() == code) return row;
        ADD_FAILURE() << "no row of " << code;
        return 0;
    }

    std::int64_t ExchangeDocuments() { return Count("SELECT count(*) FROM THDocument WHERE DocTypeCode = 'BUSM'"); }
};

TEST_F(SetGExchange, ListHoldsTheClientsWithForeignDebtsOnBothSidesAsTheBaseTablesGiveThem)
{
    Currency(book->Db(), "ZZU", true);
    MakeClient(book->Db(), "!FX-A'; --");
    for (const auto& [from, to] : {std::pair{"2026-03-01", "2026-04-30"}, std::pair{"2025-01-01", "2026-06-30"}}) {
        auto& f = Open();
        Apply(f, from, to);
        ASSERT_EQ(user.ErrorsText(), "");
        std::map<std::string, std::pair<Talvex::Currency, Talvex::Currency>> listed;
        for (std::size_t row = 0; row < f.Rows().RowCount(); ++row) {
            listed[f.Rows().Get(row, "Code").ToText()] = {f.Rows().Get(row, "DebtIncom").ToCurrency(),
                                                          f.Rows().Get(row, "DebtOutcome").ToCurrency()};
            EXPECT_EQ(f.Rows().Get(row, "CurrencyCode").ToText(), "EUR");
            EXPECT_EQ(f.Rows().Get(row, "DocID").ToInteger(), 0);
        }
        std::size_t expectedClients = 0;
        for (const auto& row : Sql(Testing::kForeignDebtOnBothSidesByClient, {Value(from), Value(to)}).rows) {
            ++expectedClients;
            const std::string client = row[0].ToText();
            auto it = listed.find(client);
            ASSERT_NE(it, listed.end()) << from << ": " << client << " not listed";
            // Terms are valued one by one: a cent a document may part.
            const auto tolerance = Talvex::Currency::Parse("0.01") * row[3].ToInteger();
            const auto near = [&](Talvex::Currency a, Talvex::Currency b) {
                return (a > b ? a - b : b - a) <= tolerance;
            };
            EXPECT_TRUE(near(it->second.first, row[1].ToCurrency())) << client << " in " << it->second.first.ToString();
            EXPECT_TRUE(near(it->second.second, row[2].ToCurrency())) << client << " out " << it->second.second.ToString();
        }
        EXPECT_EQ(listed.size(), expectedClients) << from;
        // The hand client: 500 bought at 0.90 (incoming 450.00); 100 of the sale open (90.00).
        ASSERT_TRUE(listed.count("!FX-A'; --"));
        EXPECT_EQ(listed["!FX-A'; --"].first, Talvex::Currency::FromInteger(450));
        EXPECT_EQ(listed["!FX-A'; --"].second, Talvex::Currency::FromInteger(90));
        form->Unload();
    }
}

TEST_F(SetGExchange, CreateBooksEachSettlementsDifferenceOnceLinkedToWhatItSettles)
{
    Currency(book->Db(), "ZZU", true);
    const auto c = MakeClient(book->Db(), "!FX-B/*");
    const auto before = ExchangeDocuments();
    auto& f = Open();
    Apply(f, "2026-03-01", "2026-04-30");
    const std::size_t row = RowOf(f, c.code);
    user.Answer("Gerai");
    f.UserClick("btCreateDocList");
    ASSERT_EQ(user.ErrorsText(), "");
    const std::int64_t idc = f.Rows().Get(row, "DocID").ToInteger();
    ASSERT_NE(idc, 0);
    EXPECT_EQ(f.Rows().Get(row, "Doc").ToText().substr(0, 10), "BUSM-2026-");
    // 600 in at 0.92 for 0.90 booked: +12.00; 300 in at 0.88: -6.00.
    const auto header = Sql("SELECT Summa, DocumentDate, CurrencyCode, IsKredit, IsPosted FROM THDocument WHERE IDC = $1",
                            {Value(idc)})
                            .rows.at(0);
    EXPECT_EQ(header[0].ToCurrency(), Talvex::Currency::FromInteger(6));
    EXPECT_EQ(header[1].ToDate(), Date(2026, 4, 30));
    EXPECT_EQ(header[2].ToText(), "EUR");
    EXPECT_EQ(header[3].ToInteger(), 0); // incoming 450 is the larger side
    EXPECT_EQ(header[4].ToInteger(), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM THPartyAttribute WHERE DocID = $1 AND PartyCode = $2 AND RolePartyCode = "
                    "'PIR'",
                    {Value(idc), Value(c.code)}),
              1);
    const auto lines = Sql("SELECT PayDocID, CorDocID, SummaCur, BookedSumma, PaidSumma, Summa FROM "
                           "THExchangeDiffSpec WHERE DocID = $1 ORDER BY PayDocID",
                           {Value(idc)})
                           .rows;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][0].ToInteger(), c.firstPayment);
    EXPECT_EQ(lines[0][1].ToInteger(), c.sale);
    EXPECT_EQ(lines[0][3].ToCurrency(), Talvex::Currency::FromInteger(540));
    EXPECT_EQ(lines[0][4].ToCurrency(), Talvex::Currency::FromInteger(552));
    EXPECT_EQ(lines[0][5].ToCurrency(), Talvex::Currency::FromInteger(12));
    EXPECT_EQ(lines[1][0].ToInteger(), c.secondPayment);
    EXPECT_EQ(lines[1][5].ToCurrency(), Talvex::Currency::FromInteger(-6));
    // The settled documents' debts are not touched: the sale still has 100 open.
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1 OR CorDocID = $1", {Value(idc)}), 0);
    const auto written = ExchangeDocuments();
    EXPECT_GE(written, before + 1);
    EXPECT_EQ(user.MessageTexts().back(),
              "Documents \"Exchange difference\" created: " + std::to_string(written - before) + ".");

    // A second run of the operation finds the client's document and books nothing again.
    form->Unload();
    auto& again = Open();
    Apply(again, "2026-03-01", "2026-04-30");
    EXPECT_EQ(again.Rows().Get(RowOf(again, c.code), "DocID").ToInteger(), idc);
    user.Answer("Gerai");
    again.UserClick("btCreateDocList");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(ExchangeDocuments(), written);
    EXPECT_EQ(user.MessageTexts().back(), "Documents \"Exchange difference\" created: 0.");
    // Even the component asked directly has nothing left to book for the period.
    Erp::CExchangeDoc component(book);
    EXPECT_FALSE(component.Create(c.code, false, "EUR", Date(2026, 4, 30), Date(2026, 3, 1), Date(2026, 4, 30)));
    EXPECT_TRUE(component.Settlements(c.code, Date(2026, 3, 1), Date(2026, 4, 30)).empty());
}

TEST_F(SetGExchange, AFailureBookingOneClientLeavesNothingOfItAndTheRunGoesOn)
{
    Currency(book->Db(), "ZZU", true);
    Currency(book->Db(), "ZZX", false);
    // The middle client's first payment came in a currency without rates: its difference
    // cannot be worked out after the header would have been begun.
    const auto a = MakeClient(book->Db(), "!FX-C1");
    const auto b = MakeClient(book->Db(), "!FX-C2'", "ZZX");
    const auto c = MakeClient(book->Db(), "!FX-C3");
    auto& f = Open();
    Apply(f, "2026-03-01", "2026-04-30");
    ASSERT_EQ(user.ErrorsText(), "");
    user.Answer("Gerai");
    f.UserClick("btCreateDocList");
    EXPECT_NE(user.ErrorsText().find("Exchange-difference document of client \"!FX-C2'\" not written: the payment "
                                     "of document PRSF-!FX-C2'-2026-03-02 has no rate of its date 2026-04-02"),
              std::string::npos)
        << user.ErrorsText();
    EXPECT_EQ(f.Rows().Get(RowOf(f, b.code), "DocID").ToInteger(), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM THPartyAttribute p JOIN THDocument d ON d.IDC = p.DocID WHERE "
                    "d.DocTypeCode = 'BUSM' AND p.PartyCode = $1",
                    {Value(b.code)}),
              0);
    EXPECT_EQ(Count("SELECT count(*) FROM THExchangeDiffSpec WHERE CorDocID = $1", {Value(b.sale)}), 0);
    for (const auto* other : {&a, &c}) {
        EXPECT_NE(f.Rows().Get(RowOf(f, other->code), "DocID").ToInteger(), 0) << other->code;
        EXPECT_EQ(Count("SELECT count(*) FROM THExchangeDiffSpec WHERE CorDocID = $1", {Value(other->sale)}), 2);
    }
}

TEST_F(SetGExchange, DeleteRemovesUnpostedDocumentsWithTheirLinesAndFreesTheSettlements)
{
    Currency(book->Db(), "ZZU", true);
    const auto a = MakeClient(book->Db(), "!FX-D1");
    const auto b = MakeClient(book->Db(), "!FX-D2");
    auto& f = Open();
    Apply(f, "2026-03-01", "2026-04-30");
    user.Answer("Gerai");
    f.UserClick("btCreateDocList");
    ASSERT_EQ(user.ErrorsText(), "");
    const auto docA = f.Rows().Get(RowOf(f, a.code), "DocID").ToInteger();
    const auto docB = f.Rows().Get(RowOf(f, b.code), "DocID").ToInteger();
    Sql("UPDATE THDocument SET IsPosted = 1 WHERE IDC = $1", {Value(docB)});

    auto& list = f.ListCtl("grdList");
    std::vector<long> selected;
    for (long row = 0; row < static_cast<long>(list.RowCount()); ++row) {
        const std::string code = list.Cell(static_cast<std::size_t>(row), "Code").ToText();
        if (code == a.code || code == b.code) selected.push_back(row);
    }
    f.UserSelectRows("grdList", selected);
    f.UserChooseMenu("grdList", "DeleteDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(f.Rows().Get(RowOf(f, a.code), "DocID").ToInteger(), 0);
    EXPECT_EQ(f.Rows().Get(RowOf(f, a.code), "Doc").ToText(), "");
    EXPECT_EQ(Count("SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(docA)}), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM THExchangeDiffSpec WHERE DocID = $1", {Value(docA)}), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM THPartyAttribute WHERE DocID = $1", {Value(docA)}), 0);
    // The posted one stays with its row.
    EXPECT_EQ(f.Rows().Get(RowOf(f, b.code), "DocID").ToInteger(), docB);
    EXPECT_EQ(Count("SELECT count(*) FROM THExchangeDiffSpec WHERE DocID = $1", {Value(docB)}), 2);
    // The first client's settlements can be booked again.
    Erp::CExchangeDoc component(book);
    EXPECT_EQ(component.Settlements(a.code, Date(2026, 3, 1), Date(2026, 4, 30)).size(), 2u);
}

TEST_F(SetGExchange, ARefusedPeriodKeepsTheListAndAnEmptyPeriodSaysSo)
{
    Currency(book->Db(), "ZZU", true);
    const auto a = MakeClient(book->Db(), "!FX-E");
    auto& f = Open();
    Apply(f, "2026-03-01", "2026-04-30");
    const std::size_t rows = f.Rows().RowCount();
    ASSERT_GE(rows, 1u);
    f.UserInput("edDateBeg", Value("2026-05-01"));
    f.UserClick("btApplay");
    EXPECT_NE(user.ErrorsText().find("edDateEnd: the period ends (2026-04-30) before it starts (2026-05-01)"),
              std::string::npos)
        << user.ErrorsText();
    EXPECT_EQ(f.Rows().RowCount(), rows);

    // Nothing foreign is dated in a far future week: the list says it is empty and offers no action.
    user.Answer("Gerai");
    Apply(f, "2027-06-01", "2027-06-07");
    EXPECT_EQ(f.Rows().RowCount(), 0u);
    EXPECT_EQ(user.MessageTexts().back(), "The data list is empty.");
    EXPECT_FALSE(f.Ctl("btCreateDocList").Enabled());
    EXPECT_FALSE(f.Ctl("btDeleteDoc").Enabled());
}

TEST_F(SetGExchange, EditBooksTheMissingDocumentAndOpensIt)
{
    Currency(book->Db(), "ZZU", true);
    const auto a = MakeClient(book->Db(), "!FX-F");
    auto& f = Open();
    Apply(f, "2026-03-01", "2026-04-30");
    auto& list = f.ListCtl("grdList");
    for (long row = 0; row < static_cast<long>(list.RowCount()); ++row)
        if (list.Cell(static_cast<std::size_t>(row), "Code").ToText() == a.code) f.UserSetCurrentCell("grdList", row, "Code");
    const auto before = ExchangeDocuments();
    f.UserClick("btEditDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    const auto idc = f.Rows().Get(RowOf(f, a.code), "DocID").ToInteger();
    ASSERT_NE(idc, 0);
    EXPECT_EQ(ExchangeDocuments(), before + 1);
    ASSERT_FALSE(user.DocumentsOpened().empty());
    EXPECT_EQ(user.DocumentsOpened().back().docType, "BUSM");
    EXPECT_EQ(user.DocumentsOpened().back().idc, idc);
    f.UserClick("btEditDoc");
    EXPECT_EQ(ExchangeDocuments(), before + 1);
}

// Two sessions commit here: the hand data is committed and removed again at the end.
TEST_F(SetGExchange, ASessionBookingTheSameClientAtOnceIsWaitedForNotDoubled)
{
    tx.reset();
    auto other = Testing::OpenDemoBook("exchange_other_session");
    struct Cleanup {
        Data::Connection& db;
        ~Cleanup()
        {
            db.QueryPostgres("DELETE FROM THDocument WHERE IDC IN (SELECT DocID FROM THPartyAttribute WHERE "
                             "PartyCode = '!FX-G')");
            db.QueryPostgres("DELETE FROM THPaySpec WHERE CorDocID NOT IN (SELECT IDC FROM THDocument)");
            db.QueryPostgres("DELETE FROM THPartyAttribute WHERE PartyCode = '!FX-G'");
            db.QueryPostgres("DELETE FROM REFClient WHERE Code = '!FX-G'");
            db.QueryPostgres("DELETE FROM REFCurrencyRate WHERE CurrencyCode = 'ZZU'");
            db.QueryPostgres("DELETE FROM REFCurrency WHERE Code = 'ZZU'");
            db.QueryPostgres("DELETE FROM REFRateType WHERE Code = 'ZZUT'");
        }
    } cleanup{other->Db()};
    {
        Data::Transaction setup(other->Db());
        Currency(other->Db(), "ZZU", true);
        MakeClient(other->Db(), "!FX-G");
        setup.Commit();
    }
    auto& mine = Open();
    Apply(mine, "2026-03-01", "2026-04-30");
    const std::size_t row = RowOf(mine, "!FX-G");
    auto& list = mine.ListCtl("grdList");
    for (long r = 0; r < static_cast<long>(list.RowCount()); ++r)
        if (list.Cell(static_cast<std::size_t>(r), "Code").ToText() == "!FX-G") mine.UserSetCurrentCell("grdList", r, "Code");

    const auto myPid = book->Db().QueryPostgres("SELECT pg_backend_pid()").rows[0][0].ToInteger();
    std::int64_t theirs = 0;
    {
        // The other session is booking the same client; it commits once this session waits.
        auto theirLock = std::make_unique<Data::SessionLock>(other->Db(), Erp::CExchangeDoc::kWritingLock);
        auto unit = std::make_unique<Data::Transaction>(other->Db());
        Erp::CExchangeDoc component(other);
        ASSERT_TRUE(component.Create("!FX-G", false, "EUR", Date(2026, 4, 30), Date(2026, 3, 1), Date(2026, 4, 30)));
        theirs = component.Doc().IDC();
        std::thread commitLater([&] {
            auto watch = Testing::OpenDemoDatabase();
            while (watch.QueryPostgres("SELECT count(*) FROM pg_locks WHERE pid = $1 AND NOT granted", {Value(myPid)})
                       .rows[0][0]
                       .ToInteger() == 0)
                std::this_thread::yield();
            unit->Commit();
            theirLock.reset();
        });
        mine.UserClick("btEditDoc");
        commitLater.join();
    }
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(mine.Rows().Get(row, "DocID").ToInteger(), theirs);
    EXPECT_EQ(Count("SELECT count(*) FROM THDocument d JOIN THPartyAttribute p ON p.DocID = d.IDC WHERE "
                    "d.DocTypeCode = 'BUSM' AND p.PartyCode = '!FX-G'"),
              1);
    EXPECT_EQ(Count("SELECT count(*) FROM THExchangeDiffSpec WHERE DocID = $1", {Value(theirs)}), 2);
}

TEST_F(SetGExchange, RunsByNameUnderAScriptedUserCreatingThenDeleting)
{
    Currency(book->Db(), "ZZU", true);
    MakeClient(book->Db(), "!FX-H");
    const auto before = ExchangeDocuments();
    const Ui::AnswerScript script = Ui::AnswerScript::Parse("frmSetGExchange.edDateBeg = 2026-03-01\n"
                                                           "frmSetGExchange.edDateEnd = 2026-04-30\n"
                                                           "frmSetGExchange.btApplay click\n"
                                                           "frmSetGExchange.grdList menu CreateDoc\n"
                                                           "message Gerai\n"
                                                           "frmSetGExchange.grdList select all\n"
                                                           "frmSetGExchange.grdList menu DeleteDoc\n"
                                                           "frmSetGExchange close\n");
    for (const auto& step : script.Steps()) {
        switch (step.verb) {
        case Ui::ScriptVerb::Set: user.Set(step.form, step.control, step.text); break;
        case Ui::ScriptVerb::Click: user.Click(step.form, step.control); break;
        case Ui::ScriptVerb::Menu: user.Menu(step.form, step.control, step.text); break;
        case Ui::ScriptVerb::Answer: user.Answer(step.text); break;
        case Ui::ScriptVerb::Select: user.Select(step.form, step.control, step.rows); break;
        case Ui::ScriptVerb::Close: user.Close(step.form); break;
        default: FAIL() << step.ToText();
        }
    }
    auto& scripted = user;
    auto object = Quarn_DuzAde::CreateObject("Quarn_DuzAde.CSetGExchange");
    auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get());
    ASSERT_NE(report, nullptr);
    report->SetVisual(true);
    FieldList out;
    EXPECT_FALSE(report->Run(params, out));
    EXPECT_EQ(scripted.ErrorsText(), "");
    EXPECT_TRUE(scripted.Remaining().empty());
    ASSERT_EQ(scripted.ProgressRuns().size(), 2u);
    EXPECT_GE(scripted.ProgressRuns()[0].stepsDone, 1);
    EXPECT_EQ(ExchangeDocuments(), before);
    EXPECT_EQ(Count("SELECT count(*) FROM THExchangeDiffSpec x WHERE NOT EXISTS (SELECT 1 FROM THDocument d WHERE "
                    "d.IDC = x.DocID)"),
              0);
}
