#include "quarn/cube/RSaleCompetitor.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/fCubeSaleComp.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;

namespace {

struct Sums {
    double amount = 0;
    double summa = 0;
    double cost = 0;
};

// Sales lines of 2025 (returns with -1) once per competitor's article of their good, by
// competitor ("code:name"; "" for all), in plain PostgreSQL.
std::map<std::string, Sums> Expected(Book& book, bool analogues)
{
    const std::string acc = book.AccountCurrency();
    auto rs = book.Db().QueryPostgres(R"sql(
        SELECT COALESCE(c.Code || ':' || c.Name, ''), SUM(t.sgn * s.AmountAccount)::float8,
               SUM(t.sgn * CASE WHEN d.CurrencyCode = ')sql" +
                                      acc +
                                      R"sql(' THEN s.Summa - v.SummVAT
                                ELSE ROUND((s.Summa - v.SummVAT) * cr.Rate, 2) END)::float8,
               SUM(t.sgn * s.CostSumm)::float8
        FROM THDocument d
        JOIN (VALUES ('PRSF', 1), ('GPG', -1)) t(type, sgn) ON t.type = d.DocTypeCode
        JOIN THGoodSpec s ON s.DocID = d.IDC
        JOIN (SELECT DocID, PosNumb, SummVAT FROM THGoodSpecPRSF UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecGPG) v
          ON v.DocID = s.DocID AND v.PosNumb = s.PosNumb
        JOIN REFCompGood g ON g.GoodCode = s.GoodCode AND ()sql" +
                                      std::string(analogues ? "TRUE" : "g.IsAnalogue = 0") + R"sql()
        JOIN REFCompetitor c ON c.Code = g.CompetitorCode
        LEFT JOIN LATERAL (
            SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
            WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType AND r.DateApply <= d.DocumentDate
            ORDER BY r.DateApply DESC LIMIT 1) cr ON TRUE
        WHERE d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'
        GROUP BY ROLLUP (c.Code || ':' || c.Name))sql");
    std::map<std::string, Sums> sums;
    for (const auto& row : rs.rows)
        sums[row.at(0).ToText()] = {row.at(1).ToDouble(), row.at(2).ToDouble(), row.at(3).ToDouble()};
    return sums;
}

} // namespace

TEST(SalesAgainstCompetitors, TotalsPerCompetitorMatchTheSalesLinesOfTheirArticles)
{
    auto book = Testing::OpenDemoBook("tester");
    for (bool analogues : {false, true}) {
        SCOPED_TRACE(analogues ? "with analogues" : "same goods only");
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
        params.Add("IsAnalogue", FieldType::kFlag, Value(analogues ? 1 : 0));
        Quarn_DuzAde::RSaleCompetitor sales;
        Quarn_DuzAde::RProfitByCompetitor profit;
        ASSERT_TRUE(sales.Prepare(params));
        ASSERT_TRUE(profit.Prepare(params));
        EXPECT_FALSE(sales.FolderLevels().empty());
        auto list = sales.CreateList();
        list->Refresh();
        Cube::Engine salesCube;
        salesCube.AttachRecordset(*list->Recordset());
        sales.DefineCube(salesCube);
        salesCube.SetActive(true);
        Cube::Engine profitCube;
        profitCube.AttachRecordset(*list->Recordset());
        profit.DefineCube(profitCube);
        profitCube.SetActive(true);

        const auto expected = Expected(*book, analogues);
        ASSERT_GT(expected.size(), 2u);
        const auto& grid = salesCube.Grid();
        const auto& profitGrid = profitCube.Grid();
        const auto years = *grid.FindColHeader({});
        for (const auto& [competitor, sums] : expected) {
            SCOPED_TRACE(competitor);
            const auto row = competitor.empty() ? grid.FindRow({}) : grid.FindRow({Value(competitor)});
            ASSERT_TRUE(row);
            EXPECT_NEAR(*grid.FactValue(*row, years, "Amount"), sums.amount, 1e-6);
            EXPECT_NEAR(*grid.FactValue(*row, years, "SummaAcc"), sums.summa, 0.005);
            EXPECT_NEAR(*grid.FactValue(*row, years, "Price"), sums.summa / sums.amount, 1e-6);
            const auto profitRow =
                competitor.empty() ? profitGrid.FindRow({}) : profitGrid.FindRow({Value(competitor)});
            ASSERT_TRUE(profitRow);
            EXPECT_NEAR(*profitGrid.FactValue(*profitRow, years, "CostSumm"), sums.cost, 0.005);
            EXPECT_NEAR(*profitGrid.FactValue(*profitRow, years, "Profit"), sums.summa - sums.cost, 0.01);
            EXPECT_NEAR(*profitGrid.FactValue(*profitRow, years, "ProfitProc"),
                        (sums.summa - sums.cost) / sums.summa * 100, 1e-3);
        }
    }
}

TEST(SalesAgainstCompetitors, ParameterFormWritesTheChoiceAndRefusesABadPeriod)
{
    FieldList params;
    params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
    params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
    Testing::ScriptedUser bad;
    bad.Set("fCubeProfitByComp", "edEndDate", "2024-01-01")
        .Click("fCubeProfitByComp", "btOk")
        .Click("fCubeProfitByComp", "btCancel");
    Quarn_DuzAde::fCubeSaleComp refused("fCubeProfitByComp");
    EXPECT_FALSE(refused.Browse(nullptr, params, "Profit"));
    ASSERT_EQ(bad.ErrorMessages().size(), 1u);
    EXPECT_NE(bad.ErrorMessages()[0].find("edEndDate: the period ends"), std::string::npos);
    EXPECT_FALSE(params.ExistsField("IsAnalogue"));

    Testing::ScriptedUser user;
    user.Set("fCubeSaleComp", "chIsAnalogue", "1").Click("fCubeSaleComp", "btOk");
    Quarn_DuzAde::fCubeSaleComp form;
    EXPECT_TRUE(form.Browse(nullptr, params, "Sales"));
    EXPECT_EQ(params.Item("IsAnalogue").GetValue().ToInteger(), 1);
}
