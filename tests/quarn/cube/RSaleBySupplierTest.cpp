#include "quarn/cube/RSaleBySupplier.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/fCubeParamSaleBySupplier.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace Talvex;
using Quarn_DuzAde::RSaleBySupplier;

namespace {

constexpr double kTolerance = 0.005;

struct Figures {
    double outAmount = 0;
    double outSum = 0;
    double outCost = 0;
    double restAmount = 0;
    double restValue = 0;
};

class SalesBySupplierTest : public CubeRunChecks::ReportFixture<RSaleBySupplier> {
protected:
    SalesBySupplierTest() : ReportFixture(Date(2025, 1, 1), Date(2025, 12, 31)) {}

    // Worked out from the documents themselves: a sale's part is traced to the row it was
    // taken from (a consignment receipt too) and that row's vendor; the part is its row's sum without VAT prorated to
    // the quantity fixed, converted at the latest rate up to the sale's day, at the lot's unit cost. The rests are
    // those of our own lots (posted incoming goods rows; consigned goods are the vendor's): what the fixations of rows
    // dated up to the year's end left of them.
    std::map<std::string, Figures> Expected()
    {
        const std::string acc = book->AccountCurrency();
        const std::string lots = R"sql(
            SELECT i.IDC AS LineID, p.PartyCode AS vendor, i.AmountAccount, i.CostSumm, d.DocumentDate
            FROM THDocument d JOIN THGoodSpec i ON i.DocID = d.IDC JOIN REFGood g ON g.Code = i.GoodCode AND g.Category = 0
            LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
            WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('PISF', 'GPG', 'MNFC', 'POSF'))sql";
        const std::string sql = R"sql(
        WITH lots AS ()sql" + lots +
                                R"sql(),
        vat AS (SELECT DocID, PosNumb, SummVAT FROM THGoodSpecPRSF UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecRD
                UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecRDG UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecHR
                UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecHS),
        sold AS (
            SELECT l.vendor, f.Amount AS qty,
                   CASE WHEN od.CurrencyCode = ')sql" +
                                acc + R"sql(' THEN x.net ELSE ROUND(x.net * cr.Rate, 2) END AS sum,
                   ROUND(COALESCE(l.CostSumm / NULLIF(l.AmountAccount, 0), 0) * f.Amount, 4) AS cost
            FROM THGoodSpecFixLog f
            JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID
            JOIN THDocument od ON od.IDC = o.DocID AND od.IsPosted = 1 AND od.DocTypeCode IN ('PRSF', 'RD', 'RDG', 'HR', 'HS')
            JOIN (SELECT i.IDC AS LineID, p.PartyCode AS vendor, i.AmountAccount, i.CostSumm FROM THGoodSpec i
                  LEFT JOIN THPartyAttribute p ON p.DocID = i.DocID AND p.RolePartyCode = 'PAR') l ON l.LineID = f.IncomeSpecID
            LEFT JOIN vat v ON v.DocID = o.DocID AND v.PosNumb = o.PosNumb
            JOIN LATERAL (SELECT COALESCE((o.Summa - COALESCE(v.SummVAT, 0)) / NULLIF(o.AmountAccount, 0), 0) * f.Amount AS net) x ON TRUE
            LEFT JOIN LATERAL (
                SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
                WHERE r.CurrencyCode = od.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType AND r.DateApply <= od.DocumentDate
                ORDER BY r.DateApply DESC LIMIT 1) cr ON TRUE
            WHERE od.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'),
        rest AS (
            SELECT l.vendor, l.AmountAccount - COALESCE(t.taken, 0) AS qty,
                   ROUND(COALESCE(l.CostSumm / NULLIF(l.AmountAccount, 0), 0) * (l.AmountAccount - COALESCE(t.taken, 0)), 4) AS value
            FROM lots l
            LEFT JOIN (SELECT f.IncomeSpecID, SUM(f.Amount) AS taken FROM THGoodSpecFixLog f
                       JOIN THGoodSpec o ON o.IDC = f.OutcomeSpecID JOIN THDocument od ON od.IDC = o.DocID
                       WHERE od.DocumentDate <= '2025-12-31' GROUP BY 1) t ON t.IncomeSpecID = l.LineID
            WHERE l.DocumentDate <= '2025-12-31')
        SELECT COALESCE(vendor, ''), SUM(oa)::float8, SUM(os)::float8, SUM(oc)::float8, SUM(ra)::float8, SUM(rv)::float8
        FROM (SELECT vendor, qty AS oa, sum AS os, cost AS oc, 0 AS ra, 0 AS rv FROM sold
              UNION ALL SELECT vendor, 0, 0, 0, qty, value FROM rest) u GROUP BY 1)sql";
        std::map<std::string, Figures> figures;
        for (const auto& row : book->Db().QueryPostgres(sql).rows) {
            Figures f{row.at(1).ToDouble(), row.at(2).ToDouble(), row.at(3).ToDouble(), row.at(4).ToDouble(),
                      row.at(5).ToDouble()};
            figures[row.at(0).ToText()] = f;
            Figures& all = figures["*"];
            all.outAmount += f.outAmount;
            all.outSum += f.outSum;
            all.outCost += f.outCost;
            all.restAmount += f.restAmount;
            all.restValue += f.restValue;
        }
        return figures;
    }

