#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/Catalogue.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/CSalesBySupplImpl.hpp"
#include "quarn/sales/SalesBySupplReference.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Talvex;

namespace {

// A row of the list as text, in the columns a test compares.
std::vector<std::string> ReadRows(DataList& list, const std::vector<std::string>& columns)
{
    list.Refresh();
    std::vector<std::string> rows;
    auto rs = list.Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        std::string line;
        for (const auto& c : columns) {
            const Value v = rs->Fields().Item(c).Value();
            std::string text = v.IsDate() ? v.ToDate().ToIso() : v.IsNull() ? "NULL" : v.ToText();
            if (v.IsNumber() && !v.IsDate()) text = v.ToDecimal().ToFixed(2);
            line += (line.empty() ? "" : "|") + text;
        }
        rows.push_back(line);
    }
    return rows;
}

// A small world of pay-on-sale purchases and their sales, made inside the caller's
// transaction.
struct PayOnSaleWorld {
    explicit PayOnSaleWorld(Data::Connection& db) : db_(db)
    {
        db.Execute("INSERT INTO REFClientMarketGr (Code, Name, PayTerm) VALUES ('MG30x', 'Thirty', 30)");
        db.Execute("INSERT INTO REFClient (Code, Name, IsGroup) VALUES (?, 'Consigners', 1)", {Value(kGroup)});
        db.Execute("INSERT INTO REFClient (Code, Name, Parent, MarketGrCode) VALUES (?, ?, ?, 'MG30x')",
                   {Value(kVendor), Value("O'Hara; -- /* x"), Value(kGroup)});
        db.Execute("INSERT INTO REFClient (Code, Name, Parent) VALUES ('ZS2', 'No group vendor', ?)", {Value(kGroup)});
        db.Execute("INSERT INTO REFGood (Code, Name) VALUES ('ZG1', 'Chair'), ('ZG2', 'Table')");

        const long p1 = Document("PISF", "2026-05-02", "P-1", 1, kVendor, 1);
        const long p1a = Row(p1, 1, "ZG1", "3", "10.00");
        const long p1b = Row(p1, 2, "ZG2", "0", "5.00");
        const long p2 = Document("PISF", "2026-05-02", "P-2", 1, kVendor, 0);
        const long p2a = Row(p2, 1, "ZG1", "1", "7.00");
        const long p3 = Document("PISF", "2026-05-03", "P-3", 1, "ZS2", 1);
        const long p3a = Row(p3, 1, "ZG1", "2", "9.00");

        const long o1 = Document("PRSF", "2026-05-10", "O-1", 1, "", -1);
        const long o1a = Row(o1, 1, "ZG1", "3", "40.00");
        const long o1b = Row(o1, 2, "ZG2", "1", "20.00");
        const long o1c = Row(o1, 3, "ZG1", "2", "30.00");
        Fix(p1a, o1a, "2");
        Fix(p2a, o1a, "1"); // bought without pay-on-sale terms: not owed on sale
        Fix(p1b, o1b, "1");
        Fix(p3a, o1c, "2");
        const long unposted = Document("PRSF", "2026-05-11", "O-2", 0, "", -1);
        Fix(p1a, Row(unposted, 1, "ZG1", "1", "10.00"), "1");
        const long later = Document("PRSF", "2026-06-05", "O-3", 1, "", -1);
        Fix(p1a, Row(later, 1, "ZG1", "1", "10.00"), "1");
    }

