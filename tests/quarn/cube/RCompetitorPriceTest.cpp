#include "quarn/cube/RCompetitorPrice.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/frmRCompetitorPrice.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;

TEST(CompetitorPrices, CountsAndLowestAverageHighestMatchThePriceRecords)
{
    auto book = Testing::OpenDemoBook("tester");
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    params.Add("BegPeriod", FieldType::kDate, Value(Date(2025, 1, 1)));
    params.Add("EndPeriod", FieldType::kDate, Value(Date(2025, 12, 31)));
    Quarn_DuzAde::RCompetitorPrice report;
    ASSERT_TRUE(report.Prepare(params));
    EXPECT_EQ(report.Params().Item("CurrencyCode").GetValue().ToText(), book->AccountCurrency());
    auto list = report.CreateList();
    list->Refresh();
    Cube::Engine engine;
    engine.AttachRecordset(*list->Recordset());
    report.DefineCube(engine);
    engine.SetActive(true);

    // Goods down the rows, competitors across: per competitor and in all, as plain SQL sees it.
    auto expected = book->Db().QueryPostgres(
        "SELECT COALESCE(c.Code || ':' || c.Name, ''), count(*), min(p.Price)::float8, avg(p.Price)::float8, "
        "max(p.Price)::float8 FROM REFCompPrice p JOIN REFCompetitor c ON c.Code = p.CompetitorCode "
        "WHERE p.DateApply BETWEEN '2025-01-01' AND '2025-12-31' AND p.CurrencyCode = '" +
        book->AccountCurrency() + "' GROUP BY ROLLUP (c.Code || ':' || c.Name) ORDER BY 1");
    ASSERT_GT(expected.rows.size(), 2u);
    const auto& grid = engine.Grid();
    const auto total = *grid.FindRow({});
    for (const auto& row : expected.rows) {
        const std::string competitor = row.at(0).ToText();
        SCOPED_TRACE(competitor);
        const auto col = competitor.empty() ? grid.FindColHeader({}) : grid.FindColHeader({Value(competitor)});
        ASSERT_TRUE(col);
        EXPECT_DOUBLE_EQ(*grid.FactValue(total, *col, "COUNTER"), static_cast<double>(row.at(1).ToInteger()));
        EXPECT_NEAR(*grid.FactValue(total, *col, "MinPrice"), row.at(2).ToDouble(), 1e-9);
        EXPECT_NEAR(*grid.FactValue(total, *col, "AvgPrice"), row.at(3).ToDouble(), 1e-6);
        EXPECT_NEAR(*grid.FactValue(total, *col, "MaxPrice"), row.at(4).ToDouble(), 1e-9);
    }
    // One good at one competitor: its records of the year, the average over their number.
    auto one = book->Db().QueryPostgres(
        "SELECT cg.GoodCode || ':' || g.Name, c.Code || ':' || c.Name, count(*), avg(p.Price)::float8 "
        "FROM REFCompPrice p JOIN REFCompGood cg ON cg.CompetitorCode = p.CompetitorCode AND cg.Code = p.CompGoodCode "
        "JOIN REFGood g ON g.Code = cg.GoodCode JOIN REFCompetitor c ON c.Code = p.CompetitorCode "
        "WHERE p.DateApply BETWEEN '2025-01-01' AND '2025-12-31' GROUP BY 1, 2 ORDER BY count(*) DESC, 1, 2 LIMIT 1");
    const auto row = grid.FindRow({Value(one.rows.at(0).at(0).ToText())});
    const auto col = grid.FindColHeader({Value(one.rows.at(0).at(1).ToText())});
    ASSERT_TRUE(row && col);
    EXPECT_GT(one.rows.at(0).at(2).ToInteger(), 1);
    EXPECT_DOUBLE_EQ(*grid.FactValue(*row, *col, "COUNTER"), static_cast<double>(one.rows.at(0).at(2).ToInteger()));
    EXPECT_NEAR(*grid.FactValue(*row, *col, "AvgPrice"), one.rows.at(0).at(3).ToDouble(), 1e-6);
    EXPECT_THROW((void)grid.ColumnOf(0, "SumPrice"), ValueError); // the average's helper stays hidden

    // Another currency has no prices: an empty cube, no error.
    report.Params().Add("CurrencyCode", FieldType::kCode, Value(std::string("X'Y;--")));
    auto none = report.CreateList();
    none->Refresh();
    EXPECT_EQ(none->Recordset()->RecordCount(), 0);
}

TEST(CompetitorPrices, ParameterFormRefusesBadInputAtTheControl)
{
    auto book = Testing::OpenDemoBook("tester");
    struct Case {
        const char* control;
        const char* value;
        const char* expected;
    };
    for (const Case& c : {Case{"edEndPeriod", "2024-01-01", "edEndPeriod: the period ends"},
                          Case{"cbCurrency", "", "cbCurrency: choose"},
                          Case{"cbCurrency", "E'U;--", "cbCurrency: there is no currency"}}) {
        SCOPED_TRACE(c.control);
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("BegPeriod", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("EndPeriod", FieldType::kDate, Value(Date(2025, 12, 31)));
        params.Add("CurrencyCode", FieldType::kCode, Value(std::string("EUR")));
        Testing::ScriptedUser user;
        user.Set("frmRCompetitorPrice", c.control, c.value)
            .Click("frmRCompetitorPrice", "btOk")
            .Click("frmRCompetitorPrice", "btCancel");
        Quarn_DuzAde::frmRCompetitorPrice form;
        EXPECT_FALSE(form.Browse(nullptr, params, "Prices"));
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find(c.expected), std::string::npos) << user.ErrorMessages()[0];
        EXPECT_EQ(params.Item("CurrencyCode").GetValue().ToText(), "EUR");
        EXPECT_EQ(params.Item("EndPeriod").GetValue().ToDate(), Date(2025, 12, 31));
    }
}
