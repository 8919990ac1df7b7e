#include "host/cube/CCube.hpp"

#include "host/cube/internal/MemberKey.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/MainWindow.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace Talvex {

namespace {

constexpr const char* kGrid = "CubeGrid";
constexpr const char* kTotalText = "Total";

std::string FactColumnName(std::size_t colIndex)
{
    return "F" + std::to_string(colIndex);
}

// The cell's ColIndex of a grid column "F<k>"; nothing for a header column.
std::optional<std::size_t> FactColumnIndex(std::string_view column)
{
    if (column.size() < 2 || column.front() != 'F') return std::nullopt;
    std::size_t k = 0;
    const auto* end = column.data() + column.size();
    const auto [ptr, ec] = std::from_chars(column.data() + 1, end, k);
    if (ec != std::errc{} || ptr != end) return std::nullopt;
    return k;
}

Cube::Axis AxisByName(std::string_view name)
{
    if (name == "Rows" || name == "0") return Cube::Axis::Rows;
    if (name == "Columns" || name == "1") return Cube::Axis::Columns;
    if (name == "Filter" || name == "2") return Cube::Axis::Filter;
    throw ValueError("cbAxis: \"" + std::string(name) + "\" is not an axis (Rows, Columns or Filter)");
}

// Runs a report callback as the host does: an error is shown, never passed on.
template <class F> void Guarded(const std::string& what, F&& call)
{
    try {
        call();
    } catch (const Ui::NoAnswerError&) {
        throw;
    } catch (const std::exception& error) {
        if (auto* session = Ui::Session::TryCurrent())
            session->ReportError(what, error.what());
        else
            throw;
    }
}

// The report's class name, as error sources name it ("Quarn_DuzAde::RSale").
std::string ReportName(const ICubeForm2& report)
{
    int status = 0;
    char* plain = abi::__cxa_demangle(typeid(report).name(), nullptr, nullptr, &status);
    std::string name = status == 0 && plain != nullptr ? plain : typeid(report).name();
    std::free(plain);
    return name;
}

} // namespace

// ---------------------------------------------------------------------------------------
// CubeAxis

int CubeAxis::DrillDownLevel() const
{
    return owner_->cube().DrillDownLevel(axis_);
}

void CubeAxis::SetDrillDownLevel(int level)
{
    owner_->cube().SetDrillDownLevel(axis_, level);
}

// ---------------------------------------------------------------------------------------
// CubeWindow

CubeWindow::CubeWindow() : Ui::Form(kFormName), cube_(std::make_unique<CCube>(*this))
{
    Add(Ui::ControlKind::Label, "lbCubeCaption");
    AddGrid(kGrid);
    Add(Ui::ControlKind::ComboBox, "cbDimension");
    Add(Ui::ControlKind::ComboBox, "cbAxis").SetItems({{"Rows", "Rows"}, {"Columns", "Columns"}, {"Filter", "Filter"}});
    Add(Ui::ControlKind::NumberBox, "edPosition").SetDecimals(0);
    Add(Ui::ControlKind::Button, "btMoveDimension", "Move");
    Add(Ui::ControlKind::Button, "btExpandRows", "+");
    Add(Ui::ControlKind::Button, "btCollapseRows", "-");
    Add(Ui::ControlKind::Button, "btExpandColumns", "+");
    Add(Ui::ControlKind::Button, "btCollapseColumns", "-");
    Add(Ui::ControlKind::Label, "lbStatus1");
    Add(Ui::ControlKind::Label, "lbStatus2");

    On(kGrid, "RowColChange", [this](Ui::EventArgs& args) {
        const auto col = FactColumnIndex(args.column);
        const auto focused = cube_->FocusedCell();
        const std::size_t colIndex = col ? *col : focused ? focused->ColIndex() : 0;
        cube_->UserFocusCell(colIndex, static_cast<std::size_t>(args.row));
    });
    On(kGrid, "DblClick", [this](Ui::EventArgs& args) {
        const auto col = FactColumnIndex(args.column);
        if (!col) return; // a header cell: nothing to drill into
        cube_->UserDblClickCell(*col, static_cast<std::size_t>(args.row));
    });
    On("btMoveDimension", "Click", [this](Ui::EventArgs&) {
        const std::string dim = Ctl("cbDimension").GetValue().ToText();
        if (dim.empty()) throw ValueError("cbDimension: choose the dimension to move");
        const std::string axis = Ctl("cbAxis").GetValue().ToText();
        if (axis.empty()) throw ValueError("cbAxis: choose the axis to move the dimension to");
        const Value& pos = Ctl("edPosition").GetValue();
        const int position = pos.IsEmpty() || pos.IsNull() ? -1 : static_cast<int>(pos.ToInteger());
        cube_->UserMoveDimension(dim, AxisByName(axis), position);
    });
    On("btExpandRows", "Click", [this](Ui::EventArgs&) { cube_->UserExpand(Cube::Axis::Rows); });
    On("btCollapseRows", "Click", [this](Ui::EventArgs&) { cube_->UserCollapse(Cube::Axis::Rows); });
    On("btExpandColumns", "Click", [this](Ui::EventArgs&) { cube_->UserExpand(Cube::Axis::Columns); });
    On("btCollapseColumns", "Click", [this](Ui::EventArgs&) { cube_->UserCollapse(Cube::Axis::Columns); });
}

