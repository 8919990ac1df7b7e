#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Decimal.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/settlement/ArrangementPayTermReference.hpp"
#include "quarn/settlement/frmArrangementPayTerm.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace Talvex;
using Quarn_DuzAde::ArrangedInvoice;
using Quarn_DuzAde::frmArrangementPayTerm;
using Quarn_DuzAde::PayTermState;

namespace {

constexpr const char* kVendor = "Z'A1;--";

std::string Cents(Currency amount)
{
    return Decimal::FromCurrency(amount).ToFixed(2);
}

// "date sum paid state" per term of an invoice, in due-date order.
std::vector<std::string> TermsOf(const ArrangedInvoice& invoice)
{
    auto terms = invoice.terms;
    std::stable_sort(terms.begin(), terms.end(),
                     [](const auto& a, const auto& b) { return a.needPayDate < b.needPayDate; });
    std::vector<std::string> out;
    for (const auto& t : terms)
        out.push_back(t.needPayDate.ToIso() + " " + Cents(t.needPaySumma) + " " + Cents(t.paySumma) + " " +
                      std::to_string(static_cast<long>(t.state)));
    return out;
}

// One session's arrangement form, run under a scripted user; it stays alive after the run.
struct Arrangement {
    Arrangement(std::shared_ptr<Book> book, const std::string& answers) : user(answers)
    {
        param.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        form.Init(dialog, param);
        dialog.Init(form, nullptr, Value());
        dialog.RunForm(false, false);
    }
    const ArrangedInvoice& Invoice(const std::string& number) const
    {
        for (const auto& inv : form.Invoices())
            if (inv.docNumber == number) return inv;
        throw ValueError("no invoice " + number + " is arranged");
    }
    Testing::ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope scope{app};
    FieldList param;
    frmArrangementPayTerm form;
    Ui::BaseDialog dialog;
};

class ArrangementPayTerm : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("pay_term_arranger");
        book->SetToday(Date(2026, 6, 30));
    }
    Data::ResultSet Sql(const std::string& sql, const std::vector<Value>& args = {})
    {
        return book->Db().QueryPostgres(sql, args);
    }
    std::int64_t Id(const Data::ResultSet& rs) { return rs.rows.at(0).at(0).ToInteger(); }

    // A pay-on-sale invoice of the vendor with stored terms (days, sum), one goods row of its
    // whole sum and quantity 10; returns its id and the row's.
    std::pair<std::int64_t, std::int64_t> Invoice(const char* number, const char* date, const char* summa,
                                                  std::vector<std::pair<int, const char*>> terms)
    {
        const auto id = Id(Sql("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted, "
                               "CurrencyCode) VALUES ('PISF', $1::date, $2, $3::numeric, 1, 'EUR') RETURNING IDC",
                               {Value(date), Value(number), Value(summa)}));
        Sql("INSERT INTO THDocumentPISF (DocID, IsPayOnSell) VALUES ($1, 1)", {Value(id)});
        Sql("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyCode) VALUES ($1, 'PISF', "
            "'PAR', $2)",
            {Value(id), Value(kVendor)});
        const auto row =
            Id(Sql("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, "
                   "AmountAccount, Summa) VALUES ($1, 1, 'ZA-G', 'VNT', 10, 10, $2::numeric) RETURNING IDC",
                   {Value(id), Value(summa)}));
        for (const auto& [days, sum] : terms)
            Sql("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES ($1, $2, $3::numeric)",
                {Value(id), Value(days), Value(sum)});
        return {id, row};
    }
    // A posted sale of the date taking the quantity from a purchase row.
    void Sale(const char* date, std::int64_t purchaseRow, const char* amount)
    {
        const auto id = Id(Sql("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted) VALUES "
                               "('PRSF', $1::date, 'ZA-S', 1) RETURNING IDC",
                               {Value(date)}));
        const auto row = Id(Sql("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, "
                                "AmountAccount, Summa) VALUES ($1, 1, 'ZA-G', 'VNT', $2::numeric, $2::numeric, 1) "
                                "RETURNING IDC",
                                {Value(id), Value(amount)}));
        Sql("INSERT INTO THGoodSpecFixLog (IncomeSpecID, OutcomeSpecID, Amount) VALUES ($1, $2, $3::numeric)",
            {Value(purchaseRow), Value(row), Value(amount)});
    }
    void Payment(std::int64_t invoice, const char* date, const char* summa)
    {
        const auto id = Id(Sql("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted) VALUES "
                               "('MP', $1::date, 'ZA-P', $2::numeric, 1) RETURNING IDC",
                               {Value(date), Value(summa)}));
        Sql("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES ($1, $2, $3::numeric, $3::numeric)",
            {Value(id), Value(invoice), Value(summa)});
    }
    void World()
    {
        Sql("INSERT INTO REFClientMarketGr (Code, Name, PayTerm) VALUES ('ZA30', 'Thirty', 30)");
        Sql("INSERT INTO REFClient (Code, Name, MarketGrCode) VALUES ($1, 'Arranged; -- vendor', 'ZA30')",
            {Value(kVendor)});
        Sql("INSERT INTO REFGood (Code, Name) VALUES ('ZA-G', 'Arranged good')");
    }
    std::vector<std::string> Stored(std::int64_t invoice)
    {
        std::vector<std::string> out;
        for (const auto& r :
             Sql("SELECT PayTerm, Summa FROM THDocumentPayTerm WHERE DocID = $1 ORDER BY PayTerm", {Value(invoice)})
                 .rows)
            out.push_back(std::to_string(r.at(0).ToInteger()) + " " + Cents(r.at(1).ToCurrency()));
        return out;
    }

    std::shared_ptr<Book> book;
};

