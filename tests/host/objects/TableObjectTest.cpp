#include "host/objects/TableObject.hpp"
#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Talvex;

namespace {

std::int64_t Count(Data::Connection& db, const std::string& sql, const std::vector<Value>& params = {})
{
    return db.QueryPostgres(sql, params).rows.at(0).at(0).ToInteger();
}

std::string AnyGood(Data::Connection& db)
{
    return db.QueryPostgres("SELECT min(Code) FROM REFGood").rows.at(0).at(0).ToText();
}

} // namespace

TEST(TableObject, PriceRowIsAddedFoundByKeyUpdatedAndDeletedInsideTheCallersUnit)
{
    auto book = Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    const std::string good = AnyGood(db);
    auto watcher = Testing::OpenDemoDatabase();

    std::int64_t idc = 0;
    {
        Data::Transaction unit(db);
        auto prices = book->CreateTableObject("refgoodprice");
        EXPECT_EQ(prices->TableName(), "REFGoodPrice");
        prices->AddNew();
        // Field names in any case, as the ERP accepts them.
        prices->Set("pricetypecode", Value("SAV"));
        prices->Set("CURRENCYCODE", Value("EUR"));
        prices->Set("GoodCode", Value(good));
        prices->Set("UnitCode", Value("ZZU"));
        prices->Set("DateApply", Value(Date(2031, 5, 4)));
        prices->Set("Price", Value(Currency::Parse("12.3456")));
        idc = prices->Save();
        ASSERT_GT(idc, 0);
        EXPECT_EQ(Count(db, "SELECT count(*) FROM REFGoodPrice WHERE IDC = $1 AND Price = 12.3456 AND UnitCode = 'ZZU'",
                        {Value(idc)}),
                  1);
        // Written in the caller's unit, not committed by the object: another session sees nothing.
        EXPECT_EQ(Count(watcher, "SELECT count(*) FROM REFGoodPrice WHERE IDC = $1", {Value(idc)}), 0);

        // Found again by its key, in a fresh object, and updated under its IDC.
        auto again = book->CreateTableObject("REFGoodPrice");
        ASSERT_TRUE(again->LoadByKey({{"PriceTypeCode", Value("SAV")},
                                      {"CurrencyCode", Value("EUR")},
                                      {"GoodCode", Value(good)},
                                      {"UnitCode", Value("ZZU")},
                                      {"DateApply", Value(Date(2031, 5, 4))}}));
        EXPECT_EQ(again->IDC(), idc);
        EXPECT_EQ(again->Get("price").ToCurrency(), Currency::Parse("12.3456"));
        again->Set("Price", Value(7)); // a whole number is an amount
        EXPECT_EQ(again->Get("Price"), Value(Currency::FromInteger(7)));
        EXPECT_EQ(again->Save(), idc);
        EXPECT_EQ(Count(db, "SELECT count(*) FROM REFGoodPrice WHERE IDC = $1 AND Price = 7 AND GoodCode = $2",
                        {Value(idc), Value(good)}),
                  1);
        // A key no row has is not found, and leaves the object new.
        EXPECT_FALSE(again->LoadByKey({{"PriceTypeCode", Value("SAV")}, {"UnitCode", Value("NO-UNIT")}}));
        EXPECT_TRUE(again->IsNew());

        ASSERT_TRUE(again->Load(idc));
        again->Delete();
        EXPECT_EQ(Count(db, "SELECT count(*) FROM REFGoodPrice WHERE IDC = $1", {Value(idc)}), 0);
        EXPECT_FALSE(again->Load(idc));

        // Added once more, then the caller's unit is rolled back: nothing of it remains.
        prices->AddNew();
        prices->Set("PriceTypeCode", Value("SAV"));
        prices->Set("CurrencyCode", Value("EUR"));
        prices->Set("GoodCode", Value(good));
        prices->Set("UnitCode", Value("ZZU"));
        prices->Set("DateApply", Value(Date(2031, 5, 5)));
        idc = prices->Save();
        unit.Rollback();
    }
    EXPECT_EQ(Count(db, "SELECT count(*) FROM REFGoodPrice WHERE IDC = $1 OR UnitCode = 'ZZU'", {Value(idc)}), 0);
}