CubeWindow::~CubeWindow() = default;

// ---------------------------------------------------------------------------------------
// CCube

CCube::CCube(CubeWindow& frame) : frame_(&frame)
{
    engine_.SetOnDimMapping([this](const Cube::Dimension& dim, const Value& key) {
        std::string text = Cube::Internal::KeyText(key);
        if (report_ != nullptr) {
            ICubeForm2* report = report_;
            Guarded(ReportName(*report) + ".OnDimMapping", [&] { report->OnDimMapping(*this, dim, key, text); });
        }
        return text;
    });
}

void CCube::SetCaption(std::string caption)
{
    caption_ = std::move(caption);
    frame_->Ctl("lbCubeCaption").SetCaption(caption_);
}

std::optional<Cube::GridCell> CCube::FocusedCell() const
{
    if (!engine_.Active()) return std::nullopt;
    const auto& grid = engine_.Grid();
    if (grid.RowCount() == 0 || grid.ColCount() == 0) return std::nullopt;
    std::size_t col = 0;
    std::size_t row = 0;
    if (focus_ && focus_->first < grid.ColCount() && focus_->second < grid.RowCount()) {
        col = focus_->first;
        row = focus_->second;
    }
    return grid.Cell(row, col);
}

void CCube::SetFocusedCell(std::size_t colIndex, std::size_t rowIndex)
{
    if (!engine_.Active()) throw ValueError("SetFocusedCell: the cube holds no data");
    const auto& grid = engine_.Grid();
    if (colIndex >= grid.ColCount())
        throw ValueError("SetFocusedCell: column " + std::to_string(colIndex) + " is outside the grid (" +
                         std::to_string(grid.ColCount()) + " columns)");
    if (rowIndex >= grid.RowCount())
        throw ValueError("SetFocusedCell: row " + std::to_string(rowIndex) + " is outside the grid (" +
                         std::to_string(grid.RowCount()) + " rows)");
    focus_ = std::make_pair(colIndex, rowIndex);
    auto& gridCtl = frame_->GridCtl(kGrid);
    if (static_cast<std::size_t>(gridCtl.RowCount()) == grid.RowCount() && gridCtl.FindColumn(FactColumnName(colIndex)))
        gridCtl.SetCurrentCell(static_cast<long>(rowIndex), FactColumnName(colIndex));
    ShowStatusOfFocus();
}

const std::string& CCube::StatusText(int index) const
{
    if (index < 0 || index > 1) throw ValueError("StatusText: the status panel has texts 0 and 1");
    return status_[index];
}

void CCube::SetStatusText(int index, std::string text)
{
    if (index < 0 || index > 1) throw ValueError("SetStatusText: the status panel has texts 0 and 1");
    status_[index] = std::move(text);
    frame_->Ctl(index == 0 ? "lbStatus1" : "lbStatus2").SetCaption(status_[index]);
}

void CCube::SetReport(ICubeForm2* report)
{
    report_ = report;
}

void CCube::SetUserMenuItems(std::vector<std::string> items)
{
    menuItems_ = std::move(items);
    for (std::size_t i = 0; i < menuItems_.size(); ++i) {
        if (menuItems_[i] == "-") continue;
        const std::string name = "UserMenu" + std::to_string(i + 1);
        if (!frame_->Has(name)) {
            frame_->Add(Ui::ControlKind::Button, name, menuItems_[i]);
            const int index = static_cast<int>(i + 1);
            frame_->On(name, "Click", [this, index](Ui::EventArgs&) { UserChooseMenu(index); });
        } else {
            frame_->Ctl(name).SetCaption(menuItems_[i]);
        }
    }
}

void CCube::UserFocusCell(std::size_t colIndex, std::size_t rowIndex)
{
    SetFocusedCell(colIndex, rowIndex);
}