    // payOnSell -1: no purchase extension (a sale).
    long Document(const char* type, const char* date, const char* number, int posted, const std::string& vendor,
                  int payOnSell)
    {
        const long id = static_cast<long>(
            db_.QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted, CurrencyCode) "
                              "VALUES ($1, $2::date, $3, $4, 'EUR') RETURNING IDC",
                              {Value(type), Value(date), Value(number), Value(posted)})
                .rows.at(0)
                .at(0)
                .ToInteger());
        if (payOnSell >= 0) {
            db_.QueryPostgres("INSERT INTO THDocumentPISF (DocID, IsPayOnSell) VALUES ($1, $2)",
                              {Value(static_cast<std::int64_t>(id)), Value(payOnSell)});
            db_.QueryPostgres("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyCode) "
                              "VALUES ($1, 'PISF', 'PAR', $2)",
                              {Value(static_cast<std::int64_t>(id)), Value(vendor)});
        }
        return id;
    }
    long Row(long doc, int pos, const char* good, const char* amount, const char* summa)
    {
        return static_cast<long>(
            db_.QueryPostgres(
                   "INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, "
                   "Summa) VALUES ($1, $2, $3, 'VNT', $4::numeric, $4::numeric, $5::numeric) RETURNING IDC",
                   {Value(static_cast<std::int64_t>(doc)), Value(pos), Value(good), Value(amount), Value(summa)})
                .rows.at(0)
                .at(0)
                .ToInteger());
    }
    void Fix(long income, long outcome, const char* amount)
    {
        db_.QueryPostgres(
            "INSERT INTO THGoodSpecFixLog (IncomeSpecID, OutcomeSpecID, Amount) VALUES ($1, $2, "
            "$3::numeric)",
            {Value(static_cast<std::int64_t>(income)), Value(static_cast<std::int64_t>(outcome)), Value(amount)});
    }

    static constexpr const char* kGroup = "ZSG";
    static constexpr const char* kVendor = "Z'S1;--";
    Data::Connection& db_;
};

const std::vector<std::string> kColumns{"GoodCode",     "Name",     "AmountAccount", "Price",      "Summa",
                                        "CurrencyCode", "PRSFDate", "PRSFNumber",    "PISFNumber", "NeedPayDate"};

class SalesBySuppl : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("sales_by_suppl_tester"); }
    std::shared_ptr<Book> book;
};

} // namespace

