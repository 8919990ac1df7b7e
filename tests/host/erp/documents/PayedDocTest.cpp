#include "host/data/Connection.hpp"
#include "host/erp/documents/CPayedDoc.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPartyAttributeObject.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Data::Connection;
using Talvex::Erp::CPayedDoc;
using Talvex::Erp::PartyRow;
using Talvex::Erp::THDocumentObject;
using Talvex::Erp::THPartyAttributeObject;

namespace {

constexpr const char* kClient = "ZZ-SETOFF";
constexpr const char* kOtherClient = "ZZ-SETOFF-2";

std::int64_t One(Connection& db, const std::string& sql, const std::vector<Value>& params = {})
{
    auto rs = db.QueryPostgres(sql, params);
    return rs.rows.at(0).at(0).IsNull() ? 0 : rs.rows.at(0).at(0).ToInteger();
}

std::int64_t AddDocument(Connection& db, const char* type, const char* date, const char* summa, int posted,
                         const char* role, const char* client, const char* currency)
{
    const auto idc = One(db,
                         "INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted, CurrencyCode) "
                         "VALUES ($1::varchar, $2::date, $1::varchar || '-T', $3::numeric, $4::smallint, $5::varchar) "
                         "RETURNING IDC",
                         {Value(type), Value(date), Value(summa), Value(posted), Value(currency)});
    db.QueryPostgres("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
                     "VALUES ($1, $2, $3, 1, $4)",
                     {Value(idc), Value(type), Value(role), Value(client)});
    return idc;
}

// The links the set-off document should get, worked out from the base tables: each open
// receivable of the client in due order takes what is left of the set-off sum.
std::map<std::int64_t, Currency> ExpectedLinks(Connection& db, const std::string& client, const std::string& amount)
{
    auto rs = db.QueryPostgres(R"sql(
        WITH o AS (
            SELECT d.IDC, d.DocumentDate,
                   COALESCE((SELECT min(d.DocumentDate + t.PayTerm) FROM THDocumentPayTerm t WHERE t.DocID = d.IDC),
                            d.DocumentDate) AS Due,
                   d.Summa - COALESCE((SELECT sum(ps.SummaCur) FROM THPaySpec ps WHERE ps.CorDocID = d.IDC), 0) AS Open
            FROM THDocument d
            WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN')
              AND EXISTS (SELECT 1 FROM THPartyAttribute p
                          WHERE p.DocID = d.IDC AND p.RolePartyCode = 'PIR' AND p.PartyCode = $1)),
        r AS (SELECT o.*, sum(Open) OVER (ORDER BY Due, DocumentDate, IDC) AS Through FROM o WHERE Open > 0)
        SELECT IDC, LEAST(Open, GREATEST(0, $2::numeric - (Through - Open))) FROM r
        WHERE LEAST(Open, GREATEST(0, $2::numeric - (Through - Open))) > 0)sql",
                               {Value(client), Value(amount)});
    std::map<std::int64_t, Currency> expected;
    for (const auto& row : rs.rows)
        expected[row.at(0).ToInteger()] = row.at(1).ToCurrency();
    return expected;
}

std::map<std::int64_t, Currency> LinksOf(Connection& db, std::int64_t setOffId)
{
    auto rs = db.QueryPostgres("SELECT CorDocID, SummaCur, Summa FROM THPaySpec WHERE DocID = $1", {Value(setOffId)});
    std::map<std::int64_t, Currency> links;
    for (const auto& row : rs.rows) {
        EXPECT_EQ(links.count(row.at(0).ToInteger()), 0u) << "two links to document " << row.at(0).ToInteger();
        links[row.at(0).ToInteger()] = row.at(1).ToCurrency();
    }
    return links;
}

struct SetOffFixture {
    std::shared_ptr<Talvex::Book> book;
    std::int64_t a = 0, b = 0, c = 0, payable = 0, unposted = 0, otherClients = 0;