void CCube::UserDblClickCell(std::size_t colIndex, std::size_t rowIndex)
{
    SetFocusedCell(colIndex, rowIndex);
    if (report_ == nullptr) return;
    const auto cell = FocusedCell();
    if (!cell) return;
    ICubeForm2* report = report_;
    Guarded(ReportName(*report) + ".OnFactCellDblClick", [&] { report->OnFactCellDblClick(*this, *cell); });
    Refresh();
}

void CCube::UserChooseMenu(int index)
{
    if (index < 1 || static_cast<std::size_t>(index) > menuItems_.size() || menuItems_[index - 1] == "-")
        throw ValueError("UserMenu: there is no menu item " + std::to_string(index));
    if (report_ == nullptr) return;
    ICubeForm2* report = report_;
    Guarded(ReportName(*report) + ".OnUserMenu", [&] { report->OnUserMenu(index); });
    Refresh();
}

bool CCube::UserMoveDimension(const std::string& dimName, Cube::Axis axis, int position)
{
    auto& dim = engine_.Dims().Item(dimName);
    bool cancel = false;
    if (report_ != nullptr) {
        ICubeForm2* report = report_;
        Guarded(ReportName(*report) + ".BeforeMoveDimension",
                [&] { report->BeforeMoveDimension(*this, dim, axis, position, cancel); });
    }
    if (cancel) return false;
    dim.MoveTo(axis, position);
    Refresh();
    return true;
}

void CCube::UserExpand(Cube::Axis axis)
{
    const int depth = static_cast<int>(engine_.Dims().OnAxis(axis).size());
    const int level = engine_.DrillDownLevel(axis);
    if (level < 0) return; // all expanded already
    engine_.SetDrillDownLevel(axis, level + 1 >= depth - 1 ? -1 : level + 1);
    Refresh();
}

void CCube::UserCollapse(Cube::Axis axis)
{
    const int depth = static_cast<int>(engine_.Dims().OnAxis(axis).size());
    const int level = engine_.DrillDownLevel(axis);
    const int expanded = level < 0 ? std::max(0, depth - 1) : level;
    engine_.SetDrillDownLevel(axis, std::max(0, expanded - 1));
    Refresh();
}

void CCube::DefaultLayout()
{
    auto& dims = engine_.Dims();
    if (!dims.OnAxis(Cube::Axis::Rows).empty() || !dims.OnAxis(Cube::Axis::Columns).empty()) return;
    int onRows = 0;
    std::vector<Cube::Dimension*> periods;
    for (std::size_t i = 0; i < dims.Count(); ++i) {
        auto& dim = dims.Item(i);
        if (dim.IsCalculated())
            periods.push_back(&dim);
        else if (onRows < 2) {
            dim.MoveTo(Cube::Axis::Rows, onRows++);
        }
    }
    std::stable_sort(periods.begin(), periods.end(), [](const Cube::Dimension* a, const Cube::Dimension* b) {
        return static_cast<int>(a->Level()) < static_cast<int>(b->Level());
    });
    for (auto* dim : periods)
        dim->MoveTo(Cube::Axis::Columns, -1);
}

void CCube::Refresh()
{
    // Reports change facts and styles directly on the engine; showing again recomputes.
    engine_.Invalidate();
    if (!engine_.Active() && engine_.Source().ColumnCount() > 0) engine_.SetActive(true);
    if (engine_.Active()) DefaultLayout();
    Render();
}

