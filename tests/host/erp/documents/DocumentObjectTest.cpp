#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPartyAttributeObject.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::ValueError;
using Talvex::Erp::PartyRow;
using Talvex::Erp::THDocumentObject;
using Talvex::Erp::THPartyAttributeObject;

namespace {

std::int64_t One(Talvex::Data::Connection& db, const std::string& sql, const std::vector<Value>& params = {})
{
    auto rs = db.QueryPostgres(sql, params);
    return rs.rows.at(0).at(0).IsNull() ? 0 : rs.rows.at(0).at(0).ToInteger();
}

} // namespace

TEST(DocumentObject, NewDocumentTakesNextNumberOfTypeAndYearAndRoundTrips)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction tx(db);
    book->SetToday(Date(2026, 3, 15));
    // A number typed by hand in the pattern, and one of another year and another type that
    // must not count.
    db.QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number) VALUES "
                     "('SUSM', '2026-01-02', 'SUSM-2026-000041'), ('SUSM', '2025-01-02', 'SUSM-2025-000900'), "
                     "('BUSM', '2026-01-02', 'BUSM-2026-000500')");
    // Numbers of deleted documents are not issued again: the numbers issued count too.
    const auto expected = One(db, "SELECT GREATEST(COALESCE(MAX(CAST(substr(Number, 11) AS INTEGER)), 0), "
                                  "COALESCE((SELECT MAX(Counter) FROM THDocNumberIssued WHERE DocTypeCode = 'SUSM' "
                                  "AND NumberYear = 2026), 0)) + 1 FROM THDocument "
                                  "WHERE DocTypeCode = 'SUSM' AND Number ~ '^SUSM-2026-[0-9]+$'");
    char expectedNumber[32];
    std::snprintf(expectedNumber, sizeof expectedNumber, "SUSM-2026-%06lld", static_cast<long long>(expected));

    THDocumentObject doc(book);
    doc.New("SUSM");
    doc.Fields("Number") = doc.NextNumber();
    EXPECT_EQ(doc.Fields("Number").ToText(), expectedNumber);
    doc.Fields("Summa") = Currency::Parse("123.4567");
    doc.Fields("IsKredit") = 1;
    doc.Fields("DocumentDate") = Date(2026, 3, 10);
    const auto idc = doc.Save();
    ASSERT_GT(idc, 0);

    // The row as the database holds it.
    auto rs = db.QueryPostgres("SELECT DocTypeCode, Number, Code, Summa, IsKredit, DocumentDate, CurrencyCode, "
                               "IsPosted FROM THDocument WHERE IDC = $1",
                               {Value(idc)});
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(rs.rows[0][0].ToText(), "SUSM");
    EXPECT_EQ(rs.rows[0][1].ToText(), expectedNumber);
    EXPECT_EQ(rs.rows[0][2].ToText(), expectedNumber); // Code is the number
    EXPECT_EQ(rs.rows[0][3].ToCurrency(), Currency::Parse("123.4567"));
    EXPECT_EQ(rs.rows[0][4].ToInteger(), 1);
    EXPECT_EQ(rs.rows[0][5].ToDate(), Date(2026, 3, 10));
    EXPECT_EQ(rs.rows[0][6].ToText(), book->AccountCurrency());
    EXPECT_EQ(rs.rows[0][7].ToInteger(), 0);

    // Loaded into a fresh object; an update keeps the IDC; the next number follows on.
    THDocumentObject loaded(book);
    loaded.Load(idc);
    EXPECT_EQ(loaded.Fields("Summa").ToCurrency(), Currency::Parse("123.4567"));
    EXPECT_EQ(loaded.Fields("code").ToText(), expectedNumber);
    EXPECT_FALSE(loaded.IsPosted());
    loaded.Fields("Summa") = Currency::FromInteger(7);
    EXPECT_EQ(loaded.Save(), idc);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THDocument WHERE IDC = $1 AND Summa = 7", {Value(idc)}), 1);
    THDocumentObject next(book);
    next.New("SUSM");
    char following[32];
    std::snprintf(following, sizeof following, "SUSM-2026-%06lld", static_cast<long long>(expected + 1));
    EXPECT_EQ(next.NextNumber(), following);

    EXPECT_THROW(loaded.Fields("NoSuchField"), ValueError);
    const auto absent = One(db, "SELECT COALESCE(MAX(IDC), 0) + 1000 FROM THDocument");
    EXPECT_THROW(loaded.Load(absent), ValueError);
}

TEST(DocumentObject, DeleteRefusesPostedAndRemovesUnpostedWithPartiesAndLinks)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction tx(db);
    const std::string client =
        db.QueryPostgres("SELECT min(Code) FROM REFClient WHERE IsGroup = 0").rows.at(0).at(0).ToText();
    const auto otherDoc = One(db, "SELECT min(IDC) FROM THDocument");

    THDocumentObject posted(book);
    posted.New("SUSM");
    posted.Fields("IsPosted") = 1;
    const auto postedId = posted.Save();
    EXPECT_THROW(posted.Delete(), ValueError);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(postedId)}), 1);

    THDocumentObject doc(book);
    doc.New("SUSM");
    doc.Fields("Summa") = Currency::FromInteger(10);
    const auto id = doc.Save();
    THPartyAttributeObject parties(book);
    parties.Write(PartyRow{id, "SUSM", "PIR", 1, client});
    parties.Write(PartyRow{id, "SUSM", "PAR", 1, client});
    db.QueryPostgres("INSERT INTO THPaySpec (DocID, CorDocID, Summa, SummaCur) VALUES ($1, $2, 5, 5), ($2, $1, 1, 1)",
                     {Value(id), Value(otherDoc)});
    const auto linksBefore = One(db, "SELECT count(*) FROM THPaySpec");

    doc.Delete();
    EXPECT_EQ(One(db, "SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(id)}), 0);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPartyAttribute WHERE DocID = $1", {Value(id)}), 0);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec WHERE DocID = $1 OR CorDocID = $1", {Value(id)}), 0);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec"), linksBefore - 2); // nobody else's links
    EXPECT_EQ(One(db, "SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(otherDoc)}), 1);
}

TEST(DocumentObject, PartyWriteRefusesUnknownClientAndWritesKnownOne)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction tx(db);
    const std::string client =
        db.QueryPostgres("SELECT min(Code) FROM REFClient WHERE IsGroup = 0").rows.at(0).at(0).ToText();
    THDocumentObject doc(book);
    doc.New("SUSM");
    const auto id = doc.Save();
    THPartyAttributeObject parties(book);
    EXPECT_THROW(parties.Write(PartyRow{id, "SUSM", "PIR", 1, "NO-SUCH-CLIENT"}), ValueError);
    EXPECT_THROW(parties.Write(PartyRow{0, "SUSM", "PIR", 1, client}), ValueError);
    parties.Write(PartyRow{id, "SUSM", "PIR", 1, client});
    EXPECT_EQ(One(db,
                  "SELECT count(*) FROM THPartyAttribute WHERE DocID = $1 AND RolePartyCode = 'PIR' "
                  "AND PartyType = 1 AND PartyCode = $2 AND DocTypeCode = 'SUSM'",
                  {Value(id), Value(client)}),
              1);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPartyAttribute WHERE DocID = $1", {Value(id)}), 1);
}
