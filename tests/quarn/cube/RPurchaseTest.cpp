#include "quarn/cube/RPurchase.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/frmRepPurchase.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace Talvex;
using Quarn_DuzAde::RPurchase;

namespace {

constexpr double kTolerance = 0.005;

struct Figures {
    double quantity = 0;
    double summa = 0;
    double minPrice = 0;
    double maxPrice = 0;
};

class PurchaseCubeTest : public CubeRunChecks::ReportFixture<RPurchase> {
protected:
    PurchaseCubeTest() : ReportFixture(Date(2025, 1, 1), Date(2026, 12, 31)) {}

    // Every purchase row the cube stands for, worked out in plain PostgreSQL: goods rows at
    // their stock value; with services, service rows at their sum without VAT in the
    // accounting currency by the latest rate up to the invoice's day.
    std::string ExpectedRowsSql(bool services) const
    {
        const std::string acc = book->AccountCurrency();
        return R"sql(
        SELECT d.IDC AS idc, d.DocumentDate AS docdate, p.PartyCode AS party, COALESCE(gc.Code, cl.Code, '') AS supplier,
               s.AmountAccount AS qty, v.val, ROUND(v.val / s.AmountAccount, 4) AS price
        FROM THDocument d
        JOIN THGoodSpec s ON s.DocID = d.IDC
        JOIN REFGood g ON g.Code = s.GoodCode
        LEFT JOIN THGoodSpecPISF a ON a.DocID = s.DocID AND a.PosNumb = s.PosNumb
        LEFT JOIN THPartyAttribute p ON p.DocID = d.IDC AND p.RolePartyCode = 'PAR'
        LEFT JOIN REFClient cl ON cl.Code = p.PartyCode
        LEFT JOIN REFGenericClient gc ON gc.ClientCode = p.PartyCode
        LEFT JOIN LATERAL (
            SELECT r.Rate FROM REFCurrencyRate r JOIN REFCurrency cu ON cu.Code = r.CurrencyCode
            WHERE r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = cu.DefaultRateType AND r.DateApply <= d.DocumentDate
            ORDER BY r.DateApply DESC LIMIT 1) cr ON TRUE
        JOIN LATERAL (SELECT CASE WHEN g.Category = 0 THEN s.CostSumm
                                  WHEN d.CurrencyCode = ')sql" +
               acc + R"sql(' THEN s.Summa - COALESCE(a.SummVAT, 0)
                                  ELSE ROUND((s.Summa - COALESCE(a.SummVAT, 0)) * cr.Rate, 2) END AS val) v ON TRUE
        WHERE d.DocTypeCode = 'PISF' AND d.IsPosted = 1 AND d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'
          AND s.AmountAccount <> 0 AND ()sql" +
               (services ? "TRUE" : "g.Category = 0") + ")";
    }

    std::map<std::string, Figures> ExpectedBy(const std::string& key, bool services = false)
    {
        auto rs = book->Db().QueryPostgres("SELECT COALESCE((" + key +
                                           ")::text, ''), SUM(qty)::float8, SUM(val)::float8, MIN(price)::float8, "
                                           "MAX(price)::float8 FROM (" +
                                           ExpectedRowsSql(services) + ") e GROUP BY 1");
        std::map<std::string, Figures> figures;
        for (const auto& row : rs.rows)
            figures[row.at(0).ToText()] = {row.at(1).ToDouble(), row.at(2).ToDouble(), row.at(3).ToDouble(),
                                           row.at(4).ToDouble()};
        return figures;
    }

    void LoadCube(Cube::Engine& engine)
    {
        ASSERT_TRUE(report.Prepare(params));
        auto list = report.CreatePurchaseList(false);
        list->Refresh();
        engine.AttachRecordset(*list->Recordset());
        RPurchase::DefineCube(engine);
        engine.SetActive(true);
    }

