#include "host/objects/PriceCalcTool.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/IPriceCalc.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/frmPriceCalc.hpp"
#include "host/types/Errors.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace Talvex;

namespace {

// A calculator that keeps what the tool handed it and, when asked, stores prices as a
// calculator would.
class RecordingCalc : public IPriceCalc {
public:
    void Calc(std::shared_ptr<Book>& book, Date& begDate, Date& endDate, double& koeff, Currency& rate,
              std::string& priceListCode, std::string& priceTypeCode, std::string& currencyCode, Date& dt) override
    {
        ++calls;
        last = {begDate, endDate, Decimal::FromDouble(koeff), rate, priceListCode, priceTypeCode, currencyCode, dt};
        if (write) write(*book);
    }
    int calls = 0;
    PriceCalcRequest last;
    std::function<void(Book&)> write;
};

class PriceCalcTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("tester");
        tx = std::make_unique<Data::Transaction>(book->Db());
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    }
    void TearDown() override { tx.reset(); }

    std::int64_t Count(const std::string& sql) { return book->Db().QueryPostgres(sql).rows.at(0).at(0).ToInteger(); }
    std::vector<std::string> Refusals()
    {
        std::vector<std::string> out;
        for (const auto& m : user.Session().Messages())
            if (m.kind == Ui::MessageKind::Refusal) out.push_back(m.text);
        return out;
    }

    std::shared_ptr<Book> book;
    std::unique_ptr<Data::Transaction> tx;
    FieldList params;
    Testing::ScriptedUser user;
    RecordingCalc calc;
};

} // namespace

TEST_F(PriceCalcTool, EachBadValueIsRefusedAtItsControlAndHostileCodesAreOnlyCodes)
{
    const auto pricesBefore = Count("SELECT count(*) FROM REFGoodPrice");
    const std::string f = "frmPriceCalc";
    user.Set(f, "edDateBeg", "2026-03-31").Set(f, "edDateEnd", "2026-03-01").Click(f, "btOK");
    user.Set(f, "edDateBeg", "2026-03-01")
        .Set(f, "edDateEnd", "2026-03-31")
        .Set(f, "cbPriceList", "DID'; DELETE FROM REFGoodPrice --")
        .Click(f, "btOK");
    user.Set(f, "cbPriceList", "DID").Click(f, "btOK");
    user.Set(f, "cbPriceType", "PSV/* x */").Click(f, "btOK");
    user.Set(f, "cbPriceType", "PSV").Set(f, "edKoeff", "0").Click(f, "btOK");
    user.Set(f, "edKoeff", "-1.5").Click(f, "btOK");
    user.Set(f, "edKoeff", "1.2345").Set(f, "cbCurrency", "E'UR").Click(f, "btOK");
    user.Set(f, "cbCurrency", "USD").Set(f, "edRate", "0").Click(f, "btOK");
    user.Set(f, "edRate", "4.3").Click(f, "btOK");

    EXPECT_EQ(RunPriceCalcTool(calc, params), nullptr); // the recording calculator stores nothing
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(Refusals(), (std::vector<std::string>{
                              "frmPriceCalc.edDateEnd: The period ends before it begins.",
                              "frmPriceCalc.cbPriceList: There is no price list \"DID'; DELETE FROM REFGoodPrice --\".",
                              "frmPriceCalc.cbPriceType: Choose the price type the prices are stored under.",
                              "frmPriceCalc.cbPriceType: There is no price type \"PSV/* x */\".",
                              "frmPriceCalc.edKoeff: The coefficient must be a number above zero.",
                              "frmPriceCalc.edKoeff: The coefficient must be a number above zero.",
                              "frmPriceCalc.cbCurrency: There is no currency \"E'UR\".",
                              "frmPriceCalc.edRate: The rate must be a number above zero.",
                          }));
    // The corrected choice reaches the calculator once; the currency is the calculator's to judge.
    ASSERT_EQ(calc.calls, 1);
    EXPECT_EQ(calc.last.begDate, Date(2026, 3, 1));
    EXPECT_EQ(calc.last.endDate, Date(2026, 3, 31));
    EXPECT_EQ(calc.last.koeff.ToString(), "1.2345");
    EXPECT_EQ(calc.last.rate.ToString(), "4.3");
    EXPECT_EQ(calc.last.priceListCode, "DID");
    EXPECT_EQ(calc.last.priceTypeCode, "PSV");
    EXPECT_EQ(calc.last.currencyCode, "USD");
    EXPECT_EQ(calc.last.dt, book->Today());
    EXPECT_EQ(Count("SELECT count(*) FROM REFGoodPrice"), pricesBefore);
}

