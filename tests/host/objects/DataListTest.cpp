#include "host/objects/DataList.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;

namespace {

class DataListTest : public ::testing::Test {
protected:
    void SetUp() override { book = Testing::OpenDemoBook("tester"); }

    // A number computed by the test's own statement.
    std::int64_t Count(const std::string& tsql) { return book->Db().Query(tsql).rows.at(0).at(0).ToInteger(); }
    std::int64_t CountPostgres(const std::string& sql)
    {
        return book->Db().QueryPostgres(sql).rows.at(0).at(0).ToInteger();
    }

    std::shared_ptr<Book> book;
};

std::map<std::string, Currency> SumsByKey(Data::Recordset& rs, const std::string& key, const std::string& amount)
{
    std::map<std::string, Currency> sums;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        sums[rs.Fields().Item(key).Value().ToText()] += rs.Fields().Item(amount).Value().ToCurrency();
    return sums;
}

} // namespace

TEST_F(DataListTest, FilteredJoinedListsKeepTheirOwnConditions)
{
    auto docs = book->CreateList("THDocument");
    docs->Fields().SelectFields({"IDC", "DocTypeCode"});
    docs->SetFilter(SqlTools::CondByField(docs->Fields().Item("DocTypeCode"), SqlOperator::kEqual, Value("PRSF")));
    auto party = book->CreateList("THPartyAttribute");
    party->Fields().SelectFields({"PartyCode"});
    party->SetFilter(SqlTools::CondByField(party->Fields().Item("RolePartyCode"), SqlOperator::kEqual, Value("PIR")));
    docs->Join(party, "Party", "oTable.IDC = Party.DocID");
    // Renaming the main table keeps the texts written with "oTable" valid.
    docs->SetAlias("Doc");
    docs->Refresh();
    auto rs = docs->Recordset();
    EXPECT_EQ(rs->RecordCount(), Count("SELECT COUNT(*) FROM THDocument d JOIN THPartyAttribute p ON p.DocID = d.IDC "
                                       "WHERE d.DocTypeCode = 'PRSF' AND p.RolePartyCode = 'PIR'"))
        << docs->SqlText();
    EXPECT_GT(rs->RecordCount(), 0);
    EXPECT_EQ(rs->Fields().Count(), 3u);
    EXPECT_TRUE(rs->Fields().Exists("PartyCode"));
}

TEST_F(DataListTest, OuterJoinKeepsRowsWithoutAMatch)
{
    auto goods = book->CreateList("REFGood");
    goods->Fields().SelectFields({"Code"});
    auto units = book->CreateList("REFGoodUnit");
    units->SetFilter(SqlTools::CondByField(units->Fields().Item("IsAccount"), SqlOperator::kEqual, Value(1)));
    units->Fields().SelectFields({"UnitCode"});
    goods->Join(units, "GUnit", "oTable.Code = GUnit.GoodCode", 1);
    goods->Refresh();
    auto rs = goods->Recordset();
    EXPECT_EQ(rs->RecordCount(), Count("SELECT COUNT(*) FROM REFGood g LEFT JOIN REFGoodUnit u "
                                       "ON u.GoodCode = g.Code AND u.IsAccount = 1"));
    std::int64_t withoutUnit = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        withoutUnit += rs->Fields().Item("UnitCode").Value().IsNull();
    EXPECT_EQ(withoutUnit, Count("SELECT COUNT(*) FROM REFGood g WHERE NOT EXISTS (SELECT 1 FROM REFGoodUnit u "
                                 "WHERE u.GoodCode = g.Code AND u.IsAccount = 1)"));
}

