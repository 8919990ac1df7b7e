#include "CubeFixture.hpp"

#include "host/cube/PeriodLevel.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/ui/Grid.hpp"

#include <cmath>

using namespace Talvex;
using namespace Talvex::Cube;
using OlapTesting::CubeFixture;
using OlapTesting::TestReport;

namespace {

// The documents of a cell as the engine folds them: IDC of each source row, those of a
// zero sum left out when the fact is a plain sum (its filter asks for a non-zero sum).
std::set<std::int64_t> EngineDocuments(const Engine& engine, const GridCell& cell)
{
    std::set<std::int64_t> ids;
    for (auto row : engine.SourceRows(cell)) {
        if (!cell.Fact().IsCalculated() && engine.Source().ValueAt("Summa", row).ToCurrency() == Currency()) continue;
        ids.insert(engine.Source().ValueAt("IDC", row).ToInteger());
    }
    return ids;
}

std::set<std::int64_t> Ids(Data::Recordset& rs)
{
    std::set<std::int64_t> ids;
    if (rs.RecordCount() == 0) return ids;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        ids.insert(rs.Fields().Item("IDC").Value().ToInteger());
    return ids;
}

// The cell's rows written in PostgreSQL by hand, for an independent sum: each coordinate
// becomes a condition on the document table.
std::string IndependentWhere(const GridCell& cell)
{
    std::string where = "TRUE";
    const auto coords = cell.Coordinates();
    for (std::size_t i = 0; i < coords.Count(); ++i) {
        const std::string name = coords.Dimension(i).Name();
        const std::string v = coords.Member(i).ToText();
        if (name == "Year") where += " AND extract(year from documentdate) = " + v;
        if (name == "Q") where += " AND extract(quarter from documentdate) = " + v;
        if (name == "Month") where += " AND extract(month from documentdate) = " + v;
        // Weeks run Monday to Sunday; the week holding 1 January is the year's first.
        if (name == "Week")
            where += " AND (extract(doy from documentdate)::int - 1 + extract(isodow from date_trunc('year', "
                     "documentdate))::int - 1) / 7 + 1 = " +
                     v;
        if (name == "Tag")
            where += " AND doctypecode || '''' || ' ; -- /*' = '" + v.substr(0, v.find('\'')) + "'' ; -- /*'";
        if (name == "DocTypeCode") where += " AND doctypecode = '" + v + "'";
    }
    return where;
}

} // namespace