const char* kOpenMay = "frmArrangementPayTerm.cbClient = Z'A1;--\nfrmArrangementPayTerm.edDate = 2026-05-20\n"
                       "frmArrangementPayTerm.edPeriod = M\nfrmArrangementPayTerm.btRefresh click\n";

} // namespace

TEST_F(ArrangementPayTerm, APartlyPaidInvoiceIsArrangedAtTheGridAndSavedOnceAsArranged)
{
    Data::Transaction tx(book->Db());
    World();
    // 100 on 2026-05-04: 40 after 10 days, 60 after 30; 30 paid; 3 of 10 sold in May (30.00).
    const auto [invoice, row] = Invoice("ZA-1", "2026-05-04", "100", {{10, "40"}, {30, "60"}});
    Sale("2026-05-10", row, "3");
    Sale("2026-04-30", row, "1"); // before the invoice's month: sold, but not in the period
    Payment(invoice, "2026-05-12", "30");

    Arrangement run(book, std::string(kOpenMay) +
                              // The first term up to 70: the other gives way.
                              "frmArrangementPayTerm.PayTermList edit 2 NeedPaySumma = 70\n"
                              // A new term: a Saturday, a used date and a zero sum are refused.
                              "frmArrangementPayTerm.PayTermList cell 1 DocNumber\n"
                              "frmArrangementPayTerm.PayTermList menu mkAddTerm\n"
                              "frmSelectPayTerm.edRepDate = 2026-05-16\nfrmSelectPayTerm.edSumma = 10\n"
                              "frmSelectPayTerm.btOk click\nmessage OK\n"
                              "frmSelectPayTerm.edRepDate = 2026-05-14\nfrmSelectPayTerm.btOk click\nmessage Gerai\n"
                              "frmSelectPayTerm.edRepDate = 2026-05-18\nfrmSelectPayTerm.edSumma = 0\n"
                              "frmSelectPayTerm.btOk click\nmessage OK\n"
                              "frmSelectPayTerm.edSumma = 10\nfrmSelectPayTerm.btOk click\n"
                              "frmArrangementPayTerm.btSave click\nmessage Gerai\n"
                              "frmArrangementPayTerm.btClose click\n");
    ASSERT_EQ(run.user.ErrorsText(), "");
    const auto messages = run.user.MessageTexts();
    ASSERT_EQ(messages.size(), 4U);
    EXPECT_EQ(messages[0].rfind("edRepDate: 2026-05-16 is a Saturday", 0), 0U) << messages[0];
    EXPECT_EQ(messages[1], "edRepDate: the invoice already has a term on 2026-05-14 (PlanPaySumma 70.00).");
    EXPECT_EQ(messages[2].rfind("edSumma:", 0), 0U) << messages[2];
    EXPECT_EQ(messages[3], "Payment terms of 1 invoice(s) saved.");

    // Saved as arranged, adding up to the invoice's sum; read again, nothing is left to save.
    EXPECT_EQ(Stored(invoice), (std::vector<std::string>{"10 70.00", "14 10.00", "30 20.00"}));
    const ArrangedInvoice& saved = run.Invoice("ZA-1");
    EXPECT_EQ(Cents(saved.summaSell), "40.00");
    EXPECT_EQ(Cents(saved.summaSellOnPeriod), "30.00");
    EXPECT_EQ(Cents(saved.debtSumma), "70.00");
    EXPECT_EQ(TermsOf(saved), (std::vector<std::string>{"2026-05-14 70.00 30.00 0", "2026-05-18 10.00 0.00 0",
                                                        "2026-06-03 20.00 0.00 0"}));
    EXPECT_EQ(run.form.Save(), 0);
    EXPECT_EQ(Stored(invoice), (std::vector<std::string>{"10 70.00", "14 10.00", "30 20.00"}));

    // A stored term set to 0 is deleted on saving; its sum moves to the latest other term.
    run.form.EditTermSumma(2, Currency());
    EXPECT_EQ(run.form.Save(), 1);
    EXPECT_EQ(Stored(invoice), (std::vector<std::string>{"10 70.00", "30 30.00"}));
}

