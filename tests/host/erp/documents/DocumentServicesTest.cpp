#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPaymentDocument.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <string>

using Talvex::Currency;
using Talvex::DatabaseError;
using Talvex::Date;
using Talvex::Value;
using Talvex::ValueError;
using Talvex::Data::Connection;
using Talvex::Erp::PayLine;
using Talvex::Erp::THDocumentObject;
using Talvex::Erp::THPaymentDocument;

namespace {

std::int64_t One(Connection& db, const std::string& sql, const std::vector<Value>& params = {})
{
    auto rs = db.QueryPostgres(sql, params);
    return rs.rows.at(0).at(0).IsNull() ? 0 : rs.rows.at(0).at(0).ToInteger();
}

Currency Sum(Connection& db, const std::string& sql, const std::vector<Value>& params = {})
{
    return Currency::Parse(
        db.QueryPostgres("SELECT COALESCE((" + sql + "), 0)::text", params).rows.at(0).at(0).ToText());
}

// A posted document of the client with no payment terms: its whole sum is open.
std::int64_t PostedDocument(Connection& db, const char* type, const char* role, const std::string& client,
                            const char* summa)
{
    const auto idc = One(db,
                         "INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsPosted, CurrencyCode) "
                         "VALUES ($1::varchar, DATE '2026-05-04', 'ZZ-' || $1::varchar, $2::numeric, 1, 'EUR') "
                         "RETURNING IDC",
                         {Value(type), Value(summa)});
    db.QueryPostgres("INSERT INTO THPartyAttribute (DocID, DocTypeCode, RolePartyCode, PartyType, PartyCode) "
                     "VALUES ($1, $2, $3, 1, $4)",
                     {Value(idc), Value(type), Value(role), Value(client)});
    return idc;
}

std::string AnyClient(Connection& db)
{
    return db.QueryPostgres("SELECT min(Code) FROM REFClient WHERE IsGroup = 0").rows.at(0).at(0).ToText();
}

constexpr const char* kLinked = "SELECT sum(SummaCur) FROM THPaySpec WHERE DocID = $1 AND CorDocID = $2";

} // namespace

TEST(DocumentServices, LinkPaysTheWholeOpenAmountOrTheAmountAskedAndNeverMore)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction unit(db);
    const std::string client = AnyClient(db);
    const auto invoice = PostedDocument(db, "PRSF", "PIR", client, "100");
    const auto second = PostedDocument(db, "PRSF", "PIR", client, "80");
    const auto third = PostedDocument(db, "PRSF", "PIR", client, "30");

    THDocumentObject payment(book);
    payment.New("KOI");
    payment.Fields("Summa") = Currency::FromInteger(150);
    const auto paymentId = payment.Save();

    // 0: the whole open amount of the invoice.
    EXPECT_EQ(payment.Link(invoice, Currency()), Currency::FromInteger(100));
    EXPECT_EQ(Sum(db, kLinked, {Value(paymentId), Value(invoice)}), Currency::FromInteger(100));
    // Nothing is open on it any more.
    EXPECT_THROW(payment.Link(invoice, Currency()), ValueError);
    EXPECT_THROW(payment.Link(invoice, Currency::FromInteger(1)), ValueError);
    // 50 is left of the payment: 60 is refused, 0 takes the 50.
    EXPECT_THROW(payment.Link(second, Currency::FromInteger(60)), ValueError);
    EXPECT_EQ(payment.Link(second, Currency()), Currency::FromInteger(50));
    EXPECT_EQ(Sum(db, kLinked, {Value(paymentId), Value(second)}), Currency::FromInteger(50));
    EXPECT_THROW(payment.Link(third, Currency()), ValueError); // the payment is used up

    // An amount above what is open on the target is refused and writes nothing.
    THDocumentObject bigger(book);
    bigger.New("KOI");
    bigger.Fields("Summa") = Currency::FromInteger(500);
    const auto biggerId = bigger.Save();
    EXPECT_THROW(bigger.Link(third, Currency::Parse("30.01")), ValueError);
    EXPECT_THROW(bigger.Link(second, Currency::Parse("30.01")), ValueError); // 30 left open of 80
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(biggerId)}), 0);
    EXPECT_EQ(bigger.Link(third, Currency::Parse("12.5")), Currency::Parse("12.5"));
    EXPECT_EQ(bigger.Link(third, Currency()), Currency::Parse("17.5"));
    EXPECT_EQ(Sum(db, "SELECT sum(SummaCur) FROM THPaySpec WHERE CorDocID = $1", {Value(third)}),
              Currency::FromInteger(30));
}

