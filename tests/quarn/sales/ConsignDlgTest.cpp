#include "quarn/sales/ConsignDlg.hpp"
#include "host/data/Connection.hpp"
#include "host/erp/documents/THPaymentDocument.hpp"
#include "host/erp/documents/THPaymentDocumentDlg.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

using namespace Talvex;
using Quarn_DuzAde::ConsignDlg;

namespace {

constexpr const char* kEditor = Erp::THPaymentDocumentDlg::kFormName;
constexpr const char* kPayList = Erp::THPaymentDocumentDlg::kList;
static_assert(std::string_view(kEditor) == "frmPaymentDoc" && std::string_view(kPayList) == "grdPayedDocs",
              "the answers below name the editor's window and list");
// What a payment touches; a deleted payment must leave each as it was. The issued numbers
// (THDocNumberIssued) stay issued: a number once given is never given again.
constexpr const char* kAffectedTables[] = {"THDocument", "THPartyAttribute", "THPaySpec", "THDocPayTermState"};

class ConsignWorkingList : public ::testing::Test {
protected:
    void SetUp() override
    {
        Quarn_DuzAde::Startup();
        book = Testing::OpenDemoBook("consign_list_tester");
        book->SetToday(Date(2026, 6, 30));
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    }
    void TearDown() override
    {
        if (form) form->Unload();
        dialog.reset();
        form.reset();
        tx.reset();
        scripted.reset();
    }

    Data::ResultSet Sql(const std::string& sql, const std::vector<Value>& args = {})
    {
        return book->Db().QueryPostgres(sql, args);
    }
    std::int64_t Count(const std::string& sql, const std::vector<Value>& args = {})
    {
        return Sql(sql, args).rows.at(0).at(0).ToInteger();
    }

    // Each affected table as one digest of all its rows.
    std::map<std::string, std::string> Snapshot()
    {
        std::map<std::string, std::string> digests;
        for (const char* table : kAffectedTables)
            digests[table] = Sql(std::string("SELECT count(*) || ':' || COALESCE(md5(string_agg(t::text, '|' ORDER BY "
                                             "t::text)), '') FROM ") +
                                 table + " t")
                                 .rows.at(0)
                                 .at(0)
                                 .ToText();
        return digests;
    }

    // A vendor whose code and name hold a quote, a semicolon and a comment marker, in a market
    // group of its own, with two purchases of 10 for 100.00 (term 30 days, bought 2026-05-04
    // and 2026-06-20), 4 of the first sold. On 2026-06-30 the first is due (rest 60, sold 40),
    // the second not: 100.00 to pay.
    void AddVendor()
    {
        Sql("INSERT INTO REFClientMarketGr (Code, Name, PayTerm) VALUES ('Z''G;--', 'Odd', 0)");
        Sql("INSERT INTO REFClient (Code, Name, MarketGrCode) VALUES ($1, 'O''Hara; -- x', 'Z''G;--')",
            {Value(kVendor)});
        first = Purchase("ZC-1", "2026-05-04");
        second = Purchase("ZC-2", "2026-06-20");
        const auto sale = Sql("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted) VALUES "
                              "('PRSF', '2026-05-10', 'ZC-S', 1) RETURNING IDC")
                              .rows.at(0)
                              .at(0);
        const auto out = Sql("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, "
                             "Summa) VALUES ($1, 1, 'P000001', 'VNT', 4, 4, 60) RETURNING IDC",
                             {sale})
                             .rows.at(0)
                             .at(0);
        Sql("INSERT INTO THGoodSpecFixLog (IncomeSpecID, OutcomeSpecID, Amount) VALUES ($1, $2, 4)",
            {Value(firstRow), out});
        params.Add("MarketGroup", FieldType::kText, Value(std::string("Z'G;--")));
    }

    std::int64_t Purchase(const char* number, const char* date)
    {
        const auto doc = Sql("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted) "
                             "VALUES ('PISF', $1::date, $2, 100, 1) RETURNING IDC",
                             {Value(std::string(date)), Value(std::string(number))})
                             .rows.at(0)
                             .at(0);
        Sql("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) VALUES ($1, "
            "'PISF', 'PAR', 1, $2)",
            {doc, Value(kVendor)});
        const auto row = Sql("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, "
                             "Summa) VALUES ($1, 1, 'P000001', 'VNT', 10, 10, 100) RETURNING IDC",
                             {doc})
                             .rows.at(0)
                             .at(0);
        if (firstRow == 0) firstRow = row.ToInteger();
        Sql("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES ($1, 30, 100)", {doc});
        return doc.ToInteger();
    }

    // The user's answers, all given before the list opens; steps are played in order as the
    // windows they answer wait.
    Testing::ScriptedUser& Script(const std::string& answers)
    {
        scripted = std::make_unique<Testing::ScriptedUser>(answers);
        return *scripted;
    }

