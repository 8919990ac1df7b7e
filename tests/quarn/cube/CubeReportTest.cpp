#include "quarn/cube/CubeReport.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include "quarn/cube/CubeRunChecks.hpp"

#include <gtest/gtest.h>

using namespace Talvex;

namespace {

constexpr long kTitleText = 15600;   // "Purchases"
constexpr long kNothingText = 15606; // "No purchases in the period"

// A cube of the posted documents of the period by department and type, written on the base
// as a report is; it counts what the base asks of it.
class DocumentCube : public Quarn_DuzAde::CubeReport, public Quarn_DuzAde::IMainEntry {
public:
    DocumentCube() : CubeReport(kTitleText) {}

    void Main(FieldList& params) override
    {
        OpenWindow("DocumentCube", [&] {
            if (!TakeParams(params)) return false;
            AddYearDefaults();
            AddGoodsDefaults();
            LoadDepartments();
            return true;
        });
    }

    std::shared_ptr<DataList> Documents() const
    {
        auto list = book_->CreateList("THDocument");
        list->Fields().SelectFields({"IDC", "Number", "DocTypeCode", "DocumentDate", "Department", "Summa"});
        list->SetFilter("oTable.IsPosted = 1 AND oTable.DocumentDate BETWEEN '" + DateParam("DateBeg").ToIso() +
                        "' AND '" + DateParam("DateEnd").ToIso() + "'");
        return list;
    }

    bool failOpen = false;
    int listsMade = 0;
    std::vector<int> menusChosen;

    // The protected helpers, for the checks of the parameters.
    using CubeReport::DateParam;
    using CubeReport::GoodNodeText;
    using CubeReport::TakeParams;

private:
    void Open(CCube& cube) override
    {
        if (failOpen) throw ValueError("DateBeg: the period is not readable");
        Cube::Engine& engine = cube.cube();
        ClearCube(engine);
        engine.Dims().Add("Department", "Department", 2);
        engine.Dims().Add("DocTypeCode", "Type");
        engine.BaseFacts().Add("Summa");
        engine.Facts().Add("Summa", "Sum");
        ShowAllFacts(engine);
        engine.Dims().Item("Department").MoveTo(Cube::Axis::Rows, 0);
        ShowDefined(cube, Title() + " " + FromToText());
        ShowList(cube, Documents(), kNothingText);
    }
    void OpenDrillDown(const Cube::GridCell* cell) override
    {
        ListDocuments(
            cell,
            [this] {
                ++listsMade;
                return Documents();
            },
            {"Department", "Summa"});
    }
    void AddMenuItems(std::vector<std::string>& items) override { items.push_back("Extra"); }
    void OnMenu(int index) override { menusChosen.push_back(index); }
};

class CubeReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("tester");
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        params.Add("DateBeg", FieldType::kDate, Value(Date(2025, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2025, 12, 31)));
    }

    std::shared_ptr<Book> book;
    FieldList params;
};

// The window: the title on the frame and in the caption, the documents item first on the
// menu and the report's own after it; item 1 and a double-click open one list of documents,
// made once, whose rows add up to the cell; other items reach the report.
TEST_F(CubeReportTest, WindowMenuAndDrillDownComeFromTheBase)
{
    Testing::ScriptedUser user;
    user.Accept("CubeSrcList").Accept("CubeSrcList");
    auto report = std::make_shared<DocumentCube>();
    report->Main(params);
    ASSERT_EQ(user.ErrorsText(), "");
    CCube* cube = CubeRunChecks::ShownCube(user);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->Caption(), "Purchases from 2025-01-01 to 2025-12-31");
    EXPECT_EQ(cube->Parent().Caption(), "Purchases");
    EXPECT_EQ(cube->UserMenuItems(), (std::vector<std::string>{"Documents of the cell", "Extra"}));

    cube->UserChooseMenu(2);
    EXPECT_EQ(report->menusChosen, std::vector<int>{2});
    EXPECT_EQ(report->listsMade, 0);

    const auto& grid = cube->cube().Grid();
    const auto all = grid.FindColHeader({});
    ASSERT_TRUE(all);
    std::size_t row = 0;
    while (row < grid.RowCount() && grid.RowHeader(row).IsGrandTotal())
        ++row;
    ASSERT_LT(row, grid.RowCount());
    const double cellSum = grid.FactValue(row, *all, "Summa").value_or(0);
    cube->UserDblClickCell(grid.ColumnOf(*all, "Summa"), row);
    ASSERT_EQ(user.ErrorsText(), "");
    ASSERT_NE(report->Wrapper()->ListForm(), nullptr);
    const auto listed = CubeRunChecks::ListedSum(*report->Wrapper()->ListForm(), "Summa");
    EXPECT_GT(listed.rows, 0u);
    EXPECT_NEAR(listed.sum, cellSum, 0.005);
    EXPECT_TRUE(report->Wrapper()->ListForm()->GridCtl("SpecGrid").FindColumn("Number"));

    cube->UserChooseMenu(1);
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(report->listsMade, 1);
    EXPECT_TRUE(report->menusChosen == std::vector<int>{2});
}

