#include "quarn/cost/CPriceListCostPrice.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/PriceCalcTool.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <thread>

using namespace Talvex;
using Quarn_DuzAde::CPriceListCostPrice;

namespace {

// Codes with a quote, a semicolon and comment markers reach every statement.
constexpr const char* kList = "ZZ-PL'; --";
constexpr const char* kType = "ZZ'T";
constexpr const char* kGood = "ZZ-G1/*";
constexpr const char* kOther = "ZZ-G2";

class PriceListCostPrice : public ::testing::Test {
protected:
    void SetUp() override
    {
        Quarn_DuzAde::Startup();
        book = Testing::OpenDemoBook("tester");
        tx = std::make_unique<Data::Transaction>(book->Db());
    }
    void TearDown() override { tx.reset(); }

    Data::ResultSet Sql(const std::string& sql, const std::vector<Value>& args = {})
    {
        return book->Db().QueryPostgres(sql, args);
    }

    void Purchase(const char* type, const char* date, int posted, const char* good, const char* unit,
                  const char* amount, const char* amountAccount, const char* cost)
    {
        const auto doc =
            Sql("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, IsPosted) VALUES ($1::varchar, "
                "$2::date, 'ZZ', $3::int) RETURNING IDC",
                {Value(type), Value(date), Value(posted)})
                .rows[0][0]
                .ToInteger();
        Sql("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, CostSumm) VALUES "
            "($1::int, 1, $2::varchar, $3::varchar, $4::numeric, $5::numeric, $6::numeric)",
            {Value(doc), Value(good), Value(unit), Value(amount), Value(amountAccount), Value(cost)});
    }

    void HandCompany(int roundToSign)
    {
        Sql("INSERT INTO REFPriceType (Code, Name, RoundToSign) VALUES ($1, 'Cost', $2)",
            {Value(kType), Value(roundToSign)});
        Sql("INSERT INTO REFPriceList (Code, Name) VALUES ($1, 'List')", {Value(kList)});
        Sql("INSERT INTO REFPriceListSpec (PriceListCode, GoodCode, UnitCode) VALUES ($1, $2, 'VNT'), ($1, $3, 'DEZ')",
            {Value(kList), Value(kGood), Value(kOther)});
        // 0.25 / 10 = 0.025 and 0.35 / 10 = 0.035: halves go to the even cent.
        Purchase("PISF", "2027-02-01", 1, kGood, "VNT", "10", "10", "0.25");
        Purchase("PISF", "2027-02-02", 1, kGood, "VNT", "10", "10", "0.35");
        // Two purchases of one day: one price, from one of them.
        Purchase("PISF", "2027-02-03", 1, kOther, "DEZ", "2", "24", "30.00");
        Purchase("PISF", "2027-02-03", 1, kOther, "DEZ", "4", "48", "62.00");
        // Not counted: unposted, a sale, outside the period, no quantity, no cost, another unit.
        Purchase("PISF", "2027-02-04", 0, kGood, "VNT", "1", "1", "9.00");
        Purchase("PRSF", "2027-02-04", 1, kGood, "VNT", "1", "1", "9.00");
        Purchase("PISF", "2027-03-01", 1, kGood, "VNT", "1", "1", "9.00");
        Purchase("PISF", "2027-02-05", 1, kGood, "VNT", "1", "0", "9.00");
        Purchase("PISF", "2027-02-06", 1, kGood, "VNT", "1", "1", "0");
        Purchase("PISF", "2027-02-07", 1, kGood, "DEZ", "1", "12", "9.00");
    }

