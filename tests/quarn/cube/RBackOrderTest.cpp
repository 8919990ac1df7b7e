#include "quarn/cube/RBackOrder.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/fCubeParamBackOrder.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;

namespace {

struct Owed {
    double ordered = 0;
    double delivered = 0;
    double value = 0;
};

// The open order lines worked out in plain PostgreSQL, summed by client code ("" without one).
std::map<std::string, Owed> ExpectedByClient(Book& book, const std::string& beg, const std::string& end)
{
    const std::string acc = book.AccountCurrency();
    auto rs = book.Db().QueryPostgres(R"sql(
        WITH lines AS (
            SELECT d.IDC, d.CurrencyCode, d.DocumentDate, s.AmountAccount AS p, s.Summa, COALESCE(pa.PartyCode, '') AS client,
                   COALESCE((SELECT SUM(c.AmountAccount) FROM THGoodContent c
                             JOIN THGoodSpec fs ON fs.IDC = c.SpecID JOIN THDocument fd ON fd.IDC = fs.DocID
                             WHERE c.CorSpecID = s.IDC AND fd.IsPosted = 1
                               AND (c.LinkKindCode, fd.DocTypeCode) IN (('OR', 'PRSF'), ('PN', 'POSF'))
                               AND fd.DocumentDate <= ')sql" +
                                      end + R"sql('), 0) AS f
            FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC
            LEFT JOIN THPartyAttribute pa ON pa.DocID = d.IDC AND pa.RolePartyCode = 'PIR'
            WHERE d.DocTypeCode = 'PRS' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN ')sql" +
                                      beg + "' AND '" + end + R"sql(')
        SELECT l.client, SUM(l.p)::float8, SUM(l.f)::float8,
               SUM(CASE WHEN l.CurrencyCode = ')sql" +
                                      acc + R"sql(' THEN x.v ELSE ROUND(x.v * cr.Rate, 2) END)::float8
        FROM lines l
        JOIN LATERAL (SELECT COALESCE(l.Summa / NULLIF(l.p, 0), 0) * (l.p - l.f) AS v) x ON TRUE
        LEFT JOIN LATERAL (
            SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
            WHERE r.CurrencyCode = l.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType AND r.DateApply <= l.DocumentDate
            ORDER BY r.DateApply DESC LIMIT 1) cr ON TRUE
        WHERE l.p > l.f GROUP BY l.client)sql");
    std::map<std::string, Owed> owed;
    for (const auto& row : rs.rows)
        owed[row.at(0).ToText()] = {row.at(1).ToDouble(), row.at(2).ToDouble(), row.at(3).ToDouble()};
    return owed;
}

} // namespace

TEST(BackOrders, CubeTotalsMatchTheOpenOrderLinesByClient)
{
    auto book = Testing::OpenDemoBook("tester");
    for (auto [beg, end] : {std::pair{"2025-01-01", "2026-12-31"}, {"2025-01-01", "2025-06-30"}}) {
        SCOPED_TRACE(end);
        FieldList params;
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date::Parse(beg)));
        params.Add("DateEnd", FieldType::kDate, Value(Date::Parse(end)));
        Quarn_DuzAde::RBackOrder report;
        ASSERT_TRUE(report.Prepare(params));
        auto list = report.CreateList();
        list->Refresh();
        Cube::Engine engine;
        engine.AttachRecordset(*list->Recordset());
        report.DefineCube(engine);
        engine.SetActive(true);

        const auto expected = ExpectedByClient(*book, beg, end);
        ASSERT_GT(expected.size(), 1u) << "the demo company has open back orders";
        Owed all;
        for (const auto& [client, owed] : expected) {
            all.ordered += owed.ordered;
            all.delivered += owed.delivered;
            all.value += owed.value;
        }
        EXPECT_GT(all.ordered, all.delivered);
        EXPECT_GT(all.delivered, 0.0); // partly delivered lines are among them
        const auto& grid = engine.Grid();
        const auto total = *grid.FindRow({});
        const auto years = *grid.FindColHeader({});
        EXPECT_NEAR(*grid.FactValue(total, years, "PAmount"), all.ordered, 1e-6);
        EXPECT_NEAR(*grid.FactValue(total, years, "FAmount"), all.delivered, 1e-6);
        EXPECT_NEAR(*grid.FactValue(total, years, "Amount"), all.ordered - all.delivered, 1e-6);
        EXPECT_NEAR(*grid.FactValue(total, years, "SummaAcc"), all.value, 0.005);

        std::size_t compared = 0;
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            const auto& header = grid.RowHeader(row);
            if (header.Codes.empty()) continue;
            const std::string member = grid.RowDims().at(0)->Member(header.Codes.at(0)).ToText();
            const auto colon = member.find(':');
            const std::string code = colon == std::string::npos ? "" : member.substr(0, colon);
            SCOPED_TRACE(member);
            ASSERT_TRUE(expected.count(code));
            EXPECT_NEAR(*grid.FactValue(row, years, "Amount"), expected.at(code).ordered - expected.at(code).delivered,
                        1e-6);
            EXPECT_NEAR(*grid.FactValue(row, years, "SummaAcc"), expected.at(code).value, 0.005);
            ++compared;
        }
        EXPECT_EQ(compared, expected.size());
    }
}

TEST(BackOrders, ParameterFormRefusesABadPeriodAtTheControl)
{
    struct Case {
        const char* control;
        const char* value;
        const char* expected;
    };
    for (const Case& c : {Case{"edEndDate", "2024-12-31", "edEndDate: the period ends"},
                          Case{"edBegDate", "", "edBegDate"}, Case{"edEndDate", "9999-12-31", "edEndDate"}}) {
        SCOPED_TRACE(c.control);
        FieldList params;
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
        Testing::ScriptedUser user;
        user.Set("fCubeParamBackOrder", c.control, c.value)
            .Click("fCubeParamBackOrder", "btOk")
            .Click("fCubeParamBackOrder", "btCancel");
        Quarn_DuzAde::fCubeParamBackOrder form;
        EXPECT_FALSE(form.Browse(nullptr, params, "Back orders"));
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find(c.expected), std::string::npos) << user.ErrorMessages()[0];
        EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2025, 12, 31));
    }

    Testing::ScriptedUser user;
    user.Set("fCubeParamBackOrder", "edBegDate", "2026-02-01").Click("fCubeParamBackOrder", "btOk");
    FieldList params;
    Quarn_DuzAde::fCubeParamBackOrder form;
    params.Add("DateEnd", FieldType::kDate, Value(Date(2026, 3, 31)));
    EXPECT_TRUE(form.Browse(nullptr, params, "Back orders"));
    EXPECT_EQ(params.Item("DateBeg").GetValue().ToDate(), Date(2026, 2, 1));
}