TEST(TableObject, FieldsAreCheckedAgainstTheColumnKinds)
{
    auto book = Testing::OpenDemoBook("tester");
    auto prices = book->CreateTableObject("REFGoodPrice");
    EXPECT_THROW(prices->Set("Price", Value("12")), ValueError);         // text into an amount
    EXPECT_THROW(prices->Set("Price", Value(12.5)), ValueError);         // money is never a double
    EXPECT_THROW(prices->Set("DateApply", Value(20310504)), ValueError); // a number is no date
    EXPECT_THROW(prices->Set("GoodCode", Value(5)), ValueError);         // nor a code
    EXPECT_THROW(prices->Set("IDC", Value(Currency::Parse("1.5"))), ValueError);
    EXPECT_THROW(prices->Set("NoSuchField", Value(1)), ValueError);
    EXPECT_THROW((void)prices->Get("NoSuchField"), ValueError);
    prices->Set("GoodCode", Value(Null{})); // null is the table's to refuse

    auto types = book->CreateTableObject("REFPriceType");
    EXPECT_THROW(types->Set("IsVATIncluded", Value(2)), ValueError);
    types->Set("IsVATIncluded", Value(true));
    EXPECT_EQ(types->Get("IsVATIncluded").ToInteger(), 1);
    // The ERP's price types carry their rounding: the cost price type rounds to 4 decimals.
    ASSERT_TRUE(types->LoadByKey({{"code", Value("SAV")}}));
    EXPECT_EQ(types->Get("RoundToSign").ToInteger(), 4);
    EXPECT_THROW(types->Load(1), ValueError); // no IDC in the table

    EXPECT_THROW(book->CreateTableObject("NoSuchTable"), ValueError);
}

TEST(TableObject, RefusedWriteLeavesTheCallersEarlierWorkAndUnitUsable)
{
    auto book = Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Data::Transaction unit(db);
    const auto docId = Count(db, "SELECT min(IDC) FROM THDocument WHERE DocTypeCode = 'PISF'");

    auto terms = book->CreateTableObject("THDocumentPayTerm");
    terms->AddNew();
    terms->Set("DocID", Value(docId));
    terms->Set("PayTerm", Value(45));
    terms->Set("Summa", Value(Currency::Parse("10.50")));
    const auto termId = terms->Save();

    // A price of a type that does not exist breaks the reference: the database refuses it,
    // and only that statement is undone.
    auto prices = book->CreateTableObject("REFGoodPrice");
    prices->AddNew();
    prices->Set("PriceTypeCode", Value("NOPE"));
    prices->Set("CurrencyCode", Value("EUR"));
    prices->Set("GoodCode", Value(AnyGood(db)));
    prices->Set("UnitCode", Value("ZZU"));
    prices->Set("DateApply", Value(Date(2031, 1, 1)));
    try {
        prices->Save();
        FAIL() << "a price of an unknown type was saved";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("REFGoodPrice"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(prices->IsNew());

    ASSERT_TRUE(terms->Load(termId));
    terms->Set("Summa", Value(Currency::Parse("11.25")));
    terms->Save();
    EXPECT_EQ(Count(db, "SELECT count(*) FROM THDocumentPayTerm WHERE IDC = $1 AND Summa = 11.25 AND PayTerm = 45",
                    {Value(termId)}),
              1);
}

TEST(TableObject, RowOfATableWithoutIdcIsWrittenAndDeletedByItsKeyAlone)
{
    auto book = Testing::OpenDemoBook("tester");
    auto& db = book->Db();
    Data::Transaction unit(db);
    const auto docId = Count(db, "SELECT COALESCE(max(DocID), 0) + 1000 FROM THGoodSpecCPAY");

    auto lines = book->CreateTableObject("THGoodSpecCPAY");
    for (int pos = 1; pos <= 2; ++pos) {
        lines->AddNew();
        lines->Set("DocID", Value(docId));
        lines->Set("PosNumb", Value(pos));
        lines->Set("Client", Value("C" + std::to_string(pos)));
        EXPECT_EQ(lines->Save(), 0);
    }
    // Loaded by the key and changed: only that row changes.
    ASSERT_TRUE(lines->LoadByKey({{"DocID", Value(docId)}, {"PosNumb", Value(2)}}));
    lines->Set("PaymentTypeCode", Value("PT"));
    lines->Save();
    EXPECT_EQ(
        Count(db, "SELECT count(*) FROM THGoodSpecCPAY WHERE DocID = $1 AND PaymentTypeCode = 'PT'", {Value(docId)}),
        1);
    // A key shared by two rows is refused rather than writing to both.
    EXPECT_THROW(lines->LoadByKey({{"DocID", Value(docId)}}), ValueError);
    ASSERT_TRUE(lines->LoadByKey({{"DocID", Value(docId)}, {"PosNumb", Value(1)}}));
    lines->Delete();
    EXPECT_EQ(Count(db, "SELECT count(*) FROM THGoodSpecCPAY WHERE DocID = $1", {Value(docId)}), 1);
    EXPECT_EQ(Count(db, "SELECT count(*) FROM THGoodSpecCPAY WHERE DocID = $1 AND PosNumb = 2", {Value(docId)}), 1);
}