TEST_F(DataListTest, SumAggregateGroupsByTheOtherColumnsAndGroupExpressionsStayWhole)
{
    auto docs = book->CreateList("THDocument");
    docs->Fields().SelectFields({"DocTypeCode"});
    docs->Fields().AddField("Total", FieldType::kAmount, "oTable.Summa").SetAggregate(Aggregate::kSum);
    docs->Fields().AddField("Docs", FieldType::kPosition, "COUNT(*)").SetAggregate(Aggregate::kGroupExpression);
    docs->Refresh();
    auto rs = docs->Recordset();
    auto expected =
        book->Db().Query("SELECT DocTypeCode, SUM(Summa) AS Total, COUNT(*) AS n FROM THDocument GROUP BY DocTypeCode");
    ASSERT_EQ(rs->RecordCount(), static_cast<std::int64_t>(expected.rows.size()));
    auto sums = SumsByKey(*rs, "DocTypeCode", "Total");
    auto counts = SumsByKey(*rs, "DocTypeCode", "Docs");
    for (const auto& row : expected.rows) {
        EXPECT_EQ(sums[row[0].ToText()], row[1].ToCurrency()) << row[0].ToText();
        EXPECT_EQ(counts[row[0].ToText()], row[2].ToCurrency()) << row[0].ToText();
    }
}

TEST_F(DataListTest, GroupFilterKeepsOnlyGroupsWhoseSumsPass)
{
    // Types whose documents sum to at most a bound, the bound taken between two real totals.
    auto totals = book->Db().QueryPostgres(
        "SELECT DocTypeCode, SUM(Summa) FROM THDocument GROUP BY DocTypeCode ORDER BY SUM(Summa), DocTypeCode");
    ASSERT_GE(totals.rows.size(), 3u);
    const Currency bound = totals.rows[totals.rows.size() / 2][1].ToCurrency();
    std::map<std::string, Currency> expected;
    for (const auto& row : totals.rows)
        if (row[1].ToCurrency() <= bound) expected[row[0].ToText()] = row[1].ToCurrency();
    ASSERT_LT(expected.size(), totals.rows.size());

    auto docs = book->CreateList("THDocument");
    docs->Fields().SelectFields({"DocTypeCode"});
    docs->Fields().AddField("Total", FieldType::kAmount, "oTable.Summa").SetAggregate(Aggregate::kSum);
    docs->SetGroupFilter(
        SqlTools::CondByName("SUM(oTable.Summa)", FieldType::kAmount, SqlOperator::kNotGreater, Value(bound)));
    docs->SetAlias("Doc");
    EXPECT_NE(docs->SqlText().find("HAVING SUM(Doc.Summa) <= "), std::string::npos) << docs->SqlText();
    docs->Refresh();
    EXPECT_EQ(SumsByKey(*docs->Recordset(), "DocTypeCode", "Total"), expected);

    // Joined, the aggregated list stays a whole derived table with its own HAVING.
    auto types = book->CreateList("THDocType");
    types->Fields().SelectFields({"Code"});
    types->Join(docs, "Sums", "oTable.Code = Sums.DocTypeCode");
    types->Refresh();
    EXPECT_EQ(types->Recordset()->RecordCount(),
              CountPostgres("SELECT COUNT(*) FROM THDocType t WHERE t.Code IN (SELECT DocTypeCode FROM THDocument "
                            "GROUP BY DocTypeCode HAVING SUM(Summa) <= " +
                            bound.ToString() + ")"))
        << types->SqlText();
}

TEST_F(DataListTest, DerivedTablesUnionsAndSortAfterFill)
{
    auto sales = book->CreateList("THDocument");
    sales->Fields().SelectFields({"IDC", "DocTypeCode", "Summa"});
    sales->SetFilter("oTable.DocTypeCode = N'PRSF'");
    auto purchases = book->CreateList("THDocument");
    purchases->Fields().SelectFields({"IDC", "DocTypeCode", "Summa"});
    purchases->SetFilter("oTable.DocTypeCode = N'PISF'");
    sales->Union(purchases, "Both", true);

    auto outer = book->CreateList("");
    outer->SetSource(sales, "oTable", 0);
    outer->SetFilter("oTable.Summa > 100");
    outer->Refresh();
    auto rs = outer->Recordset();
    EXPECT_EQ(rs->RecordCount(),
              Count("SELECT COUNT(*) FROM THDocument WHERE DocTypeCode IN ('PRSF', 'PISF') AND Summa > 100"))
        << outer->SqlText();

    outer->Sort("Summa DESC");
    rs = outer->Recordset();
    rs->MoveFirst();
    Currency previous = rs->Fields().Item("Summa").Value().ToCurrency();
    EXPECT_EQ(previous, book->Db()
                            .Query("SELECT MAX(Summa) FROM THDocument WHERE DocTypeCode IN ('PRSF', 'PISF')")
                            .rows[0][0]
                            .ToCurrency());
    for (rs->MoveNext(); !rs->Eof(); rs->MoveNext()) {
        Currency current = rs->Fields().Item("Summa").Value().ToCurrency();
        ASSERT_LE(current, previous);
        previous = current;
    }
}