    explicit SetOffFixture(std::shared_ptr<Talvex::Book> openBook) : book(std::move(openBook))
    {
        auto& db = book->Db();
        book->SetToday(Date(2026, 3, 15));
        db.QueryPostgres("INSERT INTO REFClient (Code, Name) VALUES ($1, 'Set-off client'), ($2, 'Other client')",
                         {Value(kClient), Value(kOtherClient)});
        const std::string eur = book->AccountCurrency();
        // A: 100 due on its date, 30 already paid. B: older, but due 60 days on. C: a credit note.
        a = AddDocument(db, "PRSF", "2026-01-10", "100", 1, "PIR", kClient, eur.c_str());
        const auto payment = AddDocument(db, "MPP", "2026-01-20", "30", 1, "MOK", kClient, eur.c_str());
        db.QueryPostgres("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES ($1, $2, 30, 30)",
                         {Value(payment), Value(a)});
        b = AddDocument(db, "PRSF", "2026-01-05", "50", 1, "PIR", kClient, eur.c_str());
        db.QueryPostgres("INSERT INTO THDocumentPayTerm (DocID, PayTerm, Summa) VALUES ($1, 60, 50)", {Value(b)});
        c = AddDocument(db, "SCN", "2026-02-01", "80", 1, "PIR", kClient, eur.c_str());
        // Not to be touched: the payables side, an unposted invoice, another client's invoice.
        payable = AddDocument(db, "PISF", "2026-01-01", "40", 1, "PAR", kClient, eur.c_str());
        unposted = AddDocument(db, "PRSF", "2026-01-01", "20", 0, "PIR", kClient, eur.c_str());
        otherClients = AddDocument(db, "PRSF", "2026-01-01", "60", 1, "PIR", kOtherClient, eur.c_str());
    }

    std::int64_t NewSetOff(THDocumentObject& doc, const char* summa, int isKredit = 0)
    {
        doc.New("SUSM");
        doc.Fields("Number") = doc.NextNumber();
        doc.Fields("Summa") = Currency::Parse(summa);
        doc.Fields("IsKredit") = isKredit;
        return doc.Save();
    }
};

} // namespace

TEST(PayedDoc, LinksOldestDueFirstNeverBeyondOpenAndOnlyOnce)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction tx(db);
    SetOffFixture fx(book);

    // 120 against open 70 (A, due 10 Jan), 80 (C, due 1 Feb), 50 (B, due 6 Mar).
    THDocumentObject first(book);
    const auto firstId = fx.NewSetOff(first, "120");
    const auto expectedFirst = ExpectedLinks(db, kClient, "120");
    ASSERT_EQ(expectedFirst.size(), 2u);
    EXPECT_EQ(expectedFirst.at(fx.a), Currency::FromInteger(70));
    CPayedDoc payed;
    payed.Init(first);
    EXPECT_EQ(payed.SetGoodDoc(true, kClient), Currency::FromInteger(120));
    EXPECT_EQ(LinksOf(db, firstId), expectedFirst);

    // Again: the sum is used up, nothing more is written.
    const auto linksBefore = One(db, "SELECT count(*) FROM THPaySpec");
    EXPECT_EQ(payed.SetGoodDoc(true, kClient), Currency());
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec"), linksBefore);

    // More than is open: each document gets exactly what the first set-off left on it.
    THDocumentObject second(book);
    const auto secondId = fx.NewSetOff(second, "500");
    const auto expectedSecond = ExpectedLinks(db, kClient, "500");
    payed.Init(second);
    EXPECT_EQ(payed.SetGoodDoc(true, kClient), Currency::FromInteger(80));
    EXPECT_EQ(LinksOf(db, secondId), expectedSecond);
    EXPECT_EQ(payed.SetGoodDoc(true, kClient), Currency());
    EXPECT_EQ(LinksOf(db, secondId), expectedSecond);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec WHERE CorDocID IN ($1, $2, $3) AND DocID IN ($4, $5)",
                  {Value(fx.payable), Value(fx.unposted), Value(fx.otherClients), Value(firstId), Value(secondId)}),
              0);
    // No receivable of the client is linked beyond its total.
    EXPECT_EQ(One(db,
                  "SELECT count(*) FROM THDocument d WHERE d.IDC IN ($1, $2, $3) AND d.Summa < "
                  "(SELECT sum(ps.SummaCur) FROM THPaySpec ps WHERE ps.CorDocID = d.IDC)",
                  {Value(fx.a), Value(fx.b), Value(fx.c)}),
              0);

    // The payables side links only the invoice where the client is the seller.
    THDocumentObject payables(book);
    const auto payablesId = fx.NewSetOff(payables, "15", 1);
    payed.Init(payables);
    EXPECT_EQ(payed.SetGoodDoc(true, kClient), Currency::FromInteger(15));
    EXPECT_EQ(LinksOf(db, payablesId), (std::map<std::int64_t, Currency>{{fx.payable, Currency::FromInteger(15)}}));
}