    // The list opened in the dialog engine as CConsign opens it, but modeless, so that the
    // test acts for the user and looks at the list in between.
    ConsignDlg& Open()
    {
        form = std::make_unique<ConsignDlg>();
        dialog = std::make_unique<Ui::BaseDialog>();
        form->Init(*dialog, params);
        dialog->Init(*form, nullptr, Value());
        EXPECT_TRUE(dialog->RunForm(false, true, nullptr));
        return *form;
    }

    // The vendor's row after a refresh.
    std::size_t Refresh(ConsignDlg& f, const std::string& vendor)
    {
        f.UserClick("btRefresh");
        for (std::size_t i = 0; i < f.Rows().size(); ++i)
            if (f.Rows()[i].debt.vendCode == vendor) return i;
        ADD_FAILURE() << vendor << " is not listed";
        return 0;
    }

    void Command(ConsignDlg& f, std::size_t row, const char* key)
    {
        f.UserSetCurrentCell(ConsignDlg::kList, static_cast<long>(row), "VendCode");
        f.UserChooseMenu(ConsignDlg::kList, key);
    }

    static constexpr const char* kVendor = "Z'V;--";
    std::shared_ptr<Book> book;
    std::unique_ptr<Data::Transaction> tx;
    FieldList params;
    std::unique_ptr<Testing::ScriptedUser> scripted;
    std::unique_ptr<ConsignDlg> form;
    std::unique_ptr<Ui::BaseDialog> dialog;
    std::int64_t first = 0, second = 0, firstRow = 0;
};

TEST_F(ConsignWorkingList, APaymentMadeEditedAndDeletedLinksWhatWasChosenAndLeavesNothing)
{
    tx = std::make_unique<Data::Transaction>(book->Db());
    AddVendor();
    const auto before = Snapshot();
    // The payment offers the need to pay; 60.00 of it pays the first purchase. Opened again,
    // it pays 10.00 of the second purchase too.
    auto& user = Script("frmPaymentDoc.edSumma = 100\n"
                        "frmPaymentDoc.grdPayedDocs edit 1 PaySum = 60\n"
                        "frmPaymentDoc.btSave click\n"
                        "frmPaymentDoc.edSumma = 110\n"
                        "frmPaymentDoc.grdPayedDocs edit 2 PaySum = 10\n"
                        "frmPaymentDoc.btSave click\n");
    auto& f = Open();
    const std::size_t row = Refresh(f, kVendor);
    ASSERT_EQ(f.Rows().size(), 1U);
    const auto& debt = f.Rows()[row].debt;
    EXPECT_EQ(debt.vendName, "O'Hara; -- x");
    EXPECT_EQ(debt.restForPay, Currency::FromInteger(60));
    EXPECT_EQ(debt.saleForPay, Currency::FromInteger(40));
    EXPECT_EQ(debt.rest, Currency::FromInteger(160));
    EXPECT_EQ(debt.needPay, Currency::FromInteger(100));
    // The list prints as "ConsignRep", the vendor's name made safe in the page.
    f.UserClick("btUsePrint");
    const auto& prints = user.Session().Prints();
    ASSERT_EQ(prints.size(), 1U) << user.ErrorsText();
    EXPECT_EQ(prints[0].reportCode, "ConsignRep");
    EXPECT_NE(prints[0].html.find("O&#39;Hara; -- x"), std::string::npos);
    EXPECT_NE(prints[0].html.find("100.00"), std::string::npos);

    Command(f, row, "PMT");
    ASSERT_EQ(user.ErrorsText(), "");
    const std::int64_t payment = f.Rows()[row].payDocId;
    ASSERT_NE(payment, 0);
    const std::string number =
        Sql("SELECT Number FROM THDocument WHERE IDC = $1", {Value(payment)}).rows.at(0).at(0).ToText();
    EXPECT_EQ(f.Rows()[row].payDocInfo, "MP #" + number + "    100.00 EUR");
    EXPECT_NE(f.Rows()[row].payedDocs.find("60.00"), std::string::npos) << f.Rows()[row].payedDocs;
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(payment)}), 1);
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1 AND CorDocID = $2 AND Summa = 60",
                    {Value(payment), Value(first)}),
              1);
    EXPECT_EQ(Count("SELECT count(*) FROM THPartyAttribute WHERE DocID = $1 AND RolePartyCode = 'GAV' AND "
                    "PartyCode = $2",
                    {Value(payment), Value(std::string(kVendor))}),
              1);

    // Again on the row: the same payment opens.
    Command(f, row, "PMT");
    ASSERT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(f.Rows()[row].payDocId, payment);
    EXPECT_EQ(Count("SELECT count(*) FROM THDocument WHERE DocTypeCode = 'MP' AND IDC IN (SELECT DocID FROM "
                    "THPartyAttribute WHERE PartyCode = $1)",
                    {Value(std::string(kVendor))}),
              1);
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(payment)}), 2);
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1 AND CorDocID = $2 AND Summa = 10",
                    {Value(payment), Value(second)}),
              1);
    EXPECT_EQ(f.Rows()[row].payDocInfo, "MP #" + number + "    110.00 EUR");

    // A refresh keeps the payment on its row, so a third "make a payment" cannot double it.
    EXPECT_EQ(f.Rows()[Refresh(f, kVendor)].payDocId, payment);

    // Deleted: the row is clear and the tables are as they were.
    Command(f, row, "DELPMT");
    ASSERT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(f.Rows()[row].payDocId, 0);
    EXPECT_EQ(f.Rows()[row].payDocInfo, "");
    EXPECT_EQ(f.Rows()[row].payedDocs, "");
    EXPECT_EQ(Snapshot(), before);
    // Without a payment, deleting does nothing.
    Command(f, row, "DELPMT");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(f.Rows()[Refresh(f, kVendor)].payDocId, 0);
}