    static void ExpectFigures(const Cube::CubeGrid& grid, std::size_t row, std::size_t col, const Figures& e)
    {
        auto at = [&](const char* fact) { return grid.FactValue(row, col, fact).value_or(0); };
        EXPECT_NEAR(at("OutAmount"), e.outAmount, kTolerance);
        EXPECT_NEAR(at("OutSum"), e.outSum, kTolerance);
        EXPECT_NEAR(at("OutCost"), e.outCost, kTolerance);
        EXPECT_NEAR(at("RestAmount"), e.restAmount, kTolerance);
        EXPECT_NEAR(at("RestValue"), e.restValue, kTolerance);
        EXPECT_NEAR(at("Profit"), e.outSum - e.outCost, kTolerance);
    }
};

} // namespace

// Hand-made rows: the price, profit and mark-up of a total come from the total's sums, and a
// supplier's rest stands beside its sales.
TEST(SalesBySupplierDefinition, PriceProfitAndMarkUpComeFromTheSums)
{
    Cube::CubeSource source;
    source.AddColumn("Supplier", std::vector<std::string>{"V1:One", "V1:One", "V1:One", "V2:Two"});
    source.AddColumn("GoodGr", std::vector<std::string>{"G:Group", "G:Group", "G:Group", "G:Group"});
    source.AddColumn("Good", std::vector<std::string>{"A:a", "B:b", "A:a", "B:b"});
    source.AddColumn("DocumentDate",
                     std::vector<Date>{Date(2025, 1, 1), Date(2025, 2, 1), Date(2025, 12, 31), Date(2025, 3, 1)});
    source.AddColumn("OutAmount", std::vector<double>{2, 3, 0, 5});
    source.AddColumn("OutSum", std::vector<double>{30, 45, 0, 50});
    source.AddColumn("OutCost", std::vector<double>{20, 30, 0, 50});
    source.AddColumn("RestAmount", std::vector<double>{0, 0, 7, 0});
    source.AddColumn("RestValue", std::vector<double>{0, 0, 70, 0});
    Cube::Engine engine;
    engine.SetSource(source);
    RSaleBySupplier::DefineCube(engine);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    auto v1 = grid.FindRow({Value("V1:One")});
    auto v2 = grid.FindRow({Value("V2:Two")});
    auto total = grid.FindRow({});
    auto all = grid.FindColHeader({});
    ASSERT_TRUE(v1 && v2 && total && all);
    auto at = [&](std::size_t r, const char* fact) { return grid.FactValue(r, *all, fact).value_or(-1); };
    EXPECT_DOUBLE_EQ(at(*v1, "SellPrice"), 15); // 75 / 5
    EXPECT_DOUBLE_EQ(at(*v1, "Profit"), 25);    // 75 - 50
    EXPECT_DOUBLE_EQ(at(*v1, "AddPrice"), 50);  // 25 / 50 * 100
    EXPECT_DOUBLE_EQ(at(*v1, "RestValue"), 70);
    EXPECT_DOUBLE_EQ(at(*v2, "AddPrice"), 0);        // sold at cost
    EXPECT_DOUBLE_EQ(at(*total, "SellPrice"), 12.5); // 125 / 10
    EXPECT_DOUBLE_EQ(at(*total, "AddPrice"), 25);    // 25 / 100 * 100
    EXPECT_DOUBLE_EQ(at(*total, "RestAmount"), 7);
}