    // Runs the calculator as the host's price-list tool does.
    void Calc(CPriceListCostPrice& calc, const char* koeff, const std::string& currency = "EUR")
    {
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("BegDate", FieldType::kDate, Value(Date(2027, 2, 1)));
        params.Add("EndDate", FieldType::kDate, Value(Date(2027, 2, 28)));
        params.Add("Koeff", FieldType::kNumber, Value(Decimal::Parse(koeff)));
        params.Add("PriceListCode", FieldType::kCode, Value(kList));
        params.Add("PriceTypeCode", FieldType::kCode, Value(kType));
        params.Add("CurrencyCode", FieldType::kCode, Value(currency));
        user.Answer("Gerai");
        RunPriceCalc(calc, params);
    }

    std::vector<std::string> Prices()
    {
        std::vector<std::string> out;
        for (const auto& r : Sql("SELECT DateApply::text || ' ' || GoodCode || ' ' || UnitCode || ' ' || "
                                 "CurrencyCode || ' ' || Price::text FROM REFGoodPrice WHERE PriceTypeCode = $1 "
                                 "ORDER BY DateApply, GoodCode",
                                 {Value(kType)})
                                 .rows)
            out.push_back(r[0].ToText());
        return out;
    }

    std::shared_ptr<Book> book;
    std::unique_ptr<Data::Transaction> tx;
    Testing::ScriptedUser user;
    // The status line is the client application's.
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
};

} // namespace

TEST_F(PriceListCostPrice, EachDaysPurchaseGivesOnePriceRoundedHalfToEvenAndRerunsWriteNothing)
{
    HandCompany(2);
    CPriceListCostPrice calc;
    Calc(calc, "1");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(user.MessageTexts().back(), Quarn_DuzAde::ModuleFormRes().GetString(26292));
    EXPECT_EQ(user.Session().Messages().back().buttons, std::vector<std::string>{"Gerai"});
    const std::string good = std::string(kGood) + " VNT EUR ";
    auto prices = Prices();
    ASSERT_EQ(prices.size(), 3u) << ::testing::PrintToString(prices);
    EXPECT_EQ(prices[0], "2027-02-01 " + good + "0.0200");
    EXPECT_EQ(prices[1], "2027-02-02 " + good + "0.0400");
    // 30.00 / 2 a box, not 62.00 / 4: the day's purchase entered first gives the price.
    const std::string boxes = std::string("2027-02-03 ") + kOther + " DEZ EUR ";
    EXPECT_EQ(prices[2], boxes + "15.0000");
    EXPECT_EQ(calc.PricesAdded(), 3);
    // Four purchase rows counted, the status line cleared at the end.
    ASSERT_FALSE(user.StatusHistory().empty());
    EXPECT_EQ(user.StatusHistory().back(), "Calculating prices: row 4 of 4");
    EXPECT_EQ(user.Session().StatusText(), "");

    // Again: every price is found stored and equal.
    const auto ids = Sql("SELECT string_agg(IDC::text, ',' ORDER BY IDC) FROM REFGoodPrice WHERE PriceTypeCode = $1",
                         {Value(kType)});
    Calc(calc, "1");
    EXPECT_EQ(calc.PricesAdded() + calc.PricesChanged(), 0);
    EXPECT_EQ(Prices(), prices);
    // A new coefficient changes the stored prices in place: 0.025 * 1.5 = 0.0375 -> 0.04,
    // 0.035 * 1.5 = 0.0525 -> 0.05.
    Calc(calc, "1.5");
    EXPECT_EQ(calc.PricesChanged(), 3);
    prices = Prices();
    EXPECT_EQ(prices[0], "2027-02-01 " + good + "0.0400");
    EXPECT_EQ(prices[1], "2027-02-02 " + good + "0.0500");
    EXPECT_EQ(prices[2], boxes + "22.5000");
    EXPECT_EQ(
        Sql("SELECT string_agg(IDC::text, ',' ORDER BY IDC) FROM REFGoodPrice WHERE PriceTypeCode = $1", {Value(kType)})
            .rows[0][0],
        ids.rows[0][0]);
    EXPECT_EQ(user.ErrorsText(), "");
}