TEST_F(SalesBySuppl, OwesThePurchasePriceOfWhatWasSoldDueTheGroupTermAfterTheSale)
{
    Data::Transaction tx(book->Db());
    PayOnSaleWorld world(book->Db());
    Quarn_DuzAde::CSalesBySupplImpl impl;
    impl.Init(book);

    // 10.00 for 3: the unit price shows rounded (3.33), the sum owed is the exact unit price
    // times 2, rounded once (6.67, not 6.66). A row bought at quantity 0 is owed nothing. The
    // quantity bought without pay-on-sale terms, the unposted sale and the sale after the
    // period are left out.
    auto one = impl.SaleBySupplList(PayOnSaleWorld::kVendor, false, Date(2026, 5, 1), Date(2026, 5, 31));
    EXPECT_EQ(ReadRows(*one, kColumns),
              (std::vector<std::string>{"ZG1|Chair|2.00|3.33|6.67|EUR|2026-05-10|O-1|P-1|2026-06-09",
                                        "ZG2|Table|1.00|0.00|0.00|EUR|2026-05-10|O-1|P-1|2026-06-09"}));

    // A supplier without a market group is due on the sale date; a group takes every supplier
    // under it.
    auto group = impl.SaleBySupplList(PayOnSaleWorld::kGroup, true, Date(2026, 5, 1), Date(2026, 5, 31));
    EXPECT_EQ(ReadRows(*group, kColumns),
              (std::vector<std::string>{"ZG1|Chair|2.00|3.33|6.67|EUR|2026-05-10|O-1|P-1|2026-06-09",
                                        "ZG2|Table|1.00|0.00|0.00|EUR|2026-05-10|O-1|P-1|2026-06-09",
                                        "ZG1|Chair|2.00|4.50|9.00|EUR|2026-05-10|O-1|P-3|2026-05-10"}));

    // The period's end counts; the next sale falls inside a period reaching June.
    auto june = impl.SaleBySupplList(PayOnSaleWorld::kVendor, false, Date(2026, 5, 10), Date(2026, 6, 5));
    EXPECT_EQ(ReadRows(*june, {"PRSFNumber", "Summa"}), (std::vector<std::string>{"O-1|6.67", "O-1|0.00", "O-3|3.33"}));

    // Sales per purchase invoice, for the invoices asked for only; none asked, none given.
    const long p3 = static_cast<long>(
        book->Db().Query("SELECT IDC FROM THDocument WHERE Number = 'P-3'").rows.at(0).at(0).ToInteger());
    auto onSale = impl.SupplOnSale(PayOnSaleWorld::kGroup, true, std::nullopt, Date(2026, 12, 31), {p3});
    EXPECT_EQ(ReadRows(*onSale, {"PRSFNumber", "ClntCode", "AmountAccount", "Summa"}),
              (std::vector<std::string>{"O-1|ZS2|2.00|9.00"}));
    // Only the quantities fixed under the categories asked for count.
    book->Db().Execute("UPDATE THGoodSpecFixLog SET FixCategory = 'Z;C''1' WHERE IncomeSpecID IN (SELECT IDC FROM "
                       "THGoodSpec WHERE DocID = ?)",
                       {Value(static_cast<std::int64_t>(p3))});
    auto inCategory =
        impl.SupplOnSale(PayOnSaleWorld::kGroup, true, std::nullopt, Date(2026, 12, 31), {p3}, "Z;C'1,Z2");
    EXPECT_EQ(ReadRows(*inCategory, {"PRSFNumber", "Summa"}), (std::vector<std::string>{"O-1|9.00"}));
    auto otherCategory = impl.SupplOnSale(PayOnSaleWorld::kGroup, true, std::nullopt, Date(2026, 12, 31), {p3}, "Z2");
    EXPECT_TRUE(ReadRows(*otherCategory, {"PRSFNumber"}).empty());
    auto none = impl.SupplOnSale(PayOnSaleWorld::kGroup, true, std::nullopt, Date(2026, 12, 31), {});
    EXPECT_TRUE(ReadRows(*none, {"PRSFNumber"}).empty());

    // No supplier, or a period that ends before it begins, is refused naming the field.
    EXPECT_THROW(impl.SaleBySupplList("", false, Date(2026, 5, 1), Date(2026, 5, 31)), ValueError);
    try {
        (void)impl.SaleBySupplList(PayOnSaleWorld::kVendor, false, Date(2026, 5, 31), Date(2026, 5, 1));
        FAIL() << "a reversed period was accepted";
    } catch (const ValueError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("EndDate:", 0), 0U) << e.what();
    }
}

TEST_F(SalesBySuppl, TotalsOfTheDemoCompanyEqualAnIndependentSum)
{
    // The group holding the most pay-on-sale suppliers of the demo company, and the year.
    auto& db = book->Db();
    const auto pick = db.QueryPostgres(R"sql(
        SELECT c.Parent, count(DISTINCT c.Code)
        FROM THDocumentPISF a JOIN THPartyAttribute p ON p.DocID = a.DocID AND p.RolePartyCode = 'PAR'
        JOIN REFClient c ON c.Code = p.PartyCode
        WHERE a.IsPayOnSell = 1 AND c.Parent IS NOT NULL
        GROUP BY c.Parent ORDER BY 2 DESC, 1 LIMIT 1)sql");
    ASSERT_EQ(pick.rows.size(), 1U);
    const std::string group = pick.rows[0].at(0).ToText();

    const auto expected = db.QueryPostgres(Testing::kPayOnSaleSalesOfSupplierGroup,
                                           {Value(group), Value(Date(2026, 1, 1)), Value(Date(2026, 12, 31))});
    ASSERT_FALSE(expected.rows.empty()) << "the demo company sells nothing bought on pay-on-sale terms";
    Decimal expectedAmount;
    Currency expectedSumma;
    for (const auto& row : expected.rows) {
        expectedAmount = expectedAmount + row.at(2).ToDecimal();
        expectedSumma = expectedSumma + row.at(4).ToCurrency();
    }

    Quarn_DuzAde::CSalesBySupplImpl impl;
    impl.Init(book);
    auto list = impl.SaleBySupplList(group, true, Date(2026, 1, 1), Date(2026, 12, 31));
    list->Refresh();
    auto rs = list->Recordset();
    Decimal amount;
    Currency summa;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        amount = amount + rs->Fields().Item("AmountAccount").Value().ToDecimal();
        summa = summa + rs->Fields().Item("Summa").Value().ToCurrency();
    }
    EXPECT_EQ(rs->RecordCount(), static_cast<std::int64_t>(expected.rows.size()));
    EXPECT_EQ(amount, expectedAmount);
    EXPECT_EQ(summa, expectedSumma);
}

