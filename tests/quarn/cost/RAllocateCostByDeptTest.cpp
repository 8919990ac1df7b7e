#include "quarn/cost/RAllocateCostByDept.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cost/frmAllocateCostByDept.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace Talvex;
using Quarn_DuzAde::RAllocateCostByDept;

namespace {

// The goods rows of one document of a month of its own, written inside the test's unit of
// work: each row's net sum and cost.
void WriteDocument(Data::Connection& db, const std::string& type, const std::string& department,
                   const std::vector<std::pair<std::string, std::string>>& rows, const std::string& day = "2030-02-10")
{
    auto doc = db.QueryPostgres("INSERT INTO THDocument (DocTypeCode, DocumentDate, Number, CurrencyCode, IsPosted, "
                                "Department) VALUES ('" +
                                type + "', '" + day + "', 'T-1', 'EUR', 1, '" + department + "') RETURNING IDC");
    const std::string id = doc.rows.at(0).at(0).ToText();
    int pos = 0;
    for (const auto& [net, cost] : rows) {
        ++pos;
        const std::string good = type == "PRSF" ? "(SELECT Code FROM REFGood WHERE IsGroup = 0 AND Category = 0 "
                                                  "ORDER BY Code OFFSET " +
                                                      std::to_string(pos - 1) + " LIMIT 1)"
                                                : "'C1'";
        db.QueryPostgres("INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode, Amount, AmountAccount, Summa, "
                         "CostSumm) VALUES (" +
                         id + ", " + std::to_string(pos) + ", " + good + ", 'VNT', 1, 1, " + net + ", " + cost + ")");
    }
}

struct Part {
    double saleSum, saleCost, di, pi, vs;
};

std::vector<Part> Allocation(Book& book, const std::string& beg, const std::string& end, const std::string& centres)
{
    auto rs = book.Db().QueryPostgres(
        "SELECT SaleSum::float8, SaleCost::float8, DICost::float8, PICost::float8, VSCost::float8 FROM "
        "sp_C$CostAnltDistrib('" +
        beg + "', '" + end + "', '" + centres + "', '1') ORDER BY GoodCode");
    std::vector<Part> parts;
    for (const auto& r : rs.rows)
        parts.push_back(
            {r.at(0).ToDouble(), r.at(1).ToDouble(), r.at(2).ToDouble(), r.at(3).ToDouble(), r.at(4).ToDouble()});
    return parts;
}

} // namespace