// Every cell of a cube by type tag and year, quarter and month (members, subtotals, the
// grand total), for a plain and a calculated fact: the filter, run as SQL over the source
// list, selects exactly the documents the engine folded into the cell, and a sum written
// independently over the document table equals the cell.
TEST_F(CubeFixture, FilterSelectsTheCellRowsInSqlMode)
{
    auto list = DocumentList();
    CCube& cube = OpenCube(list, [](Engine& e) {
        e.Dims().Item("Year").MoveTo(Axis::Rows, 0);
        e.Dims().Item("Q").MoveTo(Axis::Rows, 1);
        e.Dims().Item("Month").MoveTo(Axis::Rows, 2);
        e.Dims().Item("Tag").MoveTo(Axis::Columns, 0);
    });
    ASSERT_EQ(user.ErrorsText(), "");
    const auto& engine = cube.cube();
    const auto& grid = engine.Grid();
    std::size_t checked = 0;
    for (std::size_t col = 0; col < grid.ColCount(); ++col) {
        const auto& header = grid.ColHeader(col / grid.FactCount());
        const std::string tag = header.Codes.empty() ? "" : grid.ColDims()[0]->Member(header.Codes[0]).ToText();
        if (!(header.Codes.empty() || tag.rfind("PRSF", 0) == 0 || tag.rfind("GPG", 0) == 0)) continue;
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            const auto cell = grid.Cell(row, col);
            if (cell.IsBlank()) continue;
            wrapper->ParseCell(&cell);
            const std::string filter = wrapper->Filter();
            auto query = book->CreateList("");
            query->SetSource(list, "oTable");
            query->SetFilter(filter);
            query->Refresh();
            EXPECT_EQ(Ids(*query->Recordset()), EngineDocuments(engine, cell)) << filter;
            if (cell.Fact().Name() == "Summa") {
                const auto sum = Sql("SELECT COALESCE(SUM(summa), 0) FROM thdocument WHERE " + IndependentWhere(cell))
                                     .rows.at(0)
                                     .at(0)
                                     .ToCurrency();
                EXPECT_NEAR(sum.ToDouble(), cell.Value(), 0.005) << IndependentWhere(cell);
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 100u);
    // The grand total of the sum asks only for a non-zero sum.
    const auto total = grid.Cell(grid.RowCount() - 1, grid.ColCount() - grid.FactCount());
    wrapper->ParseCell(&total);
    EXPECT_EQ(wrapper->Filter(), "oTable.Summa <> 0");
}

// Weeks, in recordset mode: a cube by year and week, the week holding 1 January and the
// weeks either side of the year end included; the filter narrows the source recordset to
// exactly the cell's documents.
TEST_F(CubeFixture, FilterSelectsTheCellRowsOfWeeksInRecordsetMode)
{
    auto list = DocumentList();
    CCube& cube = OpenCube(list, [](Engine& e) {
        e.Dims().Item("Year").MoveTo(Axis::Rows, 0);
        e.Dims().Item("Week").MoveTo(Axis::Rows, 1);
        e.Dims().Item("Tag").MoveTo(Axis::Columns, 0);
    });
    ASSERT_EQ(user.ErrorsText(), "");
    auto rst = list->Recordset()->Copy();
    wrapper->SetSourceList(nullptr);
    wrapper->SetSourceRst(rst);
    auto attrs = std::make_shared<FieldList>();
    for (const auto& field : list->Fields())
        if (field->Selected()) attrs->Add(field->Name(), field->TypeCode()).SetCaption(field->Caption());
    wrapper->SetRstFieldsAttr(attrs);
    wrapper->SetListIsFill(true);

    const auto& engine = cube.cube();
    const auto& grid = engine.Grid();
    std::set<std::string> yearEnd;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        for (std::size_t col = 0; col < grid.ColCount(); ++col) {
            const auto& header = grid.ColHeader(col / grid.FactCount());
            const std::string tag = header.Codes.empty() ? "" : grid.ColDims()[0]->Member(header.Codes[0]).ToText();
            if (!(header.Codes.empty() || tag.rfind("PRSF", 0) == 0)) continue;
            const auto cell = grid.Cell(row, col);
            if (cell.IsBlank()) continue;
            wrapper->ParseCell(&cell);
            const std::string filter = wrapper->Filter();
            auto view = rst->Clone();
            view->SetFilter(filter);
            EXPECT_EQ(Ids(*view), EngineDocuments(engine, cell)) << filter;
            const auto coords = cell.Coordinates();
            const Value year = coords.MemberByName("Year");
            const Value week = coords.MemberByName("Week");
            if (!week.IsEmpty() && header.Codes.empty()) {
                const auto period = wrapper->CellPeriod();
                ASSERT_TRUE(period.has_value());
                if ((year.ToInteger() == 2025 && week.ToInteger() >= 53) || week.ToInteger() == 1)
                    yearEnd.insert(period->first.ToIso() + ".." + period->second.ToIso());
            }
        }
    }
    // 1 January 2025 is a Wednesday and 1 January 2026 a Thursday.
    EXPECT_EQ(yearEnd,
              (std::set<std::string>{"2025-01-01..2025-01-05", "2025-12-29..2025-12-31", "2026-01-01..2026-01-04"}));
}