TEST_F(PriceListCostPrice, ForeignCurrencyOnlyTellsAndAPriceTypeWithoutDecimalsRoundsToFour)
{
    HandCompany(2);
    CPriceListCostPrice calc;
    Calc(calc, "1", "USD");
    EXPECT_TRUE(Prices().empty());
    EXPECT_EQ(user.MessageTexts().back(), "The price currency must be the accounting currency EUR.");

    // A company whose price types carry no decimals of their own.
    Sql("ALTER TABLE REFPriceType DROP COLUMN RoundToSign");
    EXPECT_EQ(CPriceListCostPrice::PriceDecimals(book, kType), 4);
    Calc(calc, "1");
    EXPECT_EQ(user.ErrorsText(), "");
    const auto prices = Prices();
    ASSERT_EQ(prices.size(), 3u);
    EXPECT_EQ(prices[0], "2027-02-01 " + std::string(kGood) + " VNT EUR 0.0250");
}

TEST_F(PriceListCostPrice, NothingBoughtWritesNothingAndStillTellsAndBadParametersAreNamed)
{
    HandCompany(2);
    Sql("DELETE FROM REFPriceListSpec WHERE PriceListCode = $1", {Value(kList)});
    CPriceListCostPrice calc;
    Calc(calc, "1");
    EXPECT_TRUE(Prices().empty());
    EXPECT_EQ(user.MessageTexts().back(), Quarn_DuzAde::ModuleFormRes().GetString(26292));

    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("BegDate", FieldType::kDate, Value(Date(2027, 2, 1)));
    params.Add("EndDate", FieldType::kDate, Value(Date(2027, 1, 1)));
    params.Add("Koeff", FieldType::kNumber, Value(Decimal::Parse("1")));
    try {
        RunPriceCalc(calc, params);
        FAIL() << "a reversed period was taken";
    } catch (const ValueError& e) {
        EXPECT_NE(std::string(e.what()).find("EndDate"), std::string::npos) << e.what();
    }
}

TEST_F(PriceListCostPrice, DemoPricesOfAMonthAreTheUnitCostOfOneOfThatDaysPurchases)
{
    CPriceListCostPrice calc;
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("BegDate", FieldType::kDate, Value(Date(2026, 3, 1)));
    params.Add("EndDate", FieldType::kDate, Value(Date(2026, 3, 31)));
    params.Add("Koeff", FieldType::kNumber, Value(Decimal::Parse("1.2")));
    params.Add("PriceListCode", FieldType::kCode, Value("DID"));
    params.Add("PriceTypeCode", FieldType::kCode, Value("SAV"));
    params.Add("CurrencyCode", FieldType::kCode, Value("EUR"));
    user.Answer("Gerai");
    RunPriceCalc(calc, params);
    EXPECT_EQ(user.ErrorsText(), "");
    // Independently: every (day, goods, unit) of the list bought in March has one stored price,
    // the unit cost of that day's purchase row entered first times 1.2, to SAV's 4 decimals
    // (the demo purchases hold no exact half at the fifth decimal, where rounding modes part).
    const auto check = Sql(R"sql(
        WITH bought AS (
            SELECT d.DocumentDate, upper(g.GoodCode) AS GoodCode, upper(g.UnitCode) AS UnitCode,
                   (array_agg(round(g.CostSumm / g.Amount * 1.2, 4) ORDER BY g.IDC))[1] AS First
            FROM THDocument d JOIN THGoodSpec g ON g.DocID = d.IDC
            JOIN REFPriceListSpec l ON l.GoodCode = g.GoodCode AND l.UnitCode = g.UnitCode AND l.PriceListCode = 'DID'
            WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2026-03-01' AND '2026-03-31'
              AND g.AmountAccount <> 0 AND g.CostSumm <> 0
            GROUP BY 1, 2, 3)
        SELECT count(*),
               count(*) FILTER (WHERE (SELECT count(*) FROM REFGoodPrice p WHERE p.PriceTypeCode = 'SAV'
                                       AND p.CurrencyCode = 'EUR' AND p.GoodCode = b.GoodCode
                                       AND p.UnitCode = b.UnitCode AND p.DateApply = b.DocumentDate
                                       AND p.Price = b.First) = 1)
        FROM bought b)sql");
    ASSERT_GT(check.rows[0][0].ToInteger(), 5);
    EXPECT_EQ(check.rows[0][1].ToInteger(), check.rows[0][0].ToInteger());
}