// Every supplier's sales, cost and rest, and the whole cube's, equal an independent
// computation from the documents and the fixation log.
TEST_F(SalesBySupplierTest, CubeFiguresMatchIndependentSumsBySupplier)
{
    ASSERT_TRUE(report.Prepare(params));
    auto list = report.CreateList(false);
    list->Refresh();
    Cube::Engine engine;
    engine.AttachRecordset(*list->Recordset());
    RSaleBySupplier::DefineCube(engine);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    auto expected = Expected();
    auto total = grid.FindRow({});
    auto all = grid.FindColHeader({});
    ASSERT_TRUE(total && all);
    ASSERT_GT(expected["*"].outSum, 0);
    ASSERT_GT(expected["*"].restValue, 0);
    ExpectFigures(grid, *total, *all, expected["*"]);
    std::size_t compared = 0;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        const auto& header = grid.RowHeader(row);
        if (header.Codes.empty()) continue;
        const std::string member = grid.RowDims().at(0)->Member(header.Codes.at(0)).ToText();
        SCOPED_TRACE(member);
        const std::string code = member.find(':') == std::string::npos ? "" : member.substr(0, member.find(':'));
        ASSERT_TRUE(expected.count(code));
        ExpectFigures(grid, row, *all, expected[code]);
        ++compared;
    }
    EXPECT_EQ(compared + 1, expected.size());
    // A lot without a supplier (a customer's return) is shown, under the placeholder.
    EXPECT_TRUE(expected.count(""));
}

// The whole road: the form answered, the cube shown, a supplier's cell listing its documents
// (its sales and its lots), a period with nothing sold and nothing in stock saying so, and
// bad input refused at the control.
TEST_F(SalesBySupplierTest, RunDrillsDownSaysWhenEmptyAndRefusesBadInput)
{
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "fCubeParamSaleBySupplier", "2025-01-01", "2025-12-31").Accept("CubeSrcList");
        const auto run = CubeRunChecks::RunShown<RSaleBySupplier>(params);
        ASSERT_EQ(user.ErrorsText(), "");
        CCube* shownCube = CubeRunChecks::ShownCube(user);
        ASSERT_NE(shownCube, nullptr);
        CCube& cube = *shownCube;
        const auto& grid = cube.cube().Grid();
        auto all = grid.FindColHeader({});
        ASSERT_TRUE(all);
        std::size_t row = 1; // past the placeholder's row: a supplier with a code
        ASSERT_LT(row, grid.RowCount());
        const double cellSum = grid.FactValue(row, *all, "OutSum").value_or(0);
        cube.UserDblClickCell(grid.ColumnOf(*all, "OutSum"), row);
        ASSERT_EQ(user.ErrorsText(), "");
        ASSERT_NE(run.report->Wrapper()->ListForm(), nullptr);
        const auto listed = CubeRunChecks::ListedSum(*run.report->Wrapper()->ListForm(), "OutSum");
        ASSERT_GT(listed.rows, 0u);
        EXPECT_NEAR(listed.sum, cellSum, kTolerance);
    }
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "fCubeParamSaleBySupplier", "2020-01-01", "2020-01-31").Answer("OK");
        CubeRunChecks::RunShown<RSaleBySupplier>(params);
        EXPECT_TRUE(
            CubeRunChecks::ToldOnly(user, "Nothing sold and nothing left in the period 2020-01-01 - 2020-01-31"));
    }
    for (const auto& [control, value] :
         {std::pair{"edEndDate", "2024-12-31"}, {"cbGood", "NO'SUCH;--"}, {"selClient", "NO'SUCH;--"}}) {
        SCOPED_TRACE(control);
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerBadValue(user, "fCubeParamSaleBySupplier", control, value);
        FieldList fresh;
        AddBookAndPeriod(fresh);
        Quarn_DuzAde::fCubeParamSaleBySupplier form;
        EXPECT_FALSE(form.Browse(fresh, "Sales by supplier"));
        ASSERT_TRUE(CubeRunChecks::RefusedAt(user, control));
        EXPECT_EQ(fresh.Item("DateEnd").GetValue().ToDate(), Date(2025, 12, 31));
        EXPECT_FALSE(fresh.ExistsField("GoodCode"));
    }
}
