#include "quarn/cost/RLValAssState.hpp"
#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Grid.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/CubeRunChecks.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace Talvex;
using Quarn_DuzAde::RLValAssState;

namespace {

struct Row {
    std::string name;
    std::vector<std::string> levels;
    double amount = 0;
    double summa = 0;
};

// The rows of the drill-down list (every issued row held on the day), by document and row.
std::vector<Row> Rows(RLValAssState& report)
{
    auto list = report.CreateList(true);
    list->Refresh();
    auto rs = list->Recordset();
    std::vector<Row> rows;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        Row r;
        r.name = rs->Fields().Item("Name").Value().ToText();
        for (std::size_t level = 1; level <= report.HolderLevels(); ++level)
            r.levels.push_back(rs->Fields().Item("ClntCode" + std::to_string(level)).Value().ToText());
        r.amount = rs->Fields().Item("Amount").Value().ToDouble();
        r.summa = rs->Fields().Item("Summa").Value().ToDouble();
        rows.push_back(std::move(r));
    }
    return rows;
}

class LowValueAssetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book = Testing::OpenDemoBook("tester");
        report.SetBook(book);
    }
    // Independently: issue rows dated up to the day whose return, if any, is after it.
    std::pair<long, double> Expected(const std::string& day, const std::string& extra = "TRUE")
    {
        auto r = book->Db().QueryPostgres(
            "SELECT count(*), COALESCE(sum(s.Summa), 0)::float8 FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC "
            "JOIN THGoodSpecITNS a ON a.DocID = s.DocID AND a.PosNumb = s.PosNumb WHERE d.DocTypeCode = 'ITNS' AND "
            "d.IsPosted = 1 AND d.DocumentDate <= '" +
            day + "' AND (a.RetDate IS NULL OR a.RetDate > '" + day + "') AND " + extra);
        return {static_cast<long>(r.rows.at(0).at(0).ToInteger()), r.rows.at(0).at(1).ToDouble()};
    }
    std::shared_ptr<Book> book;
    RLValAssState report;
};

} // namespace

// An item returned on the day is no longer held that day but was the day before; an item
// never returned is held on any later day; a fixed-asset object without an asset card shows
// under its own code with "~". The holders sit under their groups of the client tree.
TEST_F(LowValueAssetsTest, ReturnsOnTheDayFixedAssetObjectsAndHolderLevels)
{
    auto returned = book->Db().QueryPostgres(
        "SELECT a.RetDate::text, (a.RetDate - 1)::text, va.Code || ':' || va.Name FROM THGoodSpecITNS a JOIN "
        "THDocument d ON d.IDC = a.DocID JOIN REFLValAssets va ON va.Code = a.AssetsCode WHERE a.RetDate IS NOT NULL "
        "AND a.RetDate > d.DocumentDate AND d.IsPosted = 1 ORDER BY a.RetDate, a.DocID LIMIT 1");
    ASSERT_EQ(returned.rows.size(), 1u);
    const std::string day = returned.rows[0].at(0).ToText();
    const std::string before = returned.rows[0].at(1).ToText();
    const std::string item = returned.rows[0].at(2).ToText();
    auto countOf = [](const std::vector<Row>& rows, const std::string& name) {
        long n = 0;
        for (const auto& r : rows)
            n += r.name == name;
        return n;
    };
    report.SetChoice(0, "", Date::Parse(before));
    report.ReadHolderTree();
    const auto dayBefore = Rows(report);
    report.SetChoice(0, "", Date::Parse(day));
    const auto onTheDay = Rows(report);
    EXPECT_EQ(countOf(onTheDay, item) + 1, countOf(dayBefore, item)) << item << " returned on " << day;
    EXPECT_EQ(static_cast<long>(onTheDay.size()), Expected(day).first);
    EXPECT_EQ(static_cast<long>(dayBefore.size()), Expected(before).first);

    report.SetChoice(0, "", Date(2030, 1, 1));
    const auto later = Rows(report);
    EXPECT_EQ(static_cast<long>(later.size()), Expected("2030-01-01").first);
    auto onlyObject = book->Db().QueryPostgres(
        "SELECT '~' || it.Code || ':' || it.Name FROM THGoodSpecITNS a JOIN REFFixAssetsObjects it ON it.Code = "
        "a.FAObjectCode JOIN THDocument d ON d.IDC = a.DocID WHERE a.AssetsCode IS NULL AND a.RetDate IS NULL AND "
        "d.IsPosted = 1 LIMIT 1");
    ASSERT_EQ(onlyObject.rows.size(), 1u);
    EXPECT_GE(countOf(later, onlyObject.rows[0].at(0).ToText()), 1);

    // The holders' levels: the root group first, the holder last, a shallower holder
    // repeated at the deeper levels.
    ASSERT_GE(report.HolderLevels(), 3u);
    std::set<std::vector<std::string>> paths;
    for (const auto& r : later)
        paths.insert(r.levels);
    auto parentOf = [this](const std::string& code) {
        return book->Db()
            .QueryPostgres("SELECT COALESCE(Parent, '') FROM REFClient WHERE Code = '" + code + "'")
            .rows.at(0)
            .at(0)
            .ToText();
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.back());
        EXPECT_EQ(parentOf(path.front()), "");
        for (std::size_t i = 1; i < path.size(); ++i) {
            if (path[i] != path[i - 1])
                EXPECT_EQ(parentOf(path[i]), path[i - 1]);
            else
                EXPECT_EQ(path[i], path.back()) << "only the holder repeats";
        }
    }
    EXPECT_GT(paths.size(), 1u);
    EXPECT_EQ(report.HolderText("K"), "K [Customers]");
}