// A second session filling the same prices at the same time waits for the first and adds none
// of the prices the first has added.
TEST_F(PriceListCostPrice, ASessionFillingTheSamePricesMeanwhileIsWaitedForNotDoubled)
{
    tx.reset();
    struct Cleanup {
        Data::Connection& db;
        ~Cleanup()
        {
            try {
                db.QueryPostgres("DELETE FROM THGoodSpec WHERE DocID IN (SELECT IDC FROM THDocument WHERE Number = "
                                 "'ZZ' AND DocumentDate BETWEEN '2027-02-01' AND '2027-03-31')");
                db.QueryPostgres("DELETE FROM THDocument WHERE Number = 'ZZ' AND DocumentDate BETWEEN '2027-02-01' AND "
                                 "'2027-03-31'");
                db.QueryPostgres("DELETE FROM REFGoodPrice WHERE PriceTypeCode = $1", {Value(kType)});
                db.QueryPostgres("DELETE FROM REFPriceListSpec WHERE PriceListCode = $1", {Value(kList)});
                db.QueryPostgres("DELETE FROM REFPriceList WHERE Code = $1", {Value(kList)});
                db.QueryPostgres("DELETE FROM REFPriceType WHERE Code = $1", {Value(kType)});
            } catch (...) {
            }
        }
    } cleanup{book->Db()};
    HandCompany(2);
    auto other = Testing::OpenDemoBook("price_other_session");
    const auto myPid = book->Db().QueryPostgres("SELECT pg_backend_pid()").rows[0][0].ToInteger();
    CPriceListCostPrice calc;
    {
        // The other session holds the lock while it adds the first day's price.
        other->Db().Execute("EXEC sp_getapplock @Resource = ?, @LockMode = 'Exclusive', @LockOwner = 'Session'",
                            {Value("Quarn_DuzAde.PriceListCostPrice")});
        auto unit = std::make_unique<Data::Transaction>(other->Db());
        other->Db().QueryPostgres("INSERT INTO REFGoodPrice (PriceTypeCode, CurrencyCode, GoodCode, UnitCode, "
                                  "DateApply, Price) VALUES ($1, 'EUR', $2, 'VNT', '2027-02-01', 0.02)",
                                  {Value(kType), Value(kGood)});
        std::thread theirs([&] {
            auto watch = Testing::OpenDemoDatabase();
            while (watch.QueryPostgres("SELECT count(*) FROM pg_locks WHERE pid = $1 AND NOT granted", {Value(myPid)})
                       .rows[0][0]
                       .ToInteger() == 0)
                std::this_thread::yield();
            unit->Commit();
            other->Db().Execute("EXEC sp_releaseapplock @Resource = ?, @LockOwner = 'Session'",
                                {Value("Quarn_DuzAde.PriceListCostPrice")});
        });
        Calc(calc, "1");
        theirs.join();
    }
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(calc.PricesAdded(), 2);
    EXPECT_EQ(calc.PricesChanged(), 0);
    EXPECT_EQ(Prices().size(), 3u);
}