TEST_F(ArrangementPayTerm, AFaultWhileSavingAnInvoiceLeavesNothingOfItAndTheOthersAreSaved)
{
    Data::Transaction tx(book->Db());
    World();
    const auto first = Invoice("ZA-1", "2026-05-04", "100", {{10, "40"}, {30, "60"}}).first;
    const auto second = Invoice("ZA-2", "2026-05-05", "50", {{10, "50"}}).first;
    // The second write of the first invoice (its later term at 13.13) is refused by the database.
    book->Db().ExecutePostgresScript(R"sql(
        CREATE FUNCTION zz_refuse_term() RETURNS trigger LANGUAGE plpgsql AS $$
        BEGIN
            IF NEW.Summa = 13.13 THEN RAISE EXCEPTION 'the disk is full'; END IF;
            RETURN NEW;
        END $$;
        CREATE TRIGGER zz_refuse_term BEFORE INSERT OR UPDATE ON THDocumentPayTerm
            FOR EACH ROW EXECUTE FUNCTION zz_refuse_term();)sql");

    Arrangement run(book, kOpenMay);
    ASSERT_EQ(run.form.Invoices().size(), 2U);
    run.form.EditTermSumma(1, Currency::Parse("86.87")); // ZA-1: 86.87 and 13.13
    run.form.EditTermSumma(4, Currency::Parse("20"));    // ZA-2: 20 and a new 30
    EXPECT_EQ(run.form.Save(), 1);
    EXPECT_NE(run.user.ErrorsText().find("Payment terms of invoice ZA-1 not saved: "), std::string::npos)
        << run.user.ErrorsText();
    EXPECT_EQ(Stored(first), (std::vector<std::string>{"10 40.00", "30 60.00"}));
    EXPECT_EQ(Stored(second), (std::vector<std::string>{"10 20.00", "30 30.00"}));
    // The failed invoice keeps the user's arrangement, to be saved again.
    EXPECT_EQ(TermsOf(run.Invoice("ZA-1")),
              (std::vector<std::string>{"2026-05-14 86.87 0.00 2", "2026-06-03 13.13 0.00 2"}));
    EXPECT_EQ(TermsOf(run.Invoice("ZA-2")),
              (std::vector<std::string>{"2026-05-15 20.00 0.00 0", "2026-06-04 30.00 0.00 0"}));
}