TEST_F(ConsignWorkingList, RefusedInputIsNamedAtItsControlAndWritesNothing)
{
    tx = std::make_unique<Data::Transaction>(book->Db());
    AddVendor();
    const auto before = Snapshot();
    // A sum of 0, then lines above the sum: each refused at its control; cancelled at last,
    // nothing is written. Then the list's own refusal and its empty message.
    auto& user = Script("frmPaymentDoc.edSumma = 0\n"
                        "frmPaymentDoc.btSave click\n"
                        "message Gerai\n"
                        "frmPaymentDoc.edSumma = 50\n"
                        "frmPaymentDoc.grdPayedDocs edit 1 PaySum = 60\n"
                        "frmPaymentDoc.btSave click\n"
                        "message Gerai\n"
                        "frmPaymentDoc.btCancel click\n"
                        "message Gerai\n"
                        "message Gerai\n");
    auto& f = Open();
    const std::size_t row = Refresh(f, kVendor);
    Command(f, row, "PMT");
    const auto messages = user.MessageTexts();
    ASSERT_EQ(messages.size(), 2U) << user.ErrorsText();
    EXPECT_EQ(messages[0], std::string(kEditor) + ".edSumma: the sum paid must be above 0");
    EXPECT_EQ(messages[1].rfind(std::string(kEditor) + "." + kPayList + ": the documents paid (60.00)", 0), 0U)
        << messages[1];
    EXPECT_EQ(f.Rows()[row].payDocId, 0);
    EXPECT_EQ(Snapshot(), before);

    // The list's own control: a category too long.
    f.UserInput("seFixCategory", Value(std::string("A,TOO-LONG-CATEGORY")));
    f.UserClick("btRefresh");
    ASSERT_EQ(user.MessageTexts().size(), 3U);
    EXPECT_EQ(user.MessageTexts()[2].rfind("ConsignDlg.seFixCategory: the category 'TOO-LONG-CATEGORY'", 0), 0U)
        << user.MessageTexts()[2];
    EXPECT_FALSE(f.Ctl("seFixCategory").Refusal().empty());
    f.UserInput("seFixCategory", Value(std::string("")));
    // A day before the vendor's first purchase: nothing to list, and the user is told so.
    f.UserInput("edRepDate", Value(Date(2026, 5, 1)));
    f.UserClick("btRefresh");
    EXPECT_TRUE(f.Rows().empty());
    ASSERT_EQ(user.MessageTexts().size(), 4U);
    EXPECT_EQ(user.MessageTexts()[3], "No vendor has goods taken on consignment by 2026-05-01.");
    EXPECT_EQ(user.ErrorsText(), "");
}

TEST_F(ConsignWorkingList, AFailureWhileWritingThePaymentLeavesNothingOfIt)
{
    tx = std::make_unique<Data::Transaction>(book->Db());
    AddVendor();
    const auto before = Snapshot();
    // The editor stays open after the failure; the user cancels, and pays again later.
    auto& user = Script("frmPaymentDoc.grdPayedDocs edit 1 PaySum = 60\n"
                        "frmPaymentDoc.grdPayedDocs edit 2 PaySum = 40\n"
                        "frmPaymentDoc.btSave click\n"
                        "frmPaymentDoc.btCancel click\n"
                        "frmPaymentDoc.grdPayedDocs edit 1 PaySum = 60\n"
                        "frmPaymentDoc.btSave click\n");
    auto& f = Open();
    const std::size_t row = Refresh(f, kVendor);
    // The header, payee and both links are written when the failure comes.
    f.SetPaymentEditorHook([](Erp::THPaymentDocumentDlg& editor) {
        editor.SetBeforeCommit([] { throw ValueError("the line to the bank went down"); });
    });
    Command(f, row, "PMT");
    EXPECT_NE(user.ErrorsText().find("Payment to \"Z'V;--\" not written: the line to the bank went down"),
              std::string::npos)
        << user.ErrorsText();
    EXPECT_EQ(f.Rows()[row].payDocId, 0);
    EXPECT_EQ(Snapshot(), before);

    // Once the line is back, the same row makes its payment.
    f.SetPaymentEditorHook({});
    Command(f, row, "PMT");
    EXPECT_NE(f.Rows()[row].payDocId, 0);
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(f.Rows()[row].payDocId)}), 1);
}