void CCube::Render()
{
    auto& gridCtl = frame_->GridCtl(kGrid);
    gridCtl.ClearColumns();
    gridCtl.DefineStyle("total", Ui::RowStyle{true, "", "#e8e8e8"});
    auto& dimCombo = frame_->Ctl("cbDimension");
    std::vector<Ui::ComboItem> dimItems;
    for (std::size_t i = 0; i < engine_.Dims().Count(); ++i) {
        const auto& dim = engine_.Dims().Item(i);
        dimItems.push_back({dim.Name(), dim.Caption.empty() ? dim.Name() : dim.Caption});
    }
    dimCombo.SetItems(std::move(dimItems));
    if (!engine_.Active()) return;

    const auto& grid = engine_.Grid();
    for (const auto* dim : grid.RowDims())
        gridCtl.AddColumn(dim->Name(), dim->Caption.empty() ? dim->Name() : dim->Caption);
    for (std::size_t col = 0; col < grid.ColCount(); ++col) {
        const auto& header = grid.ColHeader(col / grid.FactCount());
        std::string caption;
        for (std::size_t i = 0; i < grid.ColDims().size(); ++i) {
            const std::string part = i < header.Codes.size()    ? grid.ColDims()[i]->MemberText(header.Codes[i])
                                     : i == header.Codes.size() ? std::string(kTotalText)
                                                                : std::string();
            if (part.empty()) continue;
            caption += part + " / ";
        }
        const auto& fact = grid.ColumnFact(col);
        caption += fact.Caption.empty() ? fact.Name() : fact.Caption;
        gridCtl.AddColumn(FactColumnName(col), caption, "#,##0.00");
    }
    const std::size_t rowDims = grid.RowDims().size();
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        std::vector<Value> cells;
        const auto& header = grid.RowHeader(row);
        for (std::size_t i = 0; i < rowDims; ++i) {
            if (i < header.Codes.size())
                cells.emplace_back(grid.RowDims()[i]->MemberText(header.Codes[i]));
            else
                cells.emplace_back(i == header.Codes.size() ? std::string(kTotalText) : std::string());
        }
        for (std::size_t col = 0; col < grid.ColCount(); ++col) {
            const auto cell = grid.Cell(row, col);
            if (cell.IsBlank())
                cells.emplace_back();
            else
                cells.emplace_back(cell.Value());
        }
        const std::size_t added = gridCtl.AddRow(std::move(cells));
        if (header.Codes.size() < rowDims) gridCtl.SetRowStyle(added, "total");
    }
    if (const auto cell = FocusedCell()) {
        focus_ = std::make_pair(cell->ColIndex(), cell->RowIndex());
        gridCtl.SetCurrentCell(static_cast<long>(cell->RowIndex()), FactColumnName(cell->ColIndex()));
    }
    ShowStatusOfFocus();
}

// The host's status panel shows where the focused cell stands and how many source rows it
// folds; reports that want a clean panel clear it.
void CCube::ShowStatusOfFocus()
{
    const auto cell = FocusedCell();
    if (!cell) return;
    const auto coords = cell->Coordinates();
    std::string where;
    for (std::size_t i = 0; i < coords.Count(); ++i) {
        if (!where.empty()) where += "; ";
        const auto& dim = coords.Dimension(i);
        where += (dim.Caption.empty() ? dim.Name() : dim.Caption) + ": " + Cube::Internal::KeyText(coords.Member(i));
    }
    SetStatusText(0, where);
    SetStatusText(
        1, std::to_string(cell->Grid().RowCountAt(cell->RowIndex(), cell->ColIndex() / cell->Grid().FactCount())));
}

// ---------------------------------------------------------------------------------------
// The host's entry points

CCube& OpenCubeForm(std::shared_ptr<ICubeForm2> report, std::string key)
{
    if (!report) throw ValueError("OpenCubeForm: no report");
    auto& session = Ui::Session::Current();
    auto window = std::make_shared<CubeWindow>();
    window->Attach(session);
    window->report_ = report;
    CCube& cube = window->CubeControl();
    cube.SetReport(report.get());
    const std::string name = ReportName(*report);
    if (key.empty()) key = name + "#" + std::to_string(reinterpret_cast<std::uintptr_t>(report.get()));

    Guarded(name + ".OnOpenCube", [&] { report->OnOpenCube(cube); });
    Guarded(name + ".Refresh", [&] { cube.Refresh(); });
    std::vector<std::string> items;
    Guarded(name + ".OnLoad", [&] { report->OnLoad(cube, items); });
    cube.SetUserMenuItems(std::move(items));
    Guarded(name + ".Refresh", [&] { cube.Refresh(); });

    // A key already open brings that window back; the new one goes with its report.
    auto& shown = Ui::MainWindow(session).ShowForm(window, key);
    return dynamic_cast<CubeWindow&>(shown).CubeControl();
}

CCube& AttachDataList(CCube& cube, Book& book, DataList& list, int options, int chunk)
{
    (void)book;
    (void)options;
    (void)chunk;
    auto rows = list.IsFilled() ? list.Recordset() : (list.Refresh(), list.Recordset());
    Cube::CubeSource source = Cube::CubeSource::FromRecordset(*rows);
    auto& engine = cube.cube();
    const bool wasActive = engine.Active();
    Cube::CubeSource previous = engine.Source();
    engine.SetActive(false);
    engine.SetSource(std::move(source));
    try {
        engine.SetActive(true);
    } catch (...) {
        // The rows do not fit the cube's definition: the cube keeps what it showed.
        engine.SetSource(std::move(previous));
        if (wasActive) engine.SetActive(true);
        throw;
    }
    cube.focus_.reset(); // new rows: the grid starts on its first cell again
    cube.Refresh();
    return cube;
}

} // namespace Talvex
