#include "quarn/cube/RSaleInfimumPrice.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/fCubeParamSaleInfPrice.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;

TEST(SalesBelowLowestPrice, LinesBelowTheFloorByClientMatchThePriceList)
{
    auto book = Testing::OpenDemoBook("tester");
    // The cost price type: the lowest price a good may go for.
    for (const char* floorType : {"SAV", "AKC"}) {
        SCOPED_TRACE(floorType);
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2026, 12, 31)));
        params.Add("PriceTypeCode", FieldType::kCode, Value(std::string(floorType)));
        Quarn_DuzAde::RSaleInfimumPrice report;
        ASSERT_TRUE(report.Prepare(params));
        auto list = report.CreateList();
        list->Refresh();
        Cube::Engine engine;
        engine.AttachRecordset(*list->Recordset());
        report.DefineCube(engine);
        engine.SetActive(true);

        const std::string acc = book->AccountCurrency();
        auto expected = book->Db().QueryPostgres(R"sql(
            SELECT CASE WHEN GROUPING(cl.Code || ':' || cl.Name) = 1 THEN '*'
                        ELSE COALESCE(cl.Code || ':' || cl.Name, '(not given)') END, count(*),
                   SUM(CASE WHEN d.CurrencyCode = ')sql" +
                                                 acc + R"sql(' THEN s.Summa - v.SummVAT
                            ELSE ROUND((s.Summa - v.SummVAT) * cr.Rate, 2) END)::float8
            FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
            JOIN THGoodSpecPRSF v ON v.DocID = s.DocID AND v.PosNumb = s.PosNumb
            JOIN REFGoodUnit u ON u.GoodCode = s.GoodCode AND u.IsAccount = 1
            JOIN REFPriceType t ON t.Code = ')sql" +
                                                 floorType + R"sql('
            JOIN LATERAL (SELECT gp.Price FROM REFGoodPrice gp WHERE gp.PriceTypeCode = t.Code
                            AND gp.GoodCode = s.GoodCode AND gp.UnitCode = u.UnitCode
                            AND gp.CurrencyCode = d.CurrencyCode AND gp.DateApply <= d.DocumentDate
                          ORDER BY gp.DateApply DESC LIMIT 1) p ON TRUE
            LEFT JOIN THPartyAttribute pa ON pa.DocID = d.IDC AND pa.RolePartyCode = 'PIR'
            LEFT JOIN REFClient cl ON cl.Code = pa.PartyCode
            LEFT JOIN LATERAL (
                SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
                WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType
                  AND r.DateApply <= d.DocumentDate ORDER BY r.DateApply DESC LIMIT 1) cr ON TRUE
            WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1 AND s.AmountAccount > 0
              AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'
              AND (s.Summa - v.SummVAT) / s.AmountAccount
                  < p.Price / CASE WHEN t.IsVATIncluded = 1 THEN 1 + v.VATRate / 100 ELSE 1 END
            GROUP BY ROLLUP (cl.Code || ':' || cl.Name))sql");
        ASSERT_GT(expected.rows.size(), 2u) << "the demo company sells below the floor now and then";
        std::int64_t lines = 0;
        for (const auto& row : expected.rows)
            if (row.at(0).ToText() == "*") lines = row.at(1).ToInteger();
        EXPECT_GT(lines, 0);
        EXPECT_EQ(list->Recordset()->RecordCount(), lines);

        engine.Dims().Item("Department").MoveTo(Cube::Axis::Filter, 0);
        engine.Dims().Item("Person").MoveTo(Cube::Axis::Filter, 0);
        engine.Dims().Item("Month").MoveTo(Cube::Axis::Filter, 0);
        engine.Dims().Item("Client").MoveTo(Cube::Axis::Rows, 0);
        const auto& grid = engine.Grid();
        for (const auto& row : expected.rows) {
            const std::string client = row.at(0).ToText();
            SCOPED_TRACE(client);
            const auto at = client == "*" ? grid.FindRow({}) : grid.FindRow({Value(client)});
            ASSERT_TRUE(at);
            EXPECT_NEAR(*grid.FactValue(*at, 0, "Summa"), row.at(2).ToDouble(), 0.005);
        }
    }
}

TEST(SalesBelowLowestPrice, ParameterFormAndReportRefuseAMissingFloor)
{
    auto book = Testing::OpenDemoBook("tester");
    for (const char* value : {"", "X'Y;--"}) {
        SCOPED_TRACE(value);
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
        Testing::ScriptedUser user;
        user.Set("fCubeParamSaleInfPrice", "cbPriceType", value)
            .Click("fCubeParamSaleInfPrice", "btOk")
            .Click("fCubeParamSaleInfPrice", "btCancel");
        Quarn_DuzAde::fCubeParamSaleInfPrice form;
        EXPECT_FALSE(form.Browse(nullptr, params, "Below"));
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find("cbPriceType"), std::string::npos) << user.ErrorMessages()[0];
        EXPECT_FALSE(params.ExistsField("PriceTypeCode"));
    }
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    Quarn_DuzAde::RSaleInfimumPrice report;
    ASSERT_TRUE(report.Prepare(params));
    EXPECT_THROW(report.CreateList(), ValueError);
}