TEST_F(DataListTest, ParameterizedSourcesTakeTheirParams)
{
    std::string group =
        book->Db().Query("SELECT MIN(Parent) FROM REFClient WHERE Parent IS NOT NULL").rows.at(0).at(0).ToText();
    auto docs = book->CreateList("REFClient");
    docs->Fields().SelectFields({"Code"});
    auto tree = book->CreateList("REFClientT");
    tree->Fields().SelectFields({});
    tree->Params().Item("Node").SetValue(Value(group));
    docs->Join(tree, "clntT", "clntT.Code = oTable.Code");
    docs->Refresh();
    std::int64_t expected = CountPostgres("WITH RECURSIVE t AS (SELECT Code FROM REFClient WHERE Code = N'" + group +
                                          "' UNION ALL SELECT c.Code FROM REFClient c JOIN t ON c.Parent = t.Code) "
                                          "SELECT COUNT(*) FROM t");
    EXPECT_GT(expected, 1);
    EXPECT_EQ(docs->Recordset()->RecordCount(), expected) << docs->SqlText();
}

TEST_F(DataListTest, RatesConvertForeignAmountsIntoTheAccountingCurrency)
{
    // The rate in force, by the test's own look-up: the latest of the currency's default rate
    // type on or before the date, per document.
    const auto expectedSums = [&] {
        auto rs = book->Db().Query(
            "SELECT d.IDC, ROUND(d.Summa * (SELECT TOP 1 r.Rate FROM REFCurrencyRate r WHERE r.CurrencyCode = "
            "d.CurrencyCode AND r.RateTypeCode = c.DefaultRateType AND r.DateApply <= d.DocumentDate ORDER BY "
            "r.DateApply DESC), 2) FROM THDocument d JOIN REFCurrency c ON c.Code = d.CurrencyCode "
            "WHERE d.CurrencyCode <> N'EUR'");
        std::map<std::int64_t, Value> sums;
        for (const auto& row : rs.rows)
            sums[row.at(0).ToInteger()] = row.at(1);
        return sums;
    };
    const auto convertedSums = [&] {
        auto docs = book->CreateList("THDocument");
        docs->Fields().SelectFields({"IDC", "CurrencyCode", "Summa", "DocumentDate"});
        docs->SetAlias("Doc");
        RateJoin rates;
        rates.Init(book, "Cros", "Rate");
        rates.JoinRates(*docs, "DocumentDate", "CurrencyCode");
        docs->Fields().AddField("AccSumma", FieldType::kAmount, rates.ConvertExpr("CurrencyCode", "Doc.Summa"));
        docs->SetFilter("Doc.CurrencyCode <> N'EUR'");
        docs->Refresh();
        auto rs = docs->Recordset();
        std::map<std::int64_t, Value> sums;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            sums[rs->Fields().Item("IDC").Value().ToInteger()] = rs->Fields().Item("AccSumma").Value();
        return sums;
    };
    const auto expectSame = [](const std::map<std::int64_t, Value>& actual,
                               const std::map<std::int64_t, Value>& expected, const char* when) {
        ASSERT_EQ(actual.size(), expected.size()) << when;
        for (const auto& [idc, sum] : expected) {
            ASSERT_FALSE(sum.IsNull()) << idc;
            ASSERT_EQ(actual.at(idc).ToCurrency(), sum.ToCurrency()) << when << ": document " << idc;
        }
    };
    const auto expected = expectedSums();
    ASSERT_GT(expected.size(), 10u);
    expectSame(convertedSums(), expected, "rates of the day");

    // Days past those kept ahead are looked up in the rates themselves; a rate changed after
    // the documents were written applies to them at once.
    Data::Transaction tx(book->Db());
    book->Db().ExecutePostgresScript("DELETE FROM REFCurrencyRateDay WHERE RateDate >= '2026-01-01'");
    expectSame(convertedSums(), expected, "days not kept");
    book->Db().ExecutePostgresScript(
        "UPDATE REFCurrencyRate SET Rate = Rate * 3 WHERE DateApply BETWEEN '2025-06-01' AND '2025-06-30'");
    const auto changed = expectedSums();
    ASSERT_NE(changed, expected);
    expectSame(convertedSums(), changed, "rates changed");
}