TEST(DocumentServices, WriteBackSavesHeaderAndRowsAsOneUnitAndRecalculatesWhenAsked)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction unit(db);
    const auto docId = One(db, "INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, Summa, IsCostChanged) "
                               "VALUES ('GPG', DATE '2026-05-04', 'ZZ-WB', 999, 1) RETURNING IDC");
    const std::string good = db.QueryPostgres("SELECT min(Code) FROM REFGood").rows.at(0).at(0).ToText();
    db.QueryPostgres("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, Summa, CostSumm, "
                     "IsCostChanged) VALUES ($1, 2, $2, 'VNT', 1, 20, 5, 1), ($1, 1, $2, 'VNT', 1, 10, 4, 1)",
                     {Value(docId), Value(good)});

    THDocumentObject doc(book);
    doc.Load(docId);
    auto& rows = doc.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->Get("PosNumb").ToInteger(), 1); // in position order
    rows[1]->Set("Summa", Value(Currency::FromInteger(25)));
    rows[0]->Set("CostSumm", Value(Currency::FromInteger(3)));
    doc.WriteBack(true);
    EXPECT_EQ(Sum(db, "SELECT Summa FROM THDocument WHERE IDC = $1 AND IsCostChanged = 0", {Value(docId)}),
              Currency::FromInteger(35));
    EXPECT_EQ(One(db, "SELECT count(*) FROM THGoodSpec WHERE DocID = $1 AND IsCostChanged = 0", {Value(docId)}), 2);
    EXPECT_EQ(Sum(db, "SELECT CostSumm FROM THGoodSpec WHERE DocID = $1 AND PosNumb = 1", {Value(docId)}),
              Currency::FromInteger(3));

    // Without recalculation the header keeps its sum though a row changed.
    THDocumentObject again(book);
    again.Load(docId);
    again.Rows()[0]->Set("Summa", Value(Currency::FromInteger(1)));
    again.Fields("Name") = "written back";
    again.WriteBack(false);
    EXPECT_EQ(Sum(db, "SELECT Summa FROM THDocument WHERE IDC = $1 AND Name = 'written back'", {Value(docId)}),
              Currency::FromInteger(35));
    EXPECT_EQ(Sum(db, "SELECT Summa FROM THGoodSpec WHERE DocID = $1 AND PosNumb = 1", {Value(docId)}),
              Currency::FromInteger(1));

    // A row the database refuses undoes the whole write-back, header and the other row too.
    again.Rows()[0]->Set("Summa", Value(Currency::FromInteger(7)));
    again.Rows()[1]->Set("GoodCode", Value(Talvex::Null{}));
    EXPECT_THROW(again.WriteBack(true), DatabaseError);
    EXPECT_EQ(Sum(db, "SELECT sum(Summa) FROM THGoodSpec WHERE DocID = $1", {Value(docId)}), Currency::FromInteger(26));
    EXPECT_EQ(Sum(db, "SELECT Summa FROM THDocument WHERE IDC = $1", {Value(docId)}), Currency::FromInteger(35));

    THDocumentObject unsaved(book);
    unsaved.New("GPG");
    EXPECT_THROW(unsaved.WriteBack(true), ValueError);
}

TEST(DocumentServices, PaymentDocumentIsCreatedEditedAndDeletedWithItsPayeeAndLines)
{
    auto book = Talvex::Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Talvex::Data::Transaction unit(db);
    const std::string vendor = AnyClient(db);
    const auto invoice = PostedDocument(db, "PISF", "PAR", vendor, "100");
    const auto other = PostedDocument(db, "PISF", "PAR", vendor, "50");

    THPaymentDocument payment(book);
    payment.New(vendor, Currency::FromInteger(120));
    payment.SetLines({{invoice, Currency()}, {other, Currency()}});
    const auto idc = payment.Save();
    ASSERT_GT(idc, 0);
    EXPECT_EQ(One(db,
                  "SELECT count(*) FROM THDocument WHERE IDC = $1 AND DocTypeCode = 'MP' AND Summa = 120 "
                  "AND Number LIKE 'MP-____-______' AND IsPosted = 0",
                  {Value(idc)}),
              1);
    EXPECT_EQ(One(db,
                  "SELECT count(*) FROM THPartyAttribute WHERE DocID = $1 AND RolePartyCode = 'GAV' "
                  "AND PartyCode = $2",
                  {Value(idc), Value(vendor)}),
              1);
    // The first invoice whole, the second with what is left of the payment.
    EXPECT_EQ(Sum(db, kLinked, {Value(idc), Value(invoice)}), Currency::FromInteger(100));
    EXPECT_EQ(Sum(db, kLinked, {Value(idc), Value(other)}), Currency::FromInteger(20));

    // Edited in another object: a larger sum and the lines replaced.
    THPaymentDocument edited(book);
    edited.Load(idc);
    EXPECT_EQ(edited.Client(), vendor);
    ASSERT_EQ(edited.Lines().size(), 2u);
    edited.SetSumma(Currency::FromInteger(150));
    edited.SetLines({{other, Currency::FromInteger(50)}, {invoice, Currency()}});
    EXPECT_EQ(edited.Save(), idc);
    EXPECT_EQ(Sum(db, kLinked, {Value(idc), Value(other)}), Currency::FromInteger(50));
    EXPECT_EQ(Sum(db, kLinked, {Value(idc), Value(invoice)}), Currency::FromInteger(100));
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(idc)}), 2);

    // A line beyond what is open is refused; what was saved before stays as it was.
    edited.SetLines({{invoice, Currency::Parse("100.01")}});
    EXPECT_THROW(edited.Save(), ValueError);
    EXPECT_EQ(Sum(db, "SELECT sum(Summa) FROM THPaySpec WHERE DocID = $1", {Value(idc)}), Currency::FromInteger(150));
    EXPECT_EQ(Sum(db, "SELECT Summa FROM THDocument WHERE IDC = $1", {Value(idc)}), Currency::FromInteger(150));

    THPaymentDocument notAPayment(book);
    EXPECT_THROW(notAPayment.Load(invoice), ValueError);

    THPaymentDocument removed(book);
    removed.Load(idc);
    removed.Delete();
    EXPECT_EQ(One(db, "SELECT count(*) FROM THDocument WHERE IDC = $1", {Value(idc)}), 0);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPaySpec WHERE DocID = $1", {Value(idc)}), 0);
    EXPECT_EQ(One(db, "SELECT count(*) FROM THPartyAttribute WHERE DocID = $1", {Value(idc)}), 0);
}