TEST_F(PriceCalcTool, BlankChoicesAreOfferedSensiblyAndCancelCallsNothing)
{
    // Only what has no default is chosen: the month of today, 1, 1, the accounting currency.
    params.Add("PriceListCode", FieldType::kCode, Value("MAZ"));
    user.Set("frmPriceCalc", "cbPriceType", "PSV").Click("frmPriceCalc", "btOK");
    RunPriceCalcTool(calc, params);
    ASSERT_EQ(calc.calls, 1);
    EXPECT_EQ(calc.last.begDate, book->Today().FirstOfMonth());
    EXPECT_EQ(calc.last.endDate, book->Today().LastOfMonth());
    EXPECT_EQ(calc.last.koeff.ToString(), "1");
    EXPECT_EQ(calc.last.rate, Currency::FromInteger(1));
    EXPECT_EQ(calc.last.priceListCode, "MAZ");
    EXPECT_EQ(calc.last.currencyCode, book->AccountCurrency());
    EXPECT_EQ(calc.last.dt, book->Today());

    user.Click("frmPriceCalc", "btCancel");
    EXPECT_EQ(RunPriceCalcTool(calc, params), nullptr);
    EXPECT_EQ(calc.calls, 1);
    EXPECT_EQ(user.ErrorsText(), "");
}

TEST_F(PriceCalcTool, CompleteParametersAreHandedOverUnaskedAndTheStoredPricesOfTheListAndPeriodAreTheResult)
{
    params.Add("BegDate", FieldType::kDate, Value(Date(2027, 5, 1)));
    params.Add("EndDate", FieldType::kDate, Value(Date(2027, 5, 31)));
    params.Add("Koeff", FieldType::kNumber, Value(Decimal::Parse("1.5")));
    params.Add("PriceListCode", FieldType::kCode, Value("DID"));
    params.Add("PriceTypeCode", FieldType::kCode, Value("PSV"));
    params.Add("CurrencyCode", FieldType::kCode, Value("EUR"));
    const auto goods = book->Db().QueryPostgres(
        "SELECT (SELECT GoodCode || ' ' || UnitCode FROM REFPriceListSpec WHERE PriceListCode = 'DID' ORDER BY "
        "GoodCode "
        "LIMIT 1), (SELECT g.Code FROM REFGood g WHERE NOT EXISTS (SELECT 1 FROM REFPriceListSpec s WHERE "
        "s.PriceListCode = 'DID' AND s.GoodCode = g.Code) ORDER BY g.Code LIMIT 1)");
    const std::string listed = goods.rows.at(0).at(0).ToText();
    const std::string good = listed.substr(0, listed.find(' '));
    const std::string unit = listed.substr(listed.find(' ') + 1);
    const std::string unlisted = goods.rows.at(0).at(1).ToText();
    calc.write = [&](Book& b) {
        const char* insert = "INSERT INTO REFGoodPrice (PriceTypeCode, CurrencyCode, GoodCode, UnitCode, DateApply, "
                             "Price) VALUES ($1, $2, $3, $4, $5::date, $6::numeric)";
        auto put = [&](const char* type, const char* currency, const std::string& g, const char* date, const char* p) {
            b.Db().QueryPostgres(insert, {Value(type), Value(currency), Value(g), Value(unit), Value(date), Value(p)});
        };
        put("PSV", "EUR", good, "2027-05-31", "12.3400");
        put("PSV", "EUR", good, "2027-05-01", "7.1000");
        put("PSV", "EUR", good, "2027-06-01", "9.0000");     // after the period
        put("PSV", "USD", good, "2027-05-10", "8.0000");     // another currency
        put("SAV", "EUR", good, "2027-05-10", "8.1234");     // another type
        put("PSV", "EUR", unlisted, "2027-05-10", "8.0000"); // not on the list
    };
    auto prices = RunPriceCalcTool(calc, params);
    EXPECT_EQ(user.Transcript(), std::vector<std::string>{}); // no form was shown
    ASSERT_EQ(calc.calls, 1);
    EXPECT_EQ(calc.last.koeff.ToString(), "1.5");
    EXPECT_EQ(calc.last.rate, Currency::FromInteger(1));
    ASSERT_NE(prices, nullptr);
    const auto rows =
        Ui::ReadRecordsetRows(*prices->Recordset(), {"DateApply", "GoodCode", "Name", "UnitCode", "Price"}).rows;
    ASSERT_EQ(rows.size(), 2u);
    // In date order, to PSV's two decimals.
    EXPECT_EQ(rows[0][0].ToDate(), Date(2027, 5, 1));
    EXPECT_EQ(rows[0][1].ToText(), good);
    EXPECT_EQ(rows[0][3].ToText(), unit);
    EXPECT_EQ(rows[0][4].ToDecimal().ToString(), "7.10");
    EXPECT_EQ(rows[1][4].ToDecimal().ToString(), "12.34");

    // A reversed period given as parameters is named, and nothing is called.
    params.Item("EndDate").SetValue(Value(Date(2027, 4, 1)));
    EXPECT_THROW(
        {
            try {
                RunPriceCalcTool(calc, params);
            } catch (const ValueError& e) {
                EXPECT_NE(std::string(e.what()).find("EndDate"), std::string::npos) << e.what();
                throw;
            }
        },
        ValueError);
    EXPECT_EQ(calc.calls, 1);
}