// The texts that describe a cell, and the drill-down list of both modes: its rows are the
// cell's documents and their sum is the cell.
TEST_F(CubeFixture, DrillDownListShowsTheCellDocumentsInBothModes)
{
    auto list = DocumentList();
    CCube& cube = OpenCube(list, [](Engine& e) {
        e.Dims().Item("Year").MoveTo(Axis::Rows, 0);
        e.Dims().Item("Month").MoveTo(Axis::Rows, 1);
        e.Dims().Item("DocTypeCode").MoveTo(Axis::Columns, 0);
    });
    ASSERT_EQ(user.ErrorsText(), "");
    wrapper->CrShowFieldsByDoc();
    wrapper->ShowFields().Add("Summa", FieldType::kAmount).SetCaption("Sum");
    const auto& grid = cube.cube().Grid();
    const auto row = grid.FindRow({Value(std::int64_t{2025}), Value(std::int64_t{2})});
    const auto colHeader = grid.FindColHeader({Value("PRSF")});
    ASSERT_TRUE(row && colHeader);
    cube.SetFocusedCell(grid.ColumnOf(*colHeader, "Summa"), *row);
    cube.SetCaption("Documents by month");

    auto checkList = [&](const std::string& mode) {
        wrapper->ListByCell();
        ASSERT_EQ(user.ErrorsText(), "") << mode;
        auto* form = wrapper->ListForm();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Caption(), "Documents by month");
        EXPECT_EQ(wrapper->FltrInfo(), "Type: PRSF;  ");
        EXPECT_EQ(wrapper->PeriodFltrInfo(), "2025-02-01 - 2025-02-28");
        EXPECT_EQ(form->Ctl("lbFltrInfo").Caption(), "2025-02-01 - 2025-02-28; Type: PRSF;  ");
        const auto& shown = form->GridCtl("SpecGrid");
        Currency sum;
        std::set<std::int64_t> ids;
        for (std::size_t r = 0; r < shown.RowCount(); ++r) {
            sum += shown.Cell(r, "Summa").ToCurrency();
            ids.insert(shown.Cell(r, "IDC").ToInteger());
        }
        EXPECT_FALSE(shown.Columns()[shown.ColumnIndex("IDC")].visible);
        const auto expected = Sql("SELECT SUM(summa), COUNT(*) FROM thdocument WHERE doctypecode = 'PRSF' AND "
                                  "documentdate BETWEEN '2025-02-01' AND '2025-02-28' AND summa <> 0")
                                  .rows.at(0);
        EXPECT_EQ(sum, expected.at(0).ToCurrency()) << mode;
        EXPECT_EQ(static_cast<std::int64_t>(ids.size()), expected.at(1).ToInteger()) << mode;
        EXPECT_NEAR(cube.FocusedCell()->Value(), sum.ToDouble(), 0.005);
    };
    checkList("SQL");

    // The same cell from the recordset the cube came from, with a new list dialog.
    wrapper->SetSourceRst(list->Recordset()->Copy());
    auto attrs = std::make_shared<FieldList>();
    for (const auto& field : list->Fields())
        if (field->Selected()) attrs->Add(field->Name(), field->TypeCode()).SetCaption(field->Caption());
    wrapper->SetRstFieldsAttr(attrs);
    wrapper->SetSourceList(nullptr);
    wrapper->SetListIsFill(true);
    wrapper->ReInitListDlg(true);
    checkList("recordset");
    EXPECT_FALSE(wrapper->IsDataChange());
}

// A double-click on a row of the drill-down list opens that document; a cell with no
// period and no members shows every document with a sum.
TEST_F(CubeFixture, DrillDownOpensTheDocumentOfTheRow)
{
    auto list = DocumentList();
    CCube& cube = OpenCube(list, [](Engine& e) { e.Dims().Item("Year").MoveTo(Axis::Rows, 0); });
    wrapper->CrShowFieldsByDoc();
    report->dblClick = [this](CCube&, const GridCell& cell) { wrapper->ListByCell(&cell); };
    user.DblClick("CubeSrcList", "SpecGrid", 1).Accept("CubeSrcList");
    const auto& grid = cube.cube().Grid();
    cube.UserDblClickCell(0, grid.RowCount() - 1); // the grand total
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(wrapper->Filter(), "oTable.Summa <> 0");
    const auto& shown = wrapper->ListForm()->GridCtl("SpecGrid");
    EXPECT_EQ(static_cast<std::int64_t>(shown.RowCount()),
              Sql("SELECT COUNT(*) FROM thdocument WHERE summa <> 0").rows.at(0).at(0).ToInteger());
    ASSERT_EQ(user.DocumentsOpened().size(), 1u);
    EXPECT_EQ(user.DocumentsOpened()[0].idc, shown.Cell(0, "IDC").ToInteger());
    EXPECT_EQ(user.DocumentsOpened()[0].docType, shown.Cell(0, "DocTypeCode").ToText());
}