// Removes payments by their ids when it goes, each with its payee and lines: for the test
// whose two sessions commit.
struct PaymentCleanup {
    std::shared_ptr<Book> book;
    std::vector<std::int64_t> ids;
    ~PaymentCleanup()
    {
        for (const std::int64_t id : ids) {
            try {
                Erp::THPaymentDocument doc(book);
                doc.Load(id);
                doc.Delete();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "payment " << id << " not removed: " << e.what();
            }
        }
    }
};

TEST_F(ConsignWorkingList, TwoSessionsPayingTheSameVendorAtOnceEachGetTheirOwnPayment)
{
    // Both sessions commit, as they do in use: a demo vendor, its own open purchases, and both
    // payments removed at the end, after which the tables are as they were.
    const std::string vendor = "T00001";
    params.Add("MarketGroup", FieldType::kText, Value(std::string("VND")));
    const auto payable = ConsignDlg::PayedDocList(book, vendor);
    ASSERT_GE(payable.size(), 2U);
    ASSERT_GE(payable[0].restPaySum, Currency::FromInteger(10));
    ASSERT_GE(payable[1].restPaySum, Currency::FromInteger(10));
    const auto before = Snapshot();
    auto other = Testing::OpenDemoBook("consign_other_session");
    PaymentCleanup cleanup{other, {}};

    // The second document is the second row of the list as the editor shows it.
    auto& user = Script("frmPaymentDoc.edSumma = 10\n"
                        "frmPaymentDoc.grdPayedDocs edit 2 PaySum = 10\n"
                        "frmPaymentDoc.btSave click\n");
    auto& f = Open();
    const std::size_t row = Refresh(f, vendor);
    std::atomic<bool> mineDone{false};
    {
        // The other session has written its payment of the first document and not committed
        // yet; it commits once this session waits on it (or is done without waiting).
        Data::Transaction theirs(other->Db());
        Erp::THPaymentDocument payment(other);
        payment.New(vendor, Currency::FromInteger(10));
        payment.SetLines({{payable[0].idc, Currency::FromInteger(10)}});
        cleanup.ids.push_back(payment.Save());
        auto watcher = Testing::OpenDemoBook("consign_watcher");
        std::thread commitWhenWaited([&] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
            while (!mineDone && std::chrono::steady_clock::now() < deadline) {
                const auto waiting = watcher->Db().QueryPostgres(
                    "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND "
                    "wait_event_type = 'Lock'");
                if (waiting.rows.at(0).at(0).ToInteger() > 0) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            theirs.Commit();
        });
        Command(f, row, "PMT");
        mineDone = true;
        commitWhenWaited.join();
    }
    EXPECT_EQ(user.ErrorsText(), "");
    const std::int64_t mine = f.Rows()[row].payDocId;
    ASSERT_NE(mine, 0);
    cleanup.ids.push_back(mine);
    ASSERT_NE(mine, cleanup.ids[0]);
    const auto numbers =
        Sql("SELECT Number FROM THDocument WHERE IDC IN ($1, $2) ORDER BY IDC", {Value(cleanup.ids[0]), Value(mine)});
    ASSERT_EQ(numbers.rows.size(), 2U);
    EXPECT_NE(numbers.rows[0].at(0).ToText(), numbers.rows[1].at(0).ToText());
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1 AND CorDocID = $2 AND Summa = 10",
                    {Value(mine), Value(payable[1].idc)}),
              1);
    EXPECT_EQ(Count("SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(mine)}), 1);

    // Deleting this session's payment from the list, then the other's, gives the tables back.
    Command(f, row, "DELPMT");
    EXPECT_EQ(user.ErrorsText(), "");
    cleanup.ids.pop_back();
    {
        Erp::THPaymentDocument theirs(other);
        theirs.Load(cleanup.ids[0]);
        theirs.Delete();
        cleanup.ids.clear();
    }
    EXPECT_EQ(Snapshot(), before);
}

} // namespace