// A department alone, or with everything under it; the cube's totals equal the rows held.
TEST_F(LowValueAssetsTest, DepartmentsAndCubeTotalsMatchIndependentSums)
{
    report.ReadHolderTree();
    report.SetChoice(0, "FIN", Date(2026, 6, 30));
    auto fin = Rows(report);
    EXPECT_EQ(static_cast<long>(fin.size()), Expected("2026-06-30", "d.Department = 'FIN'").first);
    EXPECT_GT(fin.size(), 0u);
    report.SetChoice(1, "IMONE", Date(2026, 6, 30));
    EXPECT_EQ(static_cast<long>(Rows(report).size()), Expected("2026-06-30").first);
    report.SetChoice(1, "PARD", Date(2026, 6, 30));
    EXPECT_EQ(static_cast<long>(Rows(report).size()), Expected("2026-06-30", "d.Department LIKE 'PARD-%'").first);
    report.SetChoice(0, "PARD", Date(2026, 6, 30));
    EXPECT_EQ(Rows(report).size(), 0u) << "a group alone holds no documents";

    report.SetChoice(0, "", Date(2026, 6, 30));
    auto list = report.CreateList(false);
    list->Refresh();
    Cube::Engine engine;
    engine.AttachRecordset(*list->Recordset());
    report.DefineCube(engine);
    engine.SetActive(true);
    const auto& grid = engine.Grid();
    auto total = grid.FindRow({});
    auto all = grid.FindColHeader({});
    ASSERT_TRUE(total && all);
    const auto [count, summa] = Expected("2026-06-30");
    auto amount = book->Db().QueryPostgres(
        "SELECT sum(s.Amount)::float8 FROM THDocument d JOIN THGoodSpec s ON s.DocID = d.IDC JOIN THGoodSpecITNS a ON "
        "a.DocID = s.DocID AND a.PosNumb = s.PosNumb WHERE d.DocTypeCode = 'ITNS' AND d.IsPosted = 1 AND "
        "d.DocumentDate <= '2026-06-30' AND (a.RetDate IS NULL OR a.RetDate > '2026-06-30')");
    ASSERT_GT(count, 0);
    EXPECT_NEAR(grid.FactValue(*total, *all, "Summa").value_or(0), summa, 0.005);
    const double quantity = amount.rows.at(0).at(0).ToDouble();
    EXPECT_NEAR(grid.FactValue(*total, *all, "Amount").value_or(0), quantity, 1e-9);
    EXPECT_NEAR(grid.FactValue(*total, *all, "Price").value_or(0), summa / quantity, 1e-6);
}

// The whole road: the form, the cube, a holder's cell listing its issue documents; a day with
// nothing held says so; an unknown department is refused at the control.
TEST_F(LowValueAssetsTest, RunDrillsDownSaysWhenEmptyAndRefusesBadInput)
{
    FieldList params;
    params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    {
        Testing::ScriptedUser user;
        user.Set("frmRLValAssStateParams", "edStateDate", "2026-06-30")
            .Click("frmRLValAssStateParams", "btOk")
            .Accept("CubeSrcList");
        auto cubeReport = std::make_shared<RLValAssState>();
        cubeReport->Main(params);
        ASSERT_EQ(user.ErrorsText(), "");
        CCube* shownCube = CubeRunChecks::ShownCube(user);
        ASSERT_NE(shownCube, nullptr);
        CCube& cube = *shownCube;
        const auto& grid = cube.cube().Grid();
        auto all = grid.FindColHeader({});
        auto root = grid.FindRow({Value("K")});
        ASSERT_TRUE(all && root);
        const double cellSum = grid.FactValue(*root, *all, "Summa").value_or(0);
        cube.UserDblClickCell(grid.ColumnOf(*all, "Summa"), *root);
        ASSERT_EQ(user.ErrorsText(), "");
        ASSERT_NE(cubeReport->Wrapper()->ListForm(), nullptr);
        EXPECT_NEAR(CubeRunChecks::ListedSum(*cubeReport->Wrapper()->ListForm(), "Summa").sum, cellSum, 0.005);
        EXPECT_NEAR(cellSum,
                    Expected("2026-06-30", "d.IDC IN (SELECT DocID FROM THPartyAttribute WHERE "
                                           "RolePartyCode = 'PIR' AND PartyCode LIKE 'K%')")
                        .second,
                    0.005);
    }
    {
        Testing::ScriptedUser user;
        user.Set("frmRLValAssStateParams", "edStateDate", "2020-01-01")
            .Click("frmRLValAssStateParams", "btOk")
            .Answer("OK");
        auto cubeReport = std::make_shared<RLValAssState>();
        cubeReport->Main(params);
        EXPECT_TRUE(CubeRunChecks::ToldOnly(user, "No items are held on that day"));
    }
    {
        Testing::ScriptedUser user;
        user.Set("frmRLValAssStateParams", "cbDepartment", "NO'SUCH;--")
            .Click("frmRLValAssStateParams", "btOk")
            .Click("frmRLValAssStateParams", "btCancel");
        auto cubeReport = std::make_shared<RLValAssState>();
        cubeReport->Main(params);
        ASSERT_EQ(user.ErrorMessages().size(), 1u);
        EXPECT_NE(user.ErrorMessages()[0].find("cbDepartment:"), std::string::npos);
    }
}