TEST_F(DataListTest, ListJoinedForItsConditionsSumsApartAndPassesNoColumnsUp)
{
    // Each document with what its goods lines sum to, the sums joined as a list of their own.
    auto docs = book->CreateList("THDocument");
    docs->Fields().SelectFields({"IDC"});
    docs->SetFilter("oTable.DocTypeCode = N'PRSF'");
    auto lineSums = book->CreateList("THGoodSpec");
    lineSums->SetFilter("oTable.AmountAccount > 0");
    lineSums->Fields().SelectFields({"DocID"});
    lineSums->Fields().AddField("LineSumma", FieldType::kAmount, "oTable.Summa").SetAggregate(Aggregate::kSum);
    docs->JoinForConditions(lineSums, "Lines", "Lines.DocID = oTable.IDC", 1);
    docs->Fields().AddField("Rest", FieldType::kAmount, "oTable.Summa - ISNULL(Lines.LineSumma, 0)");
    docs->Refresh();
    auto rs = docs->Recordset();
    // Neither the joined list's key nor its sum is a column of the list, and no document is
    // repeated by its lines.
    EXPECT_EQ(rs->Fields().Count(), 2u);
    EXPECT_FALSE(rs->Fields().Exists("DocID"));
    EXPECT_FALSE(rs->Fields().Exists("LineSumma"));
    EXPECT_EQ(rs->RecordCount(), Count("SELECT COUNT(*) FROM THDocument WHERE DocTypeCode = N'PRSF'"));
    auto expected = book->Db().Query(
        "SELECT d.IDC, d.Summa - ISNULL((SELECT SUM(s.Summa) FROM THGoodSpec s WHERE s.DocID = d.IDC AND "
        "s.AmountAccount > 0), 0) FROM THDocument d WHERE d.DocTypeCode = N'PRSF'");
    std::map<std::int64_t, Currency> rests;
    for (const auto& row : expected.rows)
        rests[row.at(0).ToInteger()] = row.at(1).ToCurrency();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        auto idc = rs->Fields().Item("IDC").Value().ToInteger();
        ASSERT_EQ(rs->Fields().Item("Rest").Value().ToCurrency(), rests.at(idc)) << idc;
    }
    EXPECT_GT(Count("SELECT COUNT(*) FROM THGoodSpec s JOIN THDocument d ON d.IDC = s.DocID "
                    "WHERE d.DocTypeCode = N'PRSF' AND s.AmountAccount > 0"),
              0);
}