// Costs that do not divide evenly are spread to the cent: the shares rounded down, the cents
// left to the shares that lost the most, then by goods code; the parts add up to the cost.
TEST(CostAllocation, EveryCentOfACostIsAllocated)
{
    auto book = Testing::OpenDemoBook("tester");
    Data::Transaction tx(book->Db());
    auto& db = book->Db();
    // Three goods sold alike, a fourth for twice as much.
    WriteDocument(db, "PRSF", "PARD-V", {{"10", "1"}, {"10", "1"}, {"10", "1"}, {"20", "3"}});
    WriteDocument(db, "TID", "PIRK", {{"100", "0"}});              // direct: by sales sum 1:1:1:2
    WriteDocument(db, "TID", "GAM", {{"0.05", "0"}});              // production: by cost 1:1:1:3
    WriteDocument(db, "TID", "FIN", {{"10", "0"}, {"0.01", "0"}}); // general
    const auto parts = Allocation(*book, "2030-02-01", "2030-02-28", "");
    ASSERT_EQ(parts.size(), 4u);
    // 100 * 1/5 = 20 each, 40 for the fourth: exact.
    EXPECT_DOUBLE_EQ(parts[0].di, 20);
    EXPECT_DOUBLE_EQ(parts[3].di, 40);
    // 0.05 by 1:1:1:3 = 0.00833.. x3 and 0.025: rounded down 0, 0, 0, 0.02; three cents left
    // go to the largest remainders (0.00833 x3 beat 0.005).
    EXPECT_DOUBLE_EQ(parts[0].pi, 0.01);
    EXPECT_DOUBLE_EQ(parts[1].pi, 0.01);
    EXPECT_DOUBLE_EQ(parts[2].pi, 0.01);
    EXPECT_DOUBLE_EQ(parts[3].pi, 0.02);
    // 10.01 by 1:1:1:2 = 2.002 x3 and 4.004: 2.00 x3 + 4.00 = 10.00, one cent left, to the
    // largest remainder (4.004), not by code.
    EXPECT_DOUBLE_EQ(parts[0].vs, 2.00);
    EXPECT_DOUBLE_EQ(parts[3].vs, 4.01);
    double di = 0, pi = 0, vs = 0;
    for (const auto& p : parts)
        di += p.di, pi += p.pi, vs += p.vs;
    EXPECT_NEAR(di, 100, 1e-9);
    EXPECT_NEAR(pi, 0.05, 1e-9);
    EXPECT_NEAR(vs, 10.01, 1e-9);

    // Ties go by goods code: 0.02 over three equal sales.
    WriteDocument(db, "PRSF", "PARD-V", {{"5", "1"}, {"5", "1"}, {"5", "1"}}, "2030-03-05");
    WriteDocument(db, "TID", "PIRK", {{"0.02", "0"}}, "2030-03-06");
    const auto march = Allocation(*book, "2030-03-01", "2030-03-31", "");
    ASSERT_EQ(march.size(), 3u);
    EXPECT_DOUBLE_EQ(march[0].di, 0.01);
    EXPECT_DOUBLE_EQ(march[1].di, 0.01);
    EXPECT_DOUBLE_EQ(march[2].di, 0);

    // Only the chosen centres count; a code with a quote, a semicolon and comment markers is
    // a code that matches nothing.
    const auto onlyDirect = Allocation(*book, "2030-02-01", "2030-02-28", "S-VLN, C-PUR, X''; --");
    ASSERT_EQ(onlyDirect.size(), 4u);
    EXPECT_DOUBLE_EQ(onlyDirect[3].di, 40);
    EXPECT_DOUBLE_EQ(onlyDirect[3].pi + onlyDirect[3].vs, 0);
}