TEST_F(SalesBySuppl, RunsByNameAsksForTheSupplierAndRefusesBadInputAtTheControl)
{
    const std::string vendor =
        book->Db()
            .QueryPostgres("SELECT min(p.PartyCode) FROM THDocumentPISF a JOIN THPartyAttribute p "
                           "ON p.DocID = a.DocID AND p.RolePartyCode = 'PAR' "
                           "WHERE a.IsPayOnSell = 1")
            .rows.at(0)
            .at(0)
            .ToText();
    auto run = [&](const std::string& answers, FieldList& out) {
        Testing::ScriptedUser user(answers);
        ClientApp app(user.Session());
        ClientApp::Scope scope(app);
        auto object = Quarn_DuzAde::CreateObject("Quarn_DuzAde.CSalesBySuppl");
        auto* report = dynamic_cast<Quarn_DuzAde::IReportExec*>(object.get());
        EXPECT_NE(report, nullptr);
        FieldList in;
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        report->SetVisual(true);
        const bool done = report->Run(in, out);
        return std::make_tuple(done, user.MessageTexts(), user.ErrorsText());
    };

    FieldList out;
    const auto [done, messages, errors] =
        run("frmSalesBySupply.cbClient = " + vendor +
                "\nfrmSalesBySupply.edBegDate = 2026-01-01\nfrmSalesBySupply.edEndDate = 2026-12-31\n"
                "frmSalesBySupply.btOk click\n",
            out);
    ASSERT_TRUE(done) << errors;
    EXPECT_EQ(out.Item("ClientCode").GetValue().ToText(), vendor);
    EXPECT_FALSE(out.Item("ClientName").GetValue().ToText().empty());
    EXPECT_EQ(out.Item("BegDate").GetValue(), Value(Date(2026, 1, 1)));
    auto list = std::dynamic_pointer_cast<DataList>(out.Item("DataList").GetValue().ToObject());
    ASSERT_NE(list, nullptr);
    list->Refresh();
    EXPECT_GT(list->Recordset()->RecordCount(), 0);

    // A reversed period: refused naming the end date; the form stays open and is cancelled.
    FieldList reversedOut;
    const auto [reversedDone, reversedMessages, reversedErrors] =
        run("frmSalesBySupply.cbClient = " + vendor +
                "\nfrmSalesBySupply.edBegDate = 2026-06-01\nfrmSalesBySupply.edEndDate = 2026-03-31\n"
                "frmSalesBySupply.btOk click\nmessage Gerai\nfrmSalesBySupply.btCancel click\n",
            reversedOut);
    EXPECT_FALSE(reversedDone);
    ASSERT_EQ(reversedMessages.size(), 1U) << reversedErrors;
    EXPECT_EQ(reversedMessages[0].rfind("edEndDate:", 0), 0U) << reversedMessages[0];
    EXPECT_FALSE(reversedOut.ExistsField("DataList"));

    // No supplier: refused naming the supplier selector.
    FieldList emptyOut;
    const auto [emptyDone, emptyMessages, emptyErrors] =
        run("frmSalesBySupply.btOk click\nmessage Gerai\nfrmSalesBySupply.btCancel click\n", emptyOut);
    EXPECT_FALSE(emptyDone);
    ASSERT_EQ(emptyMessages.size(), 1U) << emptyErrors;
    EXPECT_EQ(emptyMessages[0].rfind("cbClient:", 0), 0U) << emptyMessages[0];
}