// Negative values red, zeros invisible, user styles: every cell of a cube with negative,
// zero and positive sums gets the style its value calls for, and each rule is added once.
TEST_F(CubeFixture, DisplayRulesStyleNegativeAndZeroCells)
{
    auto window = std::make_shared<TestReport>();
    auto cubeWrapper = std::make_shared<Quarn_DuzAde::COLAPCubeExt2>();
    window->define = [&](CCube& cube) {
        auto& e = cube.cube();
        CubeSource source;
        source.AddColumn("Client", std::vector<std::string>{"A", "B", "C", "C", "D"});
        source.AddColumn("Summa", std::vector<double>{-5, 0, 7, -7, 3});
        e.SetSource(std::move(source));
        e.Dims().Add("Client");
        e.BaseFacts().Add("Summa");
        e.Facts().Add("Summa", "Sum");
        e.Facts().Add("Other", "Other", "Summa");
        cubeWrapper->Init(book, cube);
    };
    CCube& cube = OpenCubeForm(window);
    cubeWrapper->SetRedBackForNegValue();
    cubeWrapper->SetRedTextForNegValue();
    cubeWrapper->SetRedBackForNegValue();
    cubeWrapper->SetInVisibleZeroValue();
    cubeWrapper->SetInVisibleZeroValue();
    ASSERT_EQ(cube.Conditions().Count(), 2u);
    EXPECT_EQ(cube.Styles().Item("negstyle").BackColor, std::optional<std::uint32_t>(0x7878FF));
    EXPECT_FALSE(cube.Styles().Item("negstyle").TextColor.has_value());
    EXPECT_EQ(cube.Styles().Item("zerostyle").TextColor, std::optional<std::uint32_t>(0x80000005));

    cube.Styles().Add("big");
    cubeWrapper->SetUserStyleComparCondition("big", Currency::FromInteger(5), Condition::Greater, "Other");
    EXPECT_TRUE(cube.Facts().Item("Other").OwnConditions);
    const auto& engine = cube.cube();
    const auto& grid = engine.Grid();
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        for (std::size_t col = 0; col < grid.ColCount(); ++col) {
            const auto cell = grid.Cell(row, col);
            const Style* style = engine.CellStyle(cell);
            const std::string name = style ? style->Name : "";
            const double v = cell.Value();
            if (cell.Fact().Name() == "Summa")
                EXPECT_EQ(name, v < 0 ? "negstyle" : v == 0 ? "zerostyle" : "") << row << "," << col;
            else
                EXPECT_EQ(name, v > 5 ? "big" : "") << row << "," << col;
        }
    }

    // Hiding a fact takes its column away; the status panel clears.
    cubeWrapper->HideFact("Other");
    cube.Refresh();
    EXPECT_EQ(cube.cube().Grid().FactCount(), 1u);
    cubeWrapper->SetStatusText();
    EXPECT_EQ(cube.StatusText(0), "");
    EXPECT_EQ(cube.StatusText(1), "");
}

// The focused position survives a reload; restoring before saving does nothing.
TEST_F(CubeFixture, SavedPositionIsRestoredAfterReload)
{
    auto list = DocumentList();
    CCube& cube = OpenCube(list, [](Engine& e) {
        e.Dims().Item("DocTypeCode").MoveTo(Axis::Rows, 0);
        e.Dims().Item("Year").MoveTo(Axis::Columns, 0);
    });
    wrapper->RestoreCurrentPos();
    EXPECT_EQ(cube.FocusedCell()->ColIndex(), 0u);
    EXPECT_EQ(wrapper->SavedPosition(), std::make_pair(-1, -1));
    cube.SetFocusedCell(3, 5);
    wrapper->SaveCurrentPos();
    ASSERT_TRUE(wrapper->SetDirectDataList(list));
    EXPECT_EQ(cube.FocusedCell()->RowIndex(), 0u);
    wrapper->RestoreCurrentPos();
    EXPECT_EQ(cube.FocusedCell()->ColIndex(), 3u);
    EXPECT_EQ(cube.FocusedCell()->RowIndex(), 5u);
    EXPECT_EQ(wrapper->DimValOnfocusedCell("DocTypeCode"),
              cube.cube().Grid().RowDims()[0]->Member(cube.cube().Grid().RowHeader(5).Codes[0]).ToText());
    // Column 3 is the calculated fact of the second year; the sum stands beside it.
    EXPECT_EQ(cube.FocusedCell()->Fact().Name(), "Twice");
    EXPECT_NEAR(wrapper->FactValOnfocusedCellExt("Summa").ToDouble() * 2, cube.FocusedCell()->Value(), 0.005);
}