    static void ExpectFigures(const Cube::CubeGrid& grid, std::size_t row, std::size_t col, const Figures& expected)
    {
        EXPECT_NEAR(grid.FactValue(row, col, "GoodAmount").value_or(-1), expected.quantity, kTolerance);
        EXPECT_NEAR(grid.FactValue(row, col, "Summa").value_or(-1), expected.summa, kTolerance);
        EXPECT_NEAR(grid.FactValue(row, col, "MinPrice").value_or(-1), expected.minPrice, 1e-6);
        EXPECT_NEAR(grid.FactValue(row, col, "MaxPrice").value_or(-1), expected.maxPrice, 1e-6);
        EXPECT_NEAR(grid.FactValue(row, col, "AvgGPrice").value_or(-1), expected.summa / expected.quantity, 1e-6);
    }
};

} // namespace

// The cube's figures over hand-made rows: the lowest and highest price of a total are those
// of its rows, the average price is the total's value over its quantity (not an average of
// averages).
TEST(PurchaseCubeDefinition, TotalsFoldPricesAsLowestHighestAndValueOverQuantity)
{
    Cube::CubeSource source;
    source.AddColumn("Suplier", std::vector<std::string>{"S1:One", "S1:One", "S2:Two"});
    source.AddColumn("Department", std::vector<std::string>{"A", "A", "B"});
    source.AddColumn("Buyer", std::vector<std::string>{"X", "Y", "X"});
    source.AddColumn("DocumentDate", std::vector<Date>{Date(2025, 1, 1), Date(2025, 2, 1), Date(2026, 1, 1)});
    source.AddColumn("MinPrice", std::vector<double>{2, 1.5, 7});
    source.AddColumn("MaxPrice", std::vector<double>{5, 1.5, 9});
    source.AddColumn("GoodAmount", std::vector<double>{10, 4, 1});
    source.AddColumn("Summa", std::vector<double>{30, 6, 8});
    Cube::Engine engine;
    engine.SetSource(source);
    RPurchase::DefineCube(engine);
    engine.SetActive(true);

    const auto& grid = engine.Grid();
    auto total = grid.FindRow({});
    auto s1 = grid.FindRow({Value("S1:One")});
    auto s2 = grid.FindRow({Value("S2:Two")});
    auto all = grid.FindColHeader({});
    auto y2025 = grid.FindColHeader({Value(std::int64_t{2025})});
    auto y2026 = grid.FindColHeader({Value(std::int64_t{2026})});
    ASSERT_TRUE(total && s1 && s2 && all && y2025 && y2026);
    auto at = [&grid](std::size_t r, std::size_t c, const char* fact) {
        return grid.FactValue(r, c, fact).value_or(-1);
    };
    EXPECT_DOUBLE_EQ(at(*s1, *all, "MinPrice"), 1.5);
    EXPECT_DOUBLE_EQ(at(*s1, *all, "MaxPrice"), 5);
    EXPECT_DOUBLE_EQ(at(*s1, *all, "GoodAmount"), 14);
    EXPECT_DOUBLE_EQ(at(*s1, *all, "Summa"), 36);
    EXPECT_NEAR(at(*s1, *all, "AvgGPrice"), 36.0 / 14, 1e-12);
    EXPECT_DOUBLE_EQ(at(*total, *all, "MinPrice"), 1.5);
    EXPECT_DOUBLE_EQ(at(*total, *all, "MaxPrice"), 9);
    EXPECT_NEAR(at(*total, *all, "AvgGPrice"), 44.0 / 15, 1e-12);
    EXPECT_DOUBLE_EQ(at(*total, *y2026, "MinPrice"), 7);
    EXPECT_DOUBLE_EQ(at(*total, *y2025, "MaxPrice"), 5);
    EXPECT_FALSE(grid.FactValue(*s2, *y2025, "Summa").has_value() && at(*s2, *y2025, "Summa") != 0);
}