// What fails in the window's set-up reaches the user, and nothing escapes to the host; a
// period without documents says so with the period.
TEST_F(CubeReportTest, FailuresAreReportedAndAnEmptyCubeSaysSo)
{
    {
        Testing::ScriptedUser user;
        auto report = std::make_shared<DocumentCube>();
        report->failOpen = true;
        EXPECT_NO_THROW(report->Main(params));
        EXPECT_NE(user.ErrorsText().find("DateBeg: the period is not readable"), std::string::npos)
            << user.ErrorsText();
    }
    {
        Testing::ScriptedUser user;
        user.Answer("OK");
        params.Add("DateBeg", FieldType::kDate, Value(Date(2030, 1, 1)));
        params.Add("DateEnd", FieldType::kDate, Value(Date(2030, 1, 31)));
        auto report = std::make_shared<DocumentCube>();
        report->Main(params);
        EXPECT_TRUE(CubeRunChecks::ToldOnly(user, "No purchases in the period 2030-01-01 - 2030-01-31"));
    }
}

// Parameters: no Book, nothing done; defaults fill only what is missing; a goods node shows
// in the caption as a group or a good; a date parameter that is no date is refused by name;
// departments show as code and name, other members as their key.
TEST_F(CubeReportTest, ParametersDefaultsAndMemberTexts)
{
    DocumentCube report;
    FieldList noBook;
    EXPECT_FALSE(report.TakeParams(noBook));

    FieldList given;
    given.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    given.Add("DateEnd", FieldType::kDate, Value(Date(2025, 6, 30)));
    given.Add("GoodCode", FieldType::kCode, Value(std::string("G'1")));
    given.Add("IsGroup", FieldType::kFlag, Value(1));
    book->SetToday(Date(2026, 3, 15));
    auto opened = std::make_shared<DocumentCube>();
    opened->failOpen = true; // parameters only: no window content
    Testing::ScriptedUser user;
    opened->Main(given);
    EXPECT_EQ(opened->DateParam("DateBeg"), Date(2026, 1, 1));
    EXPECT_EQ(opened->DateParam("DateEnd"), Date(2025, 6, 30));
    EXPECT_EQ(opened->GoodNodeText(), " goods group G'1");
    opened->Params().Item("IsGroup").SetValue(Value(0));
    EXPECT_EQ(opened->GoodNodeText(), " good G'1");
    opened->Params().Item("GoodCode").SetValue(Value(std::string()));
    EXPECT_EQ(opened->GoodNodeText(), "");
    opened->Params().Item("DateEnd").SetValue(Value(std::int64_t{5}));
    try {
        opened->DateParam("DateEnd");
        ADD_FAILURE() << "a number taken for a date";
    } catch (const ValueError& e) {
        EXPECT_NE(std::string(e.what()).find("DateEnd:"), std::string::npos) << e.what();
    }

    const auto department = book->Db().QueryPostgres("SELECT Code, Name FROM REFDepartment ORDER BY Code LIMIT 1");
    const std::string code = department.rows.at(0).at(0).ToText();
    EXPECT_EQ(opened->DimMappingText("Department", Value(code)), code + ":" + department.rows.at(0).at(1).ToText());
    EXPECT_EQ(opened->DimMappingText("DocTypeCode", Value(code)), code);
    EXPECT_EQ(opened->DimMappingText("Department", Value()), "");
    // Before the names are read a department is its code.
    EXPECT_EQ(report.DimMappingText("Department", Value(code)), code);
}

} // namespace