// The price-list maintenance's form over the calculator, as the menu runs it: codes holding a
// quote, a semicolon and comment markers are found as they stand, and the prices the period
// now holds for the list are the result, to the type's decimals.
TEST_F(PriceListCostPrice, TheMaintenanceFormFindsHostileCodesAndShowsThePricesMade)
{
    HandCompany(2);
    const std::string f = "frmPriceCalc";
    user.Set(f, "edDateBeg", "2027-02-01").Set(f, "edDateEnd", "2027-02-28");
    user.Set(f, "cbPriceList", kList).Set(f, "cbPriceType", kType).Set(f, "edKoeff", "1.5");
    user.Click(f, "btOK").Answer("Gerai");
    CPriceListCostPrice calc;
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    auto prices = RunPriceCalcTool(calc, params);
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(user.MessageTexts().back(), Quarn_DuzAde::ModuleFormRes().GetString(26292));
    ASSERT_NE(prices, nullptr);
    std::vector<std::string> shown;
    for (const auto& r :
         Ui::ReadRecordsetRows(*prices->Recordset(), {"DateApply", "GoodCode", "Name", "UnitCode", "Price"}).rows)
        shown.push_back(r[0].ToDate().ToIso() + " " + r[1].ToText() + " " + r[3].ToText() + " " + r[4].ToText());
    EXPECT_EQ(shown, (std::vector<std::string>{"2027-02-01 " + std::string(kGood) + " VNT 0.04",
                                               "2027-02-02 " + std::string(kGood) + " VNT 0.05",
                                               "2027-02-03 " + std::string(kOther) + " DEZ 22.50"}));
    EXPECT_EQ(Prices().size(), 3u);

    // A currency other than the accounting one passes the form, is refused by the calculator
    // and shows nothing.
    user.Set(f, "cbPriceList", kList).Set(f, "cbPriceType", kType).Set(f, "cbCurrency", "USD");
    user.Click(f, "btOK").Answer("Gerai");
    EXPECT_EQ(RunPriceCalcTool(calc, params), nullptr);
    EXPECT_EQ(user.MessageTexts().back(), "The price currency must be the accounting currency EUR.");
    EXPECT_EQ(Prices().size(), 3u);
}

// A price that cannot be stored stops the calculation there: the prices before it stay, each
// whole, the failing one leaves nothing, and a run after the fault adds only what is missing.
TEST_F(PriceListCostPrice, AFaultMidwayKeepsTheWholePricesBeforeItAndARerunAddsOnlyTheRest)
{
    HandCompany(4);
    Sql(R"sql(
        CREATE FUNCTION pg_temp.refuse_second_day() RETURNS trigger LANGUAGE plpgsql AS $$
        BEGIN
            IF NEW.DateApply = DATE '2027-02-02' THEN RAISE EXCEPTION 'the disk is full'; END IF;
            RETURN NEW;
        END $$)sql");
    Sql("CREATE TRIGGER refuse_second_day BEFORE INSERT OR UPDATE ON REFGoodPrice FOR EACH ROW EXECUTE FUNCTION "
        "pg_temp.refuse_second_day()");
    CPriceListCostPrice calc;
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("BegDate", FieldType::kDate, Value(Date(2027, 2, 1)));
    params.Add("EndDate", FieldType::kDate, Value(Date(2027, 2, 28)));
    params.Add("Koeff", FieldType::kNumber, Value(Decimal::Parse("1")));
    params.Add("PriceListCode", FieldType::kCode, Value(kList));
    params.Add("PriceTypeCode", FieldType::kCode, Value(kType));
    params.Add("CurrencyCode", FieldType::kCode, Value("EUR"));
    RunPriceCalc(calc, params);
    EXPECT_NE(user.ErrorsText().find("the disk is full"), std::string::npos) << user.ErrorsText();
    EXPECT_EQ(Prices(), std::vector<std::string>{"2027-02-01 " + std::string(kGood) + " VNT EUR 0.0250"});
    EXPECT_EQ(user.Session().StatusText(), "");

    Sql("DROP TRIGGER refuse_second_day ON REFGoodPrice");
    user.Answer("Gerai");
    RunPriceCalc(calc, params);
    EXPECT_EQ(calc.PricesAdded(), 2);
    EXPECT_EQ(calc.PricesChanged(), 0);
    EXPECT_EQ(Prices().size(), 3u);
}