// Totals by supplier, by month and of the whole cube equal an independent computation, with
// and without the service rows.
TEST_F(PurchaseCubeTest, CubeFiguresMatchIndependentSumsBySupplierAndMonth)
{
    for (const bool services : {false, true}) {
        SCOPED_TRACE(services ? "with services" : "goods only");
        params.Add("IsCalcServiceSum", FieldType::kFlag, Value(services ? 1 : 0));
        Cube::Engine engine;
        LoadCube(engine);
        const auto& grid = engine.Grid();
        auto total = grid.FindRow({});
        auto allYears = grid.FindColHeader({});
        ASSERT_TRUE(total && allYears);
        auto all = ExpectedBy("''", services);
        ASSERT_GT(all[""].quantity, 0);
        ExpectFigures(grid, *total, *allYears, all[""]);

        auto bySupplier = ExpectedBy("supplier", services);
        ASSERT_GT(bySupplier.size(), 10u);
        std::size_t compared = 0;
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            const auto& header = grid.RowHeader(row);
            if (header.Codes.empty()) continue;
            const std::string member = grid.RowDims().at(0)->Member(header.Codes.at(0)).ToText();
            SCOPED_TRACE(member);
            const std::string code = member.substr(0, member.find(':'));
            ASSERT_TRUE(bySupplier.count(code));
            ExpectFigures(grid, row, *allYears, bySupplier[code]);
            ++compared;
        }
        EXPECT_EQ(compared, bySupplier.size());

        engine.Dims().Item("Suplier").MoveTo(Cube::Axis::Filter, 0);
        engine.Dims().Item("Month").MoveTo(Cube::Axis::Rows, 0);
        const auto& byMonthGrid = engine.Grid();
        auto byMonth = ExpectedBy("extract(month from docdate)", services);
        ASSERT_EQ(byMonth.size(), 12u);
        auto columnTotal = byMonthGrid.FindColHeader({});
        for (const auto& [month, figures] : byMonth) {
            SCOPED_TRACE("month " + month);
            auto row = byMonthGrid.FindRow({Value(static_cast<std::int64_t>(std::stoi(month)))});
            ASSERT_TRUE(row && columnTotal);
            ExpectFigures(byMonthGrid, *row, *columnTotal, figures);
        }
    }
    // Services add value: the two runs differ.
    EXPECT_GT(ExpectedBy("''", true)[""].summa, ExpectedBy("''", false)[""].summa);
}

// Suppliers chosen by code narrow the rows to theirs; a code holding a quote, a semicolon and
// comment markers is only a code that matches nothing. A goods node keeps the goods under it.
TEST_F(PurchaseCubeTest, SupplierAndGoodsSelectionsNarrowTheRows)
{
    const std::string party =
        book->Db()
            .QueryPostgres("SELECT p.PartyCode FROM THDocument d JOIN THPartyAttribute p ON p.DocID = d.IDC AND "
                           "p.RolePartyCode = 'PAR' WHERE d.DocTypeCode = 'PISF' GROUP BY 1 ORDER BY count(*) DESC "
                           "LIMIT 1")
            .rows.at(0)
            .at(0)
            .ToText();
    params.Add("SelClientList", FieldType::kLongText, Value("N'" + party + "',N'X''; --'"));
    params.Add("SelClientType", FieldType::kInteger, Value(1));
    ASSERT_TRUE(report.Prepare(params));
    auto list = report.CreatePurchaseList(true);
    list->Refresh();
    auto rs = list->Recordset();
    std::set<std::string> documents;
    double summa = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        documents.insert(rs->Fields().Item("IDC").Value().ToText());
        summa += rs->Fields().Item("Summa").Value().ToDouble();
    }
    auto rows = book->Db().QueryPostgres("SELECT count(DISTINCT idc), SUM(val)::float8 FROM (" +
                                         ExpectedRowsSql(false) + ") e WHERE party = '" + party + "'");
    EXPECT_EQ(static_cast<long>(documents.size()), rows.rows.at(0).at(0).ToInteger());
    EXPECT_NEAR(summa, rows.rows.at(0).at(1).ToDouble(), kTolerance);

    RPurchase byGroup;
    FieldList groupParams;
    groupParams.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    groupParams.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
    groupParams.Add("DateEnd", FieldType::kDate, Value(Date(2026, 12, 31)));
    const std::string group = book->Db()
                                  .QueryPostgres("SELECT g.Parent FROM THGoodSpec s JOIN THDocument d ON d.IDC = "
                                                 "s.DocID JOIN REFGood g ON g.Code = s.GoodCode WHERE d.DocTypeCode "
                                                 "= 'PISF' AND g.Parent IS NOT NULL ORDER BY 1 LIMIT 1")
                                  .rows.at(0)
                                  .at(0)
                                  .ToText();
    groupParams.Add("GoodCode", FieldType::kCode, Value(group));
    ASSERT_TRUE(byGroup.Prepare(groupParams));
    auto goods = byGroup.CreatePurchaseList(true);
    goods->Refresh();
    auto grs = goods->Recordset();
    ASSERT_GT(grs->RecordCount(), 0);
    std::set<std::string> codes;
    for (grs->MoveFirst(); !grs->Eof(); grs->MoveNext())
        codes.insert(grs->Fields().Item("GoodCode").Value().ToText());
    for (const auto& code : codes) {
        auto parent = book->Db().QueryPostgres("SELECT Parent FROM REFGood WHERE Code = '" + code + "'");
        EXPECT_EQ(parent.rows.at(0).at(0).ToText(), group) << code;
    }
}