TEST_F(DataListTest, TopLimitsTheRowsInTheirOrderAlsoAcrossAUnionAndAsASubQuery)
{
    auto ids = [](DataList& list) {
        std::vector<std::int64_t> out;
        auto rs = list.Recordset();
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            out.push_back(rs->Fields().Item("IDC").Value().ToInteger());
        return out;
    };
    auto expected = [&](const std::string& sql) {
        std::vector<std::int64_t> out;
        for (const auto& row : book->Db().QueryPostgres(sql).rows)
            out.push_back(row.at(0).ToInteger());
        return out;
    };

    auto sales = book->CreateList("THDocument");
    sales->Fields().SelectFields({"IDC"});
    sales->SetFilter("oTable.DocTypeCode = 'PRSF'");
    sales->OrderBy("oTable.IDC DESC");
    sales->SetTop(3);
    sales->Refresh();
    EXPECT_EQ(ids(*sales), expected("SELECT IDC FROM THDocument WHERE DocTypeCode = 'PRSF' ORDER BY IDC DESC LIMIT 3"));

    // Limited as a whole: the union's first rows in the union's order, not the first part's.
    auto both = book->CreateList("THDocument");
    both->Fields().SelectFields({"IDC"});
    both->SetFilter("oTable.DocTypeCode = 'PRSF'");
    auto purchases = book->CreateList("THDocument");
    purchases->Fields().SelectFields({"IDC"});
    purchases->SetFilter("oTable.DocTypeCode = 'PISF'");
    both->Union(purchases, "Pisf", true);
    both->OrderBy("IDC");
    both->SetTop(4);
    both->Refresh();
    EXPECT_EQ(ids(*both), expected("SELECT IDC FROM THDocument WHERE DocTypeCode IN ('PRSF', 'PISF') "
                                   "ORDER BY IDC LIMIT 4"));

    // One row of a list as the value of a column: the newest purchase of each goods item.
    auto newest = book->CreateList("THDocument");
    newest->SetAlias("Pisf");
    newest->Fields().SelectFields({"IDC"});
    newest->SetFilter("oTable.DocTypeCode = 'PISF'");
    newest->OrderBy("oTable.DocumentDate DESC, oTable.IDC DESC");
    newest->SetTop(1);
    auto one = book->CreateList("REFCurrency");
    one->Fields().SelectFields({});
    one->Fields().AddField("IDC", FieldType::kPosition, "(" + newest->SqlText() + ")");
    one->SetFilter("oTable.Code = 'EUR'");
    one->Refresh();
    EXPECT_EQ(ids(*one), expected("SELECT IDC FROM THDocument WHERE DocTypeCode = 'PISF' "
                                  "ORDER BY DocumentDate DESC, IDC DESC LIMIT 1"));

    EXPECT_THROW(sales->SetTop(-1), ValueError);
    sales->SetTop(0);
    sales->Refresh();
    EXPECT_EQ(sales->Recordset()->RecordCount(), Count("SELECT COUNT(*) FROM THDocument WHERE DocTypeCode = 'PRSF'"));
}

TEST_F(DataListTest, RateOfADayIsTheLatestRateOfTheDefaultTypeUpToThatDay)
{
    RateJoin rates;
    rates.Init(book, "Cros", "Rate");
    // Every currency with rates, on the day of one of its rates, the day before and long
    // after; each compared with the rate the tables give by hand.
    auto currencies = book->Db().QueryPostgres(
        "SELECT c.Code, min(r.DateApply) FROM REFCurrency c JOIN REFCurrencyRate r ON r.CurrencyCode = c.Code "
        "AND r.RateTypeCode = c.DefaultRateType GROUP BY c.Code");
    ASSERT_FALSE(currencies.rows.empty());
    for (const auto& row : currencies.rows) {
        const std::string code = row.at(0).ToText();
        const Date first = row.at(1).ToDate();
        for (const Date day : {first, first.AddDays(17), Date(2030, 1, 1)}) {
            auto byHand = book->Db().QueryPostgres(
                "SELECT r.Rate::text FROM REFCurrencyRate r JOIN REFCurrency c ON c.Code = r.CurrencyCode "
                "AND c.DefaultRateType = r.RateTypeCode WHERE r.CurrencyCode = $1 AND r.DateApply <= $2 "
                "ORDER BY r.DateApply DESC LIMIT 1",
                {Value(code), Value(day)});
            const Value rate = rates.CrRate(code, day);
            EXPECT_NEAR(rate.ToDouble(), std::stod(byHand.rows.at(0).at(0).ToText()), 1e-9)
                << code << " " << day.ToIso();
        }
        // Before its first rate a currency has none.
        EXPECT_TRUE(rates.CrRate(code, first.AddDays(-1)).IsNull()) << code;
    }
    EXPECT_EQ(rates.CrRate(book->AccountCurrency(), Date(2026, 1, 1)), Value(Currency::FromInteger(1)));
    EXPECT_TRUE(rates.CrRate("XXX", Date(2026, 1, 1)).IsNull());
}