// The period of a cell from its period members, as the host's week numbering gives them.
TEST_F(CubeFixture, CellPeriodOfYearsMonthsWeeksAndDays)
{
    auto window = std::make_shared<TestReport>();
    auto w = std::make_shared<Quarn_DuzAde::COLAPCubeExt2>();
    window->define = [&](CCube& cube) {
        auto& e = cube.cube();
        CubeSource source;
        source.AddColumn("D", std::vector<Date>{Date(2014, 2, 10), Date(2015, 1, 3), Date(2015, 1, 6)});
        source.AddColumn("Day", std::vector<Date>{Date(2014, 2, 10), Date(2015, 1, 3), Date(2015, 1, 6)});
        source.AddColumn("Summa", std::vector<double>{1, 2, 3});
        e.SetSource(std::move(source));
        e.Dims().Add("D");
        e.Dims().Add("Day");
        e.Dims().AddCalculated("Year", "D", PeriodLevel::Year);
        e.Dims().AddCalculated("Q", "D", PeriodLevel::Q);
        e.Dims().AddCalculated("Month", "D", PeriodLevel::Month);
        e.Dims().AddCalculated("Week", "D", PeriodLevel::Week);
        e.BaseFacts().Add("Summa");
        e.Facts().Add("Summa");
        w->Init(book, cube);
    };
    CCube& cube = OpenCubeForm(window);
    auto& e = cube.cube();
    auto period = [&](std::vector<std::string> dims, std::vector<Value> members) {
        for (std::size_t i = 0; i < e.Dims().Count(); ++i)
            e.Dims().Item(i).MoveTo(Axis::Filter, -1);
        for (std::size_t i = 0; i < dims.size(); ++i)
            e.Dims().Item(dims[i]).MoveTo(Axis::Rows, static_cast<int>(i));
        const auto row = e.Grid().FindRow(members);
        if (!row) return std::string("no row");
        const auto cell = e.Grid().Cell(*row, 0);
        w->ParseCell(&cell);
        const auto p = w->CellPeriod();
        return p ? p->first.ToIso() + ".." + p->second.ToIso() : std::string("none");
    };
    const Value y2014(std::int64_t{2014}), y2015(std::int64_t{2015});
    EXPECT_EQ(period({"Year", "Month"}, {y2014, Value(std::int64_t{2})}), "2014-02-01..2014-02-28");
    EXPECT_EQ(w->Filter(), "D BETWEEN '2014-02-01' AND '2014-02-28'");
    EXPECT_EQ(w->PeriodFltrInfo(), "2014-02-01 - 2014-02-28");
    EXPECT_EQ(period({"Year", "Q"}, {y2015, Value(std::int64_t{1})}), "2015-01-01..2015-03-31");
    // 1 January 2015 is a Thursday: week 1 is 1-4 January, week 2 5-11 January.
    EXPECT_EQ(period({"Year", "Week"}, {y2015, Value(std::int64_t{1})}), "2015-01-01..2015-01-04");
    EXPECT_EQ(period({"Year", "Week"}, {y2015, Value(std::int64_t{2})}), "2015-01-05..2015-01-11");
    // Month without a year: the Book's current year.
    EXPECT_EQ(period({"Month"}, {Value(std::int64_t{2})}), "2026-02-01..2026-02-28");
    // A week alone has no period.
    EXPECT_EQ(period({"Week"}, {Value(std::int64_t{1})}), "none");
    // A day with a date member is that date, whatever week stands beside it.
    EXPECT_EQ(period({"Year", "Month", "Week", "Day"},
                     {y2015, Value(std::int64_t{1}), Value(std::int64_t{2}), Value(Date(2015, 1, 6))}),
              "2015-01-06..2015-01-06");
    EXPECT_EQ(w->Filter(), "Day = '2015-01-06'");
    EXPECT_EQ(w->PeriodFltrInfo(), "2015-01-06");
}