// The whole road: the form answered, the cube shown, a double-click on a supplier's sum lists
// that supplier's invoices; a period without purchases says so.
TEST_F(PurchaseCubeTest, RunShowsTheCubeDrillsDownAndSaysWhenNothingWasBought)
{
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "frmRepPurchase", "2025-01-01", "2026-12-31").Accept("CubeSrcList");
        const auto run = CubeRunChecks::RunShown<RPurchase>(params);
        EXPECT_FALSE(run.returned);
        ASSERT_EQ(user.ErrorsText(), "");
        EXPECT_TRUE(user.MessageTexts().empty());
        CCube* shownCube = CubeRunChecks::ShownCube(user);
        ASSERT_NE(shownCube, nullptr);
        CCube& cube = *shownCube;
        EXPECT_EQ(cube.Caption(), "Purchases from 2025-01-01 to 2026-12-31");
        const auto& grid = cube.cube().Grid();
        auto all = grid.FindColHeader({});
        ASSERT_TRUE(all);
        const std::size_t row = CubeRunChecks::FirstMemberRow(grid);
        ASSERT_LT(row, grid.RowCount());
        const std::string code = CubeRunChecks::RowCode(grid, row);
        const double cellSum = grid.FactValue(row, *all, "Summa").value_or(0);
        cube.UserDblClickCell(grid.ColumnOf(*all, "Summa"), row);
        ASSERT_EQ(user.ErrorsText(), "");
        auto* list = run.report->Wrapper()->ListForm();
        ASSERT_NE(list, nullptr);
        const auto& shown = list->GridCtl("SpecGrid");
        ASSERT_TRUE(shown.FindColumn("Suplier") && shown.FindColumn("Number"));
        std::set<std::string> shownDocuments;
        for (std::size_t r = 0; r < shown.RowCount(); ++r)
            shownDocuments.insert(shown.Cell(r, "IDC").ToText());
        const double shownSum = CubeRunChecks::ListedSum(*list, "Summa").sum;
        auto expected = book->Db().QueryPostgres("SELECT count(DISTINCT idc) FROM (" + ExpectedRowsSql(false) +
                                                 ") e WHERE supplier = '" + code + "'");
        EXPECT_EQ(static_cast<long>(shownDocuments.size()), expected.rows.at(0).at(0).ToInteger());
        EXPECT_NEAR(shownSum, cellSum, kTolerance);
    }
    {
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerPeriod(user, "frmRepPurchase", "2030-01-01", "2030-01-31").Answer("OK");
        CubeRunChecks::RunShown<RPurchase>(params);
        EXPECT_TRUE(CubeRunChecks::ToldOnly(user, "No purchases in the period 2030-01-01 - 2030-01-31"));
    }
}

