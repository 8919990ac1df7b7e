#pragma once

#include "host/cube/CCube.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace OlapTesting {

// A cube report for the tests: the window calls it as the host does, and it defines the
// cube the test asks for.
class TestReport : public Talvex::ICubeForm2 {
public:
    std::function<void(Talvex::CCube&)> define;
    std::function<void(Talvex::CCube&, const Talvex::Cube::GridCell&)> dblClick;
    void OnOpenCube(Talvex::CCube& cube) override
    {
        if (define) define(cube);
    }
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override
    {
        if (dblClick) dblClick(cube, cell);
    }
};

// The demo company, a scripted user's session and the document list the cubes are built
// from: one row per document with its type, date and sum, and a "Tag" of the type followed
// by a quote, a semicolon and comment markers, so that members carry what a filter must
// quote.
class CubeFixture : public ::testing::Test {
protected:
    static constexpr const char* kTagSuffix = "' ; -- /*";

    void SetUp() override
    {
        book = Talvex::Testing::OpenDemoBook("tester");
        book->SetToday(Talvex::Date(2026, 12, 6));
    }

    std::shared_ptr<Talvex::DataList> DocumentList()
    {
        auto list = book->CreateList("THDocument");
        list->Fields().AddField("Tag", Talvex::FieldType::kText, "oTable.DocTypeCode + N''' ; -- /*'");
        list->Fields().Item("DocTypeCode").SetCaption("Type");
        list->Fields().SelectFields({"IDC", "DocTypeCode", "Number", "DocumentDate", "Summa", "Tag"});
        return list;
    }

    // Opens a cube window over the list with the dimensions and period levels of the
    // documents; `layout` places them.
    Talvex::CCube& OpenCube(const std::shared_ptr<Talvex::DataList>& list,
                            const std::function<void(Talvex::Cube::Engine&)>& layout)
    {
        report = std::make_shared<TestReport>();
        report->define = [this, list, layout](Talvex::CCube& cube) {
            auto& engine = cube.cube();
            engine.SetActive(false);
            engine.Dims().Clear();
            engine.Dims().Add("DocTypeCode", "Type");
            engine.Dims().Add("Tag", "Tag");
            engine.Dims().Add("DocumentDate");
            engine.Dims().AddCalculated("Year", "DocumentDate", Talvex::Cube::PeriodLevel::Year, "Year");
            engine.Dims().AddCalculated("Q", "DocumentDate", Talvex::Cube::PeriodLevel::Q, "Quarter");
            engine.Dims().AddCalculated("Month", "DocumentDate", Talvex::Cube::PeriodLevel::Month, "Month");
            engine.Dims().AddCalculated("Week", "DocumentDate", Talvex::Cube::PeriodLevel::Week, "Week");
            engine.BaseFacts().Add("Summa");
            engine.Facts().Add("Summa", "Sum");
            engine.Facts().AddCalculated("Twice", "Twice", "Summa*2");
            layout(engine);
            wrapper = std::make_shared<Quarn_DuzAde::COLAPCubeExt2>();
            wrapper->Init(book, cube);
            wrapper->SetSourceList(list);
            ASSERT_TRUE(wrapper->SetDirectDataList(list));
        };
        return Talvex::OpenCubeForm(report);
    }

    Talvex::Data::ResultSet Sql(const std::string& postgresSql) { return book->Db().QueryPostgres(postgresSql); }

    Talvex::Testing::ScriptedUser user;
    std::shared_ptr<Talvex::Book> book;
    std::shared_ptr<TestReport> report;
    std::shared_ptr<Quarn_DuzAde::COLAPCubeExt2> wrapper;
};

} // namespace OlapTesting
