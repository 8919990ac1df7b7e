#include "RSaleFixture.hpp"

#include "host/cube/CCube.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "support/ScriptedUser.hpp"

#include <set>

using namespace Talvex;
using namespace RSaleTesting;

// The whole road: the host runs the report, the parameter form is answered, the cube
// window shows the sales, and a double-click on a cell lists the documents behind it,
// whose lines sum to the cell.
TEST_F(SalesCubeTest, DrillDownListsTheDocumentsThatSumToTheCell)
{
    Testing::ScriptedUser user;
    user.Set("fCubeParamDatesSale", "edBegDate", "2025-01-01")
        .Set("fCubeParamDatesSale", "edEndDate", "2025-12-31")
        .Click("fCubeParamDatesSale", "btOk")
        .Accept("CubeSrcList");
    auto sale = std::make_shared<Quarn_DuzAde::RSale>();
    sale->SetVisual(true);
    FieldList out;
    EXPECT_FALSE(sale->Run(params, out));
    ASSERT_EQ(user.ErrorsText(), "");
    auto* window = dynamic_cast<CubeWindow*>(user.Session().FindWindow(CubeWindow::kFormName));
    ASSERT_NE(window, nullptr);
    CCube& cube = window->CubeControl();
    EXPECT_EQ(window->Caption(), "Sales analysis");
    EXPECT_EQ(cube.Caption(), "Sales from 2025-01-01 to 2025-12-31");

    // The biggest goods group of 2025.
    const auto& grid = cube.cube().Grid();
    auto year = grid.FindColHeader({Value(std::int64_t{2025})});
    ASSERT_TRUE(year);
    std::size_t best = 0;
    double bestSum = -1;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        if (grid.RowHeader(row).IsGrandTotal()) continue;
        double v = grid.FactValue(row, *year, "Summa").value_or(0);
        if (v > bestSum) bestSum = v, best = row;
    }
    const std::string group = grid.RowDims().at(0)->Member(grid.RowHeader(best).Codes.at(0)).ToText();
    cube.UserDblClickCell(grid.ColumnOf(*year, "Summa"), best);
    ASSERT_EQ(user.ErrorsText(), "");
    ASSERT_NE(sale->Wrapper(), nullptr);
    auto* list = sale->Wrapper()->ListForm();
    ASSERT_NE(list, nullptr);
    const auto& shown = list->GridCtl("SpecGrid");
    ASSERT_TRUE(shown.FindColumn("Seller") && shown.FindColumn("Buyer") && shown.FindColumn("Number"));
    std::set<std::string> shownDocuments;
    for (std::size_t r = 0; r < shown.RowCount(); ++r)
        shownDocuments.insert(shown.Cell(r, "IDC").ToText());

    const std::string cell = "grp = '" + group + "' AND docdate BETWEEN '2025-01-01' AND '2025-12-31' AND summa <> 0";
    auto expected = ExpectedBy("idc", cell);
    std::set<std::string> expectedDocuments;
    double documentsSum = 0;
    for (const auto& [idc, sums] : expected) {
        expectedDocuments.insert(idc);
        documentsSum += sums.summa;
    }
    EXPECT_EQ(shownDocuments, expectedDocuments);
    EXPECT_NEAR(documentsSum, bestSum, 0.005);
    EXPECT_NEAR(ExpectedBy("''", cell)[""].summa, bestSum, 0.005);
}

// Territories, departments, price types and clients show their names beside the code;
// other members and unknown codes stay as they are.
TEST_F(SalesCubeTest, MappedMembersShowTheReferenceName)
{
    Prepare();
    auto named = [this](const char* sql) {
        auto row = book->Db().QueryPostgres(sql).rows.at(0);
        return std::pair{row.at(0).ToText(), row.at(1).ToText()};
    };
    auto [country, countryName] = named("SELECT Code, Name FROM REFTerritory ORDER BY Code LIMIT 1");
    auto [department, departmentName] = named("SELECT Code, Name FROM REFDepartment ORDER BY Code LIMIT 1");
    EXPECT_EQ(report.DimMappingText("Country", Value(country)), country + ":" + countryName);
    EXPECT_EQ(report.DimMappingText("Department", Value(department)), department + ":" + departmentName);
    EXPECT_EQ(report.DimMappingText("Region", Value("(not given)")), "(not given)");
    EXPECT_TRUE(report.IsMappedDim("Seller"));
    EXPECT_FALSE(report.IsMappedDim("Buyer"));
}

// The report's defaults fill only what the host did not give; without a Book it does nothing.
TEST_F(SalesCubeTest, DefaultsFillOnlyMissingParametersAndNoBookDoesNothing)
{
    params.Add("IsCommon", FieldType::kFlag, Value(1));
    params.Add("Restaurant", FieldType::kFlag, Value(0));
    Prepare();
    FieldList& p = report.Params();
    EXPECT_EQ(p.Item("DateBeg").GetValue().ToDate(), Date(2025, 1, 1));
    EXPECT_EQ(p.Item("IsCommon").GetValue().ToInteger(), 1);
    EXPECT_EQ(p.Item("GoodCode").GetValue().ToText(), "");
    for (const char* flag : {"IsGroup", "IsCheckPISD", "IsMngBKeeping", "UseFixPrice", "IncludeDimWeek"})
        EXPECT_EQ(p.Item(flag).GetValue().ToInteger(), 0) << flag;
    EXPECT_FALSE(p.ExistsField("SelClientList"));
    // "Restaurant" given with any value adds the hotel and restaurant documents.
    EXPECT_TRUE(report.IsRestaurant());
    auto list = report.CreateSalesList(true);
    list->Refresh();
    auto byType = ListSumsBy(*list->Recordset(), "DocTypeCode");
    auto expectedRd = book->Db()
                          .QueryPostgres("SELECT SUM(s.AmountAccount)::float8 FROM THDocument d JOIN THGoodSpec s ON "
                                         "s.DocID = d.IDC WHERE d.DocTypeCode = 'RD' AND d.IsPosted = 1 AND "
                                         "d.DocumentDate BETWEEN '2025-01-01' AND '2026-12-31'")
                          .rows.at(0)
                          .at(0)
                          .ToDouble();
    ASSERT_GT(expectedRd, 0);
    EXPECT_GT(byType["HR"].rows + byType["RDG"].rows, 0);
    // Restaurant sales count in the common unit here, so only their presence is compared.
    EXPECT_GT(byType["RD"].quantity, 0);

    FieldList noBook;
    noBook.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
    Testing::ScriptedUser user;
    Quarn_DuzAde::RSale alone;
    alone.SetVisual(true);
    FieldList out;
    EXPECT_FALSE(alone.Run(noBook, out));
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(user.Session().FindWindow(CubeWindow::kFormName), nullptr);
}