TEST(PayedDoc, ForeignCurrencyDocumentIsLinkedAtLatestDefaultRate)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction tx(db);
    SetOffFixture fx(book);
    // One unit of ZZC: 4 in the accounting currency on the set-off date (15 Mar); a rate of
    // another type and a later rate do not count.
    db.QueryPostgres("INSERT INTO REFRateType (Code, Name) VALUES ('ZZT', 'Test'), ('ZZO', 'Other')");
    db.QueryPostgres("INSERT INTO REFCurrency (Code, Name, DefaultRateType) VALUES ('ZZC', 'Test', 'ZZT')");
    db.QueryPostgres("INSERT INTO REFCurrencyRate (CurrencyCode, RateTypeCode, DateApply, Rate) VALUES "
                     "('ZZC', 'ZZT', '2026-01-01', 2), ('ZZC', 'ZZT', '2026-03-01', 4), "
                     "('ZZC', 'ZZO', '2026-03-10', 5), ('ZZC', 'ZZT', '2026-06-01', 8)");
    const auto foreign = AddDocument(db, "PRSF", "2026-01-01", "10", 1, "PIR", kOtherClient, "ZZC");
    const auto later = AddDocument(db, "PRSF", "2026-01-02", "3", 1, "PIR", kOtherClient, "ZZC");

    // 60 (the other client's invoice in the accounting currency, 1 Jan, IDC before) first,
    // then 25 of the foreign invoice's 40: 6.25 ZZC at 4.
    THDocumentObject doc(book);
    const auto id = fx.NewSetOff(doc, "85");
    CPayedDoc payed;
    payed.Init(doc);
    EXPECT_EQ(payed.SetGoodDoc(true, kOtherClient), Currency::FromInteger(85));
    auto rs = db.QueryPostgres("SELECT CorDocID, Summa, SummaCur FROM THPaySpec WHERE DocID = $1 ORDER BY CorDocID",
                               {Value(id)});
    ASSERT_EQ(rs.rows.size(), 2u);
    EXPECT_EQ(rs.rows[0][0].ToInteger(), fx.otherClients);
    EXPECT_EQ(rs.rows[0][1].ToCurrency(), Currency::FromInteger(60));
    EXPECT_EQ(rs.rows[1][0].ToInteger(), foreign);
    EXPECT_EQ(rs.rows[1][1].ToCurrency(), Currency::FromInteger(25));
    EXPECT_EQ(rs.rows[1][2].ToCurrency(), Currency::Parse("6.25"));

    // A second set-off of 100 takes the rest: 3.75 ZZC (15) and the later invoice's 3 (12).
    THDocumentObject rest(book);
    const auto restId = fx.NewSetOff(rest, "100");
    payed.Init(rest);
    EXPECT_EQ(payed.SetGoodDoc(true, kOtherClient), Currency::FromInteger(27));
    rs = db.QueryPostgres("SELECT CorDocID, Summa, SummaCur FROM THPaySpec WHERE DocID = $1 ORDER BY CorDocID",
                          {Value(restId)});
    ASSERT_EQ(rs.rows.size(), 2u);
    EXPECT_EQ(rs.rows[0][0].ToInteger(), foreign);
    EXPECT_EQ(rs.rows[0][1].ToCurrency(), Currency::FromInteger(15));
    EXPECT_EQ(rs.rows[0][2].ToCurrency(), Currency::Parse("3.75"));
    EXPECT_EQ(rs.rows[1][0].ToInteger(), later);
    EXPECT_EQ(rs.rows[1][1].ToCurrency(), Currency::FromInteger(12));
    EXPECT_EQ(rs.rows[1][2].ToCurrency(), Currency::FromInteger(3));
}