// The form writes what was chosen (several suppliers as quoted literals) and refuses bad
// input at the control, leaving the parameters as they were.
TEST_F(PurchaseCubeTest, FormWritesChoicesAndRefusesBadInputNamingTheControl)
{
    Data::Transaction tx(book->Db());
    book->Db().QueryPostgres("INSERT INTO REFClient (Code, Name) VALUES ('V''1;--', 'Quote'), ('V2', 'Plain')");
    const std::string group = book->Db()
                                  .QueryPostgres("SELECT Code FROM REFGood WHERE IsGroup = 1 ORDER BY Code LIMIT 1")
                                  .rows.at(0)
                                  .at(0)
                                  .ToText();
    {
        Testing::ScriptedUser user;
        user.Set("frmRepPurchase", "edBegDate", "2025-03-01")
            .Set("frmRepPurchase", "edEndDate", "2025-05-31")
            .Set("frmRepPurchase", "cbGood", group)
            .Set("frmRepPurchase", "selClient", "V'1;--, V2")
            .Set("frmRepPurchase", "chCountServiceSum", "1")
            .Click("frmRepPurchase", "btOk");
        Quarn_DuzAde::frmRepPurchase form;
        EXPECT_TRUE(form.Browse(params, "Purchases"));
        EXPECT_EQ(user.ErrorsText(), "");
        EXPECT_EQ(params.Item("DateBeg").GetValue().ToDate(), Date(2025, 3, 1));
        EXPECT_EQ(params.Item("GoodCode").GetValue().ToText(), group);
        EXPECT_EQ(params.Item("IsGroup").GetValue().ToInteger(), 1);
        EXPECT_EQ(params.Item("IsCalcServiceSum").GetValue().ToInteger(), 1);
        EXPECT_EQ(params.Item("SelClientList").GetValue().ToText(), "N'V''1;--',N'V2'");
        EXPECT_EQ(params.Item("SelClientType").GetValue().ToInteger(), 1);
    }
    {
        // Shown again, the form reads the same choices back and writes them unchanged.
        Testing::ScriptedUser user;
        user.Click("frmRepPurchase", "btOk");
        Quarn_DuzAde::frmRepPurchase form;
        EXPECT_TRUE(form.Browse(params, "Purchases"));
        EXPECT_EQ(form.Ctl("selClient").GetValue().ToText(), "V'1;--,V2");
        EXPECT_EQ(params.Item("SelClientList").GetValue().ToText(), "N'V''1;--',N'V2'");
        EXPECT_EQ(params.Item("IsCalcServiceSum").GetValue().ToInteger(), 1);
    }
    struct Case {
        const char* control;
        const char* value;
    };
    for (const Case& c : {Case{"edEndDate", "2025-01-31"}, Case{"edEndDate", "9999-12-31"},
                          Case{"cbGood", "NO'SUCH;--"}, Case{"selClient", "V2, NO'SUCH;--"}}) {
        SCOPED_TRACE(std::string(c.control) + " " + c.value);
        Testing::ScriptedUser user;
        CubeRunChecks::AnswerBadValue(user, "frmRepPurchase", c.control, c.value);
        Quarn_DuzAde::frmRepPurchase form;
        EXPECT_FALSE(form.Browse(params, "Purchases"));
        ASSERT_TRUE(CubeRunChecks::RefusedAt(user, c.control));
        EXPECT_EQ(params.Item("DateEnd").GetValue().ToDate(), Date(2025, 5, 31));
        EXPECT_EQ(params.Item("SelClientList").GetValue().ToText(), "N'V''1;--',N'V2'");
    }
}