TEST_F(ArrangementPayTerm, TermsChangedBySomeoneElseSinceTheyWereReadAreNotOverwritten)
{
    Data::Transaction tx(book->Db());
    World();
    const auto invoice = Invoice("ZA-1", "2026-05-04", "100", {{10, "40"}, {30, "60"}}).first;
    Arrangement run(book, kOpenMay);
    run.form.EditTermSumma(1, Currency::Parse("50"));
    // Another user's change, as this session sees it once it is committed.
    Sql("UPDATE THDocumentPayTerm SET Summa = 45 WHERE DocID = $1 AND PayTerm = 10", {Value(invoice)});
    Sql("UPDATE THDocumentPayTerm SET Summa = 55 WHERE DocID = $1 AND PayTerm = 30", {Value(invoice)});
    EXPECT_EQ(run.form.Save(), 0);
    EXPECT_NE(run.user.ErrorsText().find("another user changed them"), std::string::npos) << run.user.ErrorsText();
    EXPECT_EQ(Stored(invoice), (std::vector<std::string>{"10 45.00", "30 55.00"}));
}

TEST_F(ArrangementPayTerm, TwoSessionsSavingOneInvoiceTakeTurns)
{
    // A committed pay-on-sale invoice of the demo company with stored terms, open at the end of June.
    const auto pick = Sql(R"sql(
        SELECT d.IDC, p.PartyCode, d.DocumentDate FROM THDocument d
        JOIN THDocumentPISF a ON a.DocID = d.IDC AND a.IsPayOnSell = 1
        JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
        WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2026-01-01' AND '2026-06-30'
          AND (SELECT count(*) FROM THDocumentPayTerm t WHERE t.DocID = d.IDC) = 1
          AND d.Summa > 2 + COALESCE((SELECT sum(ps.SummaCur) FROM THPaySpec ps JOIN THDocument pd ON pd.IDC = ps.DocID
                                      WHERE ps.CorDocID = d.IDC AND pd.DocumentDate <= '2026-06-30'), 0)
        ORDER BY d.IDC LIMIT 1)sql");
    ASSERT_EQ(pick.rows.size(), 1U);
    const auto invoice = pick.rows[0].at(0).ToInteger();
    const std::string vendor = pick.rows[0].at(1).ToText();
    const Date date = pick.rows[0].at(2).ToDate();
    const auto before = Stored(invoice);

    auto other = Testing::OpenDemoBook("pay_term_arranger_other");
    other->SetToday(book->Today());
    Arrangement mine(book, "");
    Arrangement theirs(other, "");
    mine.form.Fill(vendor, date.FirstOfMonth(), date.LastOfMonth());
    theirs.form.Fill(vendor, date.FirstOfMonth(), date.LastOfMonth());
    auto termRow = [](const frmArrangementPayTerm& form, std::int64_t docId) {
        for (std::size_t r = 0; r < form.Rows().size(); ++r)
            if (form.Rows()[r].term >= 0 && form.Invoices()[form.Rows()[r].invoice].docId == docId)
                return static_cast<long>(r);
        return -1L;
    };
    ASSERT_GE(termRow(mine.form, invoice), 0);
    mine.form.EditTermSumma(termRow(mine.form, invoice), Currency::Parse("1"));
    theirs.form.EditTermSumma(termRow(theirs.form, invoice), Currency::Parse("2"));

    // Mine is saved inside a unit of work still open; theirs waits for it, and once mine is
    // undone finds the terms as it read them and saves its own.
    Data::Transaction mineOpen(book->Db());
    // Invoices whose stored terms do not add up to their sums are arranged on reading too.
    auto changed = [](const frmArrangementPayTerm& form) {
        return static_cast<int>(std::count_if(form.Invoices().begin(), form.Invoices().end(), [](const auto& inv) {
            return std::any_of(inv.terms.begin(), inv.terms.end(),
                               [](const auto& t) { return t.state != PayTermState::kUnchanged; });
        }));
    };
    const int theirsChanged = changed(theirs.form);
    const int mineChanged = changed(mine.form);
    ASSERT_GE(mineChanged, 1);
    ASSERT_EQ(mine.form.Save(), mineChanged);
    int theirsWritten = -1;
    std::vector<std::string> theirsStored;
    std::thread second([&] {
        Data::Transaction theirsOpen(other->Db());
        theirsWritten = theirs.form.Save();
        for (const auto& r : other->Db()
                                 .QueryPostgres("SELECT PayTerm, Summa FROM THDocumentPayTerm WHERE DocID = $1 "
                                                "ORDER BY PayTerm",
                                                {Value(invoice)})
                                 .rows)
            theirsStored.push_back(std::to_string(r.at(0).ToInteger()) + " " + Cents(r.at(1).ToCurrency()));
    });
    auto watcher = Testing::OpenDemoDatabase();
    while (watcher.QueryPostgres("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted")
               .rows.at(0)
               .at(0)
               .ToInteger() == 0)
        std::this_thread::yield();
    mineOpen.Rollback();
    second.join();
    EXPECT_EQ(theirsWritten, theirsChanged) << theirs.user.ErrorsText();
    ASSERT_EQ(theirsStored.size(), 2U);
    EXPECT_EQ(theirsStored[0].substr(theirsStored[0].find(' ')), " 2.00");
    // Both were undone: the demo company is as it was.
    EXPECT_EQ(Stored(invoice), before);
}