// Over the demo company each month's cost of each kind is allocated whole, and the sales
// equal an independent sum of the earning departments' invoices.
TEST(CostAllocation, DemoMonthsAllocateTheirWholeCostsAndSales)
{
    auto book = Testing::OpenDemoBook("tester");
    const std::string rate = R"sql(CASE WHEN d.CurrencyCode = 'EUR' THEN 1 ELSE (SELECT r.Rate FROM REFCurrencyRate r
        JOIN REFCurrency cu ON cu.Code = r.CurrencyCode WHERE r.CurrencyCode = d.CurrencyCode
        AND r.RateTypeCode = cu.DefaultRateType AND r.DateApply <= d.DocumentDate ORDER BY r.DateApply DESC LIMIT 1) END)sql";
    auto check = book->Db().QueryPostgres(R"sql(
        WITH alloc AS (SELECT date_trunc('month', BegDate)::date AS m, sum(SaleSum) s, sum(DICost) di, sum(PICost) pi,
                              sum(VSCost) vs FROM sp_C$CostAnltDistrib('2025-01-01', '2025-12-31', '', '1') GROUP BY 1),
        cost AS (SELECT date_trunc('month', d.DocumentDate)::date AS m, c.CostKind AS k,
                        sum(round((g.Summa - COALESCE(t1.SummVAT, t2.SummVAT, 0)) * )sql" +
                                          rate + R"sql(, 2)) AS c
                 FROM THDocument d JOIN REFMFCostCenter c ON c.DepCode = d.Department AND c.IsGroup = 0
                 JOIN THGoodSpec g ON g.DocID = d.IDC
                 LEFT JOIN THGoodSpecTPPI t1 ON t1.DocID = g.DocID AND t1.PosNumb = g.PosNumb
                 LEFT JOIN THGoodSpecTID t2 ON t2.DocID = g.DocID AND t2.PosNumb = g.PosNumb
                 WHERE d.IsPosted = 1 AND d.DocTypeCode IN ('TPPI', 'TID', 'MMW', 'ITNS')
                   AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31' GROUP BY 1, 2),
        sales AS (SELECT date_trunc('month', d.DocumentDate)::date AS m,
                         sum(round((g.Summa - COALESCE(a.SummVAT, 0)) * )sql" +
                                          rate + R"sql(, 2)) AS s
                  FROM THDocument d JOIN THGoodSpec g ON g.DocID = d.IDC
                  LEFT JOIN THGoodSpecPRSF a ON a.DocID = g.DocID AND a.PosNumb = g.PosNumb
                  WHERE d.IsPosted = 1 AND d.DocTypeCode = 'PRSF' AND d.DocumentDate BETWEEN '2025-01-01' AND '2025-12-31'
                    AND d.Department IN (SELECT DepCode FROM REFMFCostCenter WHERE IsGroup = 0 AND CostKind IS NULL)
                  GROUP BY 1)
        SELECT a.m::text, a.s - s.s, a.di - COALESCE((SELECT c FROM cost WHERE m = a.m AND k = 'DI'), 0),
               a.pi - COALESCE((SELECT c FROM cost WHERE m = a.m AND k = 'PI'), 0),
               a.vs - COALESCE((SELECT c FROM cost WHERE m = a.m AND k = 'VS'), 0), a.di + a.pi + a.vs
        FROM alloc a JOIN sales s ON s.m = a.m ORDER BY 1)sql");
    ASSERT_EQ(check.rows.size(), 12u);
    double allocated = 0;
    for (const auto& row : check.rows) {
        SCOPED_TRACE(row.at(0).ToText());
        for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(row.at(k).ToDouble(), 0.0) << k; // exact: numeric differences
        allocated += row.at(5).ToDouble();
    }
    EXPECT_GT(allocated, 0);
}

// The calculated facts at a total come from the total's sums.
TEST(CostAllocation, ProfitFactsComeFromTheSums)
{
    Cube::CubeSource source;
    source.AddColumn("GoodCode", std::vector<std::string>{"A", "B"});
    source.AddColumn("BegDate", std::vector<Date>{Date(2025, 1, 1), Date(2025, 2, 1)});
    source.AddColumn("SaleSum", std::vector<double>{100, 300});
    source.AddColumn("SaleCost", std::vector<double>{60, 200});
    source.AddColumn("DICost", std::vector<double>{5, 15});
    source.AddColumn("PICost", std::vector<double>{1, 3});
    source.AddColumn("VSCost", std::vector<double>{4, 12});
    Cube::Engine engine;
    engine.SetSource(source);
    RAllocateCostByDept::DefineCube(engine);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    auto total = grid.FindRow({});
    auto a = grid.FindRow({Value("A")});
    auto all = grid.FindColHeader({});
    ASSERT_TRUE(total && a && all);
    auto at = [&](std::size_t r, const char* f) { return grid.FactValue(r, *all, f).value_or(-1); };
    EXPECT_DOUBLE_EQ(at(*a, "TotalCost"), 66);
    EXPECT_DOUBLE_EQ(at(*a, "Profit"), 34);
    EXPECT_DOUBLE_EQ(at(*a, "Profit2"), 30);
    EXPECT_DOUBLE_EQ(at(*a, "Profit2Proc"), 30);
    EXPECT_DOUBLE_EQ(at(*total, "TotalCost"), 284);
    EXPECT_DOUBLE_EQ(at(*total, "Profit2"), 100);
    EXPECT_DOUBLE_EQ(at(*total, "Profit2Proc"), 25);
}

// The whole road: the form answered, the company's procedure run through the database
// command service, the cube's totals equal to its rows; a period without sales says so; bad
// input is refused at the control.
TEST(CostAllocation, RunShowsTheAllocationSaysWhenEmptyAndRefusesBadInput)
{
    auto book = Testing::OpenDemoBook("tester");
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    {
        Testing::ScriptedUser user;
        user.Set("frmAllocateCostByDept", "edBegDate", "2025-01-15")
            .Set("frmAllocateCostByDept", "edEndDate", "2025-03-15")
            .Set("frmAllocateCostByDept", "selCostCenter", "S-VLN, S-KNS, C-PUR")
            .Click("frmAllocateCostByDept", "btOk");
        auto report = std::make_shared<RAllocateCostByDept>();
        report->Main(params);
        ASSERT_EQ(user.ErrorsText(), "");
        EXPECT_EQ(report->CommandText(), "sp_C$CostAnltDistrib ?, ?, ?, ?");
        EXPECT_EQ(report->Params().Item("BegDate").GetValue().ToDate(), Date(2025, 1, 1));
        EXPECT_EQ(report->Params().Item("EndDate").GetValue().ToDate(), Date(2025, 3, 31));
        EXPECT_EQ(report->Params().Item("MFCostCenter").GetValue().ToText(), "S-VLN,S-KNS,C-PUR");
        EXPECT_EQ(report->Params().Item("AccSetCode").GetValue().ToText(), "1");
        CCube* cube = CubeRunChecks::ShownCube(user);
        ASSERT_NE(cube, nullptr);
        const auto& grid = cube->cube().Grid();
        auto total = grid.FindRow({});
        auto all = grid.FindColHeader({});
        ASSERT_TRUE(total && all);
        auto sums = book->Db().QueryPostgres("SELECT sum(SaleSum)::float8, sum(DICost)::float8, sum(PICost)::float8 "
                                             "FROM sp_C$CostAnltDistrib('2025-01-01', '2025-03-31', "
                                             "'S-VLN,S-KNS,C-PUR', '1')");
        EXPECT_NEAR(grid.FactValue(*total, *all, "SaleSum").value_or(0), sums.rows.at(0).at(0).ToDouble(), 0.005);
        EXPECT_NEAR(grid.FactValue(*total, *all, "DICost").value_or(0), sums.rows.at(0).at(1).ToDouble(), 0.005);
        EXPECT_GT(sums.rows.at(0).at(1).ToDouble(), 0);
        EXPECT_DOUBLE_EQ(sums.rows.at(0).at(2).ToDouble(), 0); // no production centre chosen
        const std::string good = grid.RowDims().at(0)->Member(grid.RowHeader(0).Codes.at(0)).ToText();
        EXPECT_EQ(report->GoodText(Value(good)).rfind(good + ": ", 0), 0u);
    }
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "frmAllocateCostByDept", "2030-01-01", "2030-01-31").Answer("OK");
        auto report = std::make_shared<RAllocateCostByDept>();
        report->Main(params);
        EXPECT_TRUE(CubeRunChecks::ToldOnly(user, "No sales of the chosen centres in the period"));
    }
    for (const auto& [control, value] : {std::pair{"edEndDate", "2001-01-01"},
                                         {"selCostCenter", "S-VLN, NO'SUCH;--"},
                                         {"selCostCenter", "SALES"},
                                         {"cbAccSet", ""},
                                         {"cbAccSet", "X'; --"}}) {
        SCOPED_TRACE(std::string(control) + " " + value);
        Testing::ScriptedUser user;
        user.Set("frmAllocateCostByDept", control, value)
            .Click("frmAllocateCostByDept", "btOk")
            .Click("frmAllocateCostByDept", "btCancel");
        FieldList fresh;
        EXPECT_FALSE(Quarn_DuzAde::frmAllocateCostByDept::Run(book, fresh));
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find(std::string(control) + ":"), std::string::npos)
            << user.ErrorMessages()[0];
        EXPECT_FALSE(fresh.ExistsField("BegDate"));
    }
}