TEST(PayedDoc, FaultInTheMiddleLeavesNothingOfTheUnit)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction tx(db);
    SetOffFixture fx(book);
    const auto documents = One(db, "SELECT count(*) FROM THDocument");
    const auto parties = One(db, "SELECT count(*) FROM THPartyAttribute");
    const auto links = One(db, "SELECT count(*) FROM THPaySpec");

    std::int64_t id = 0;
    {
        Talvex::Data::Transaction unit(db);
        THDocumentObject doc(book);
        id = fx.NewSetOff(doc, "50");
        THPartyAttributeObject partyWriter(book);
        partyWriter.Write(PartyRow{id, "SUSM", "PIR", 1, kClient});
        CPayedDoc payed;
        payed.Init(doc);
        ASSERT_EQ(payed.SetGoodDoc(true, kClient), Currency::FromInteger(50));
        ASSERT_GT(One(db, "SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(id)}), 0);
        EXPECT_THROW(partyWriter.Write(PartyRow{id, "SUSM", "PAR", 1, "NO-SUCH-CLIENT"}), Talvex::ValueError);
    }
    EXPECT_EQ(One(db, "SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(id)}), 0);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THDocument"), documents);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPartyAttribute"), parties);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec"), links);
}

TEST(PayedDoc, GivenDocumentsAreLinkedAsAskedOnceAndNeverBeyondWhatIsOpen)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction tx(db);
    SetOffFixture fx(book);

    // The caller's plan, not the oldest-first search: B (due last) before A, in part.
    THDocumentObject doc(book);
    const auto id = fx.NewSetOff(doc, "90");
    CPayedDoc payed;
    payed.Init(doc);
    payed.AddDocToPay(fx.b, Currency::FromInteger(50), Currency::FromInteger(50));
    payed.AddDocToPay(fx.a, Currency::FromInteger(40), Currency::FromInteger(40));
    EXPECT_EQ(payed.SetGoodDoc(true, kClient), Currency::FromInteger(90));
    EXPECT_EQ(LinksOf(db, id),
              (std::map<std::int64_t, Currency>{{fx.a, Currency::FromInteger(40)}, {fx.b, Currency::FromInteger(50)}}));
    // Asked again: both are linked already, nothing is written twice.
    EXPECT_EQ(payed.SetGoodDoc(true, kClient), Currency());
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(id)}), 2);

    // More than is open on A (30 left), or more than the set-off's sum: refused, nothing written.
    const auto links = One(db, "SELECT count(*) FROM THPaySpec");
    THDocumentObject second(book);
    fx.NewSetOff(second, "100");
    payed.Init(second);
    payed.AddDocToPay(fx.c, Currency::FromInteger(80), Currency::FromInteger(80));
    payed.AddDocToPay(fx.a, Currency::FromInteger(31), Currency::FromInteger(31));
    EXPECT_THROW(payed.SetGoodDoc(true, kClient), Talvex::ValueError);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec"), links);
    payed.Init(second);
    payed.AddDocToPay(fx.c, Currency::FromInteger(80), Currency::FromInteger(80));
    payed.AddDocToPay(fx.a, Currency::FromInteger(30), Currency::FromInteger(30));
    EXPECT_THROW(payed.SetGoodDoc(true, kClient), Talvex::ValueError);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec"), links);
    EXPECT_THROW(payed.AddDocToPay(fx.a, Currency(), Currency::FromInteger(1)), Talvex::ValueError);
}