TEST_F(ArrangementPayTerm, InvoicesOfTheDemoCompanyAddUpAsAnIndependentSumDoes)
{
    const auto expected = Sql(Testing::kArrangedInvoicesOfLocalSuppliers);
    const auto& e = expected.rows.at(0);
    ASSERT_GT(e.at(0).ToInteger(), 0);

    Arrangement run(book, "");
    run.form.Fill("T-LT", Date(2026, 5, 1), Date(2026, 5, 31));
    Currency summa, debt, sold, inMay, terms;
    for (const auto& inv : run.form.Invoices()) {
        summa += inv.docSumma;
        debt += inv.debtSumma;
        sold += inv.summaSell;
        inMay += inv.summaSellOnPeriod;
        for (const auto& t : inv.terms)
            if (t.state != PayTermState::kDeleted) terms += t.needPaySumma;
    }
    EXPECT_EQ(static_cast<std::int64_t>(run.form.Invoices().size()), e.at(0).ToInteger());
    EXPECT_EQ(summa, e.at(1).ToCurrency());
    EXPECT_EQ(debt, e.at(2).ToCurrency());
    EXPECT_EQ(sold, e.at(3).ToCurrency());
    EXPECT_EQ(inMay, e.at(4).ToCurrency());
    // Arranged, the terms of every invoice add up to its sum.
    EXPECT_EQ(terms, summa);
}

TEST_F(ArrangementPayTerm, TheSalesBehindAnInvoiceAreListedInAllAndInsideThePeriod)
{
    Data::Transaction tx(book->Db());
    World();
    const auto [invoice, row] = Invoice("ZA-1", "2026-05-04", "100", {{10, "40"}, {30, "60"}});
    Sale("2026-05-10", row, "3");
    Sale("2026-04-30", row, "1");
    auto sales = [&](const char* key) {
        Arrangement run(book, std::string(kOpenMay) + "frmArrangementPayTerm.PayTermList cell 2 NeedPaySumma\n" +
                                  "frmArrangementPayTerm.PayTermList menu " + key + "\n");
        EXPECT_EQ(run.user.ErrorsText(), "");
        std::vector<std::string> rows;
        if (run.form.SalesListForm() == nullptr) return rows;
        const auto& grid = run.form.SalesListForm()->ListCtl("SpecGrid");
        for (std::size_t r = 0; r < grid.RowCount(); ++r)
            rows.push_back(grid.Cell(r, "PRSFDate").ToDate().ToIso() + " " + Cents(grid.Cell(r, "Summa").ToCurrency()));
        return rows;
    };
    EXPECT_EQ(sales("ShowListPRSF"), (std::vector<std::string>{"2026-04-30 10.00", "2026-05-10 30.00"}));
    EXPECT_EQ(sales("ShowListPRSFOnPeriod"), (std::vector<std::string>{"2026-05-10 30.00"}));
}
