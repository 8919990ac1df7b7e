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
#include <exception>
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

// A cube colour (0x00BBGGRR, as the host's RGB()) as the window model's "#rrggbb".
std::string HtmlColor(std::uint32_t bgr)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "#";
    for (const unsigned shift : {0u, 8u, 16u}) {
        const unsigned byte = (bgr >> shift) & 0xFFu;
        out += kHex[byte >> 4];
        out += kHex[byte & 0xFu];
    }
    return out;
}

bool IsBlankValue(const Value& v)
{
    return v.IsEmpty() || v.IsNull() || (v.IsText() && v.ToText().empty());
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

// Kind and expand state of a header with codes on an axis of the given full depth.
std::pair<Ui::HeaderKind, Ui::ExpandState> HeaderLook(const Cube::AxisHeader& header, std::size_t depth)
{
    if (header.IsGrandTotal()) return {Ui::HeaderKind::GrandTotal, Ui::ExpandState::None};
    if (header.Expanded) return {Ui::HeaderKind::Subtotal, Ui::ExpandState::Expanded};
    return {Ui::HeaderKind::Member, header.Codes.size() < depth ? Ui::ExpandState::Collapsed : Ui::ExpandState::None};
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
    AddControls();
    OnGridEvents();
    OnLayoutButtons();
    OnMemberButtons();
    OnFilterButtons();
    OnFactButtons();
}

CubeWindow::~CubeWindow() = default;

void CubeWindow::AddControls()
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
    Add(Ui::ControlKind::ComboBox, "cbLevel");
    Add(Ui::ControlKind::Button, "btExpandLevel", "+");
    Add(Ui::ControlKind::Button, "btCollapseLevel", "-");
    Add(Ui::ControlKind::TextBox, "edHeaderColumn");
    Add(Ui::ControlKind::NumberBox, "edHeaderLevel").SetDecimals(0);
    Add(Ui::ControlKind::Button, "btExpandMember", "+");
    Add(Ui::ControlKind::Button, "btCollapseMember", "-");
    Add(Ui::ControlKind::ComboBox, "cbFilterDimension");
    Add(Ui::ControlKind::ComboBox, "cbFilterMember");
    Add(Ui::ControlKind::Button, "btFilterOnly", "Only");
    Add(Ui::ControlKind::Button, "btFilterAdd", "Add");
    Add(Ui::ControlKind::Button, "btFilterRemove", "Remove");
    Add(Ui::ControlKind::Button, "btFilterAll", "All");
    Add(Ui::ControlKind::Label, "lbFilterMembers");
    Add(Ui::ControlKind::ComboBox, "cbFact");
    Add(Ui::ControlKind::Button, "btShowFact", "Show");
    Add(Ui::ControlKind::Button, "btHideFact", "Hide");
    Add(Ui::ControlKind::Label, "lbStatus1");
    Add(Ui::ControlKind::Label, "lbStatus2");
}

// A click focuses a cell; a double-click drills into a fact cell or opens a row header's member.
void CubeWindow::OnGridEvents()
{
    On(kGrid, "RowColChange", [this](Ui::EventArgs& args) {
        const auto col = FactColumnIndex(args.column);
        const auto focused = cube_->FocusedCell();
        const std::size_t colIndex = col ? *col : focused ? focused->ColIndex() : 0;
        cube_->UserFocusCell(colIndex, static_cast<std::size_t>(args.row));
        // A header cell stays the grid's current cell: the member buttons read it.
        if (!col && GridCtl(kGrid).FindColumn(args.column)) GridCtl(kGrid).SetCurrentCell(args.row, args.column);
    });
    On(kGrid, "DblClick", [this](Ui::EventArgs& args) {
        const auto col = FactColumnIndex(args.column);
        if (!col) {
            // A row header cell: its member opens or closes.
            cube_->UserToggleRowHeader(static_cast<std::size_t>(args.row), args.column);
            return;
        }
        cube_->UserDblClickCell(*col, static_cast<std::size_t>(args.row));
    });
}

// Moving a dimension, one drill-down level more or less on an axis or under a dimension.
void CubeWindow::OnLayoutButtons()
{
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
    On("btExpandLevel", "Click", [this](Ui::EventArgs&) { cube_->UserExpandLevel(ChosenLevelDimension()); });
    On("btCollapseLevel", "Click", [this](Ui::EventArgs&) { cube_->UserCollapseLevel(ChosenLevelDimension()); });
}

std::string CubeWindow::ChosenLevelDimension() const
{
    const std::string dim = Ctl("cbLevel").GetValue().ToText();
    if (dim.empty()) throw ValueError("cbLevel: choose the dimension whose level opens or closes");
    return dim;
}

void CubeWindow::OnMemberButtons()
{
    On("btExpandMember", "Click", [this](Ui::EventArgs&) {
        Cube::Axis axis = Cube::Axis::Rows;
        const auto members = ChosenHeaderMembers(axis);
        cube_->UserExpandMember(axis, members);
    });
    On("btCollapseMember", "Click", [this](Ui::EventArgs&) {
        Cube::Axis axis = Cube::Axis::Rows;
        const auto members = ChosenHeaderMembers(axis);
        cube_->UserCollapseMember(axis, members);
    });
}

std::vector<Value> CubeWindow::ChosenHeaderMembers(Cube::Axis& axis) const
{
    if (!cube_->cube().Active()) throw ValueError("edHeaderColumn: the cube holds no data");
    const std::string column = Ctl("edHeaderColumn").GetValue().ToText();
    if (const auto col = FactColumnIndex(column)) {
        axis = Cube::Axis::Columns;
        return ColumnHeaderMembers(column, *col);
    }
    axis = Cube::Axis::Rows;
    return RowHeaderMembers(column.empty() ? GridCtl(kGrid).CurrentColumnName() : column);
}

// The member of grid column "F<k>"'s header at the column dimension edHeaderLevel names, or
// at the header's innermost one.
std::vector<Value> CubeWindow::ColumnHeaderMembers(const std::string& column, std::size_t colIndex) const
{
    const auto& engine = cube_->cube();
    const auto& grid = engine.Grid();
    if (colIndex >= grid.ColCount()) throw ValueError("edHeaderColumn: the grid has no column \"" + column + "\"");
    const std::size_t header = colIndex / grid.FactCount();
    const std::size_t headerDepth = grid.ColHeader(header).Codes.size();
    const Value& level = Ctl("edHeaderLevel").GetValue();
    std::size_t depth = headerDepth;
    if (!IsBlankValue(level)) {
        const auto at = level.ToInteger();
        if (at < 0) throw ValueError("edHeaderLevel: a column dimension counts from 0");
        depth = static_cast<std::size_t>(at) + 1;
    }
    if (depth == 0) throw ValueError("edHeaderLevel: column \"" + column + "\" is the grand total");
    if (depth > headerDepth)
        throw ValueError("edHeaderLevel: column \"" + column + "\" has no member at level " +
                         std::to_string(depth - 1));
    if (depth >= engine.Dims().OnAxis(Cube::Axis::Columns).size())
        throw ValueError("edHeaderLevel: members of the innermost column dimension have nothing under them");
    return cube_->HeaderMembers(Cube::Axis::Columns, header, depth);
}

// The member of the grid's current row under the row dimension's column.
std::vector<Value> CubeWindow::RowHeaderMembers(const std::string& dim) const
{
    const auto& engine = cube_->cube();
    const auto& grid = engine.Grid();
    std::size_t position = 0;
    while (position < grid.RowDims().size() && grid.RowDims()[position]->Name() != dim)
        ++position;
    if (position == grid.RowDims().size())
        throw ValueError("edHeaderColumn: \"" + dim + "\" is neither a fact column nor a row dimension's column");
    const long row = GridCtl(kGrid).CurrentRow();
    if (row < 0) throw ValueError("edHeaderColumn: choose the row whose member opens or closes");
    if (position >= grid.RowHeader(static_cast<std::size_t>(row)).Codes.size())
        throw ValueError("edHeaderColumn: row " + std::to_string(row) + " holds a total under \"" + dim + "\"");
    if (position + 1 >= engine.Dims().OnAxis(Cube::Axis::Rows).size())
        throw ValueError("edHeaderColumn: members of \"" + dim +
                         "\", the innermost row dimension, have nothing under them");
    return cube_->HeaderMembers(Cube::Axis::Rows, static_cast<std::size_t>(row), position + 1);
}

// Which members of a dimension count: only the chosen one, one more, all but it, or all again.
void CubeWindow::OnFilterButtons()
{
    On("cbFilterDimension", "Change", [this](Ui::EventArgs&) { cube_->RenderMemberChoices(); });
    auto sameKey = [](const Value& a, const Value& b) { return Cube::Internal::CompareKeys(a, b) == 0; };
    On("btFilterOnly", "Click", [this](Ui::EventArgs&) {
        const auto choice = ChosenFilter(true);
        cube_->UserFilterMembers(choice.first, {*choice.second});
    });
    On("btFilterAdd", "Click", [this, sameKey](Ui::EventArgs&) {
        const auto choice = ChosenFilter(true);
        const Value& member = *choice.second;
        auto selection = cube_->cube().Dims().Item(choice.first).Selection();
        if (selection.empty()) return; // all members count already
        if (std::none_of(selection.begin(), selection.end(), [&](const Value& v) { return sameKey(v, member); }))
            selection.push_back(member);
        cube_->UserFilterMembers(choice.first, selection);
    });
    On("btFilterRemove", "Click", [this, sameKey](Ui::EventArgs&) {
        const auto choice = ChosenFilter(true);
        const std::string& dim = choice.first;
        const Value& member = *choice.second;
        const auto& dimension = cube_->cube().Dims().Item(dim);
        std::vector<Value> selection = dimension.Selection();
        if (selection.empty())
            for (std::uint32_t code = 0; code < dimension.MemberCount(); ++code)
                selection.push_back(dimension.Member(code));
        std::erase_if(selection, [&](const Value& v) { return sameKey(v, member); });
        if (selection.empty()) throw ValueError("cbFilterMember: at least one member of \"" + dim + "\" must count");
        cube_->UserFilterMembers(dim, selection);
    });
    On("btFilterAll", "Click", [this](Ui::EventArgs&) { cube_->UserFilterMembers(ChosenFilter(false).first, {}); });
}

std::pair<std::string, std::optional<Value>> CubeWindow::ChosenFilter(bool needMember) const
{
    const std::string dim = Ctl("cbFilterDimension").GetValue().ToText();
    if (dim.empty()) throw ValueError("cbFilterDimension: choose the dimension to filter");
    const std::string key = Ctl("cbFilterMember").GetValue().ToText();
    if (needMember && key.empty()) throw ValueError("cbFilterMember: choose a member of \"" + dim + "\"");
    std::optional<Value> member;
    if (!key.empty()) {
        const auto& dimension = cube_->cube().Dims().Item(dim);
        for (std::uint32_t code = 0; code < dimension.MemberCount() && !member; ++code)
            if (Cube::Internal::KeyText(dimension.Member(code)) == key) member = dimension.Member(code);
        if (!member) throw ValueError("cbFilterMember: \"" + key + "\" is no member of \"" + dim + "\"");
    }
    return {dim, member};
}

void CubeWindow::OnFactButtons()
{
    auto factChoice = [this] {
        const std::string fact = Ctl("cbFact").GetValue().ToText();
        if (fact.empty()) throw ValueError("cbFact: choose the fact to show or hide");
        return fact;
    };
    On("btShowFact", "Click", [this, factChoice](Ui::EventArgs&) { cube_->UserShowFact(factChoice(), true); });
    On("btHideFact", "Click", [this, factChoice](Ui::EventArgs&) { cube_->UserShowFact(factChoice(), false); });
}

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

std::vector<Value> CCube::HeaderMembers(Cube::Axis axis, std::size_t header, std::size_t depth) const
{
    if (axis == Cube::Axis::Filter) throw ValueError("HeaderMembers: the filter area has no headers");
    const auto& grid = engine_.Grid();
    const bool rows = axis == Cube::Axis::Rows;
    if (header >= (rows ? grid.RowCount() : grid.ColHeaderCount()))
        throw ValueError(std::string("HeaderMembers: there is no ") + (rows ? "row " : "column header ") +
                         std::to_string(header));
    const auto& codes = rows ? grid.RowHeader(header).Codes : grid.ColHeader(header).Codes;
    const auto& dims = rows ? grid.RowDims() : grid.ColDims();
    if (depth == 0 || depth > codes.size())
        throw ValueError(std::string(rows ? "row " : "column header ") + std::to_string(header) + " has " +
                         std::to_string(codes.size()) + " members, not " + std::to_string(depth));
    std::vector<Value> members;
    for (std::size_t i = 0; i < depth; ++i)
        members.push_back(dims[i]->Member(codes[i]));
    return members;
}

void CCube::UserExpandMember(Cube::Axis axis, const std::vector<Value>& members)
{
    engine_.SetMemberExpanded(axis, members, true);
    Refresh();
}

void CCube::UserCollapseMember(Cube::Axis axis, const std::vector<Value>& members)
{
    engine_.SetMemberExpanded(axis, members, false);
    Refresh();
}

void CCube::UserToggleRowHeader(std::size_t row, const std::string& dimName)
{
    if (!engine_.Active()) return;
    const auto& grid = engine_.Grid();
    if (row >= grid.RowCount()) throw ValueError("CubeGrid: no row " + std::to_string(row));
    const auto& onAxis = engine_.Dims().OnAxis(Cube::Axis::Rows);
    std::size_t position = 0;
    while (position < onAxis.size() && onAxis[position]->Name() != dimName)
        ++position;
    // Not a row dimension, the innermost one, or a total's cell: nothing opens there.
    if (position + 1 >= onAxis.size() || position >= grid.RowHeader(row).Codes.size()) return;
    const auto members = HeaderMembers(Cube::Axis::Rows, row, position + 1);
    engine_.SetMemberExpanded(Cube::Axis::Rows, members, !engine_.IsMemberExpanded(Cube::Axis::Rows, members));
    Refresh();
}

const Cube::Dimension& CCube::AxisDimension(const std::string& dimName, const char* control, std::size_t& position)
{
    if (!engine_.Dims().Exists(dimName))
        throw ValueError(std::string(control) + ": there is no dimension \"" + dimName + "\"");
    const auto& dim = engine_.Dims().Item(dimName);
    if (dim.GetAxis() == Cube::Axis::Filter)
        throw ValueError(std::string(control) + ": \"" + dimName +
                         "\" stands in the filter area, not on the rows or columns");
    const auto& onAxis = engine_.Dims().OnAxis(dim.GetAxis());
    position = static_cast<std::size_t>(std::find(onAxis.begin(), onAxis.end(), &dim) - onAxis.begin());
    return dim;
}

const Cube::Dimension& CCube::LevelDimension(const std::string& dimName, std::size_t& position, std::size_t& depth)
{
    const auto& dim = AxisDimension(dimName, "cbLevel", position);
    depth = engine_.Dims().OnAxis(dim.GetAxis()).size();
    if (position + 1 >= depth)
        throw ValueError("cbLevel: \"" + dimName +
                         "\" is the innermost dimension of its axis; nothing stands under it");
    return dim;
}

void CCube::UserExpandLevel(const std::string& dimName)
{
    std::size_t position = 0;
    std::size_t depth = 0;
    const auto axis = LevelDimension(dimName, position, depth).GetAxis();
    const int level = engine_.DrillDownLevel(axis);
    const int wanted = static_cast<int>(position) + 1;
    const int next = level < 0 || level >= wanted ? level : wanted;
    engine_.SetDrillDownLevel(axis, next >= static_cast<int>(depth) - 1 ? -1 : next);
    Refresh();
}

void CCube::UserCollapseLevel(const std::string& dimName)
{
    std::size_t position = 0;
    std::size_t depth = 0;
    const auto axis = LevelDimension(dimName, position, depth).GetAxis();
    const int level = engine_.DrillDownLevel(axis);
    const int wanted = static_cast<int>(position);
    engine_.SetDrillDownLevel(axis, level >= 0 && level < wanted ? level : wanted);
    Refresh();
}

void CCube::UserFilterMembers(const std::string& dimName, const std::vector<Value>& members)
{
    if (!engine_.Dims().Exists(dimName))
        throw ValueError("cbFilterDimension: there is no dimension \"" + dimName + "\"");
    auto& dim = engine_.Dims().Item(dimName);
    if (engine_.Active()) {
        for (const auto& key : members)
            if (dim.CodeOf(key) >= dim.MemberCount())
                throw ValueError("cbFilterMember: \"" + Cube::Internal::KeyText(key) + "\" is no member of \"" +
                                 dimName + "\"");
    }
    if (members.empty())
        dim.ClearSelection();
    else
        dim.SetSelection(members);
    Refresh();
}

std::string CCube::FilterMemberCode(const Value& key)
{
    return Cube::Internal::KeyText(key);
}

void CCube::UserShowFact(const std::string& factName, bool visible)
{
    auto& facts = engine_.Facts();
    if (!facts.Exists(factName)) throw ValueError("cbFact: there is no fact \"" + factName + "\"");
    auto& fact = facts.Item(factName);
    if (visible && !fact.FactEnabled) throw ValueError("cbFact: the fact \"" + factName + "\" is not available here");
    if (!visible && fact.FactVisible) {
        std::size_t shown = 0;
        for (std::size_t i = 0; i < facts.Count(); ++i)
            if (facts.Item(i).FactVisible && facts.Item(i).FactEnabled) ++shown;
        if (shown <= 1) throw ValueError("cbFact: \"" + factName + "\" is the last fact shown; one stays");
    }
    fact.FactVisible = visible;
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

// The choice lists: dimensions, the levels that can open, facts, and members to filter.
void CCube::RenderChoices()
{
    std::vector<Ui::ComboItem> dimItems;
    std::vector<Ui::ComboItem> levelItems;
    for (std::size_t i = 0; i < engine_.Dims().Count(); ++i) {
        const auto& dim = engine_.Dims().Item(i);
        Ui::ComboItem item{dim.Name(), dim.Caption.empty() ? dim.Name() : dim.Caption};
        const auto& onAxis = engine_.Dims().OnAxis(dim.GetAxis());
        if (dim.GetAxis() != Cube::Axis::Filter && &dim != onAxis.back()) levelItems.push_back(item);
        dimItems.push_back(std::move(item));
    }
    frame_->Ctl("cbDimension").SetItems(dimItems);
    frame_->Ctl("cbFilterDimension").SetItems(std::move(dimItems));
    frame_->Ctl("cbLevel").SetItems(std::move(levelItems));
    std::vector<Ui::ComboItem> factItems;
    for (std::size_t i = 0; i < engine_.Facts().Count(); ++i) {
        const auto& fact = engine_.Facts().Item(i);
        if (fact.FactEnabled) factItems.push_back({fact.Name(), fact.Caption.empty() ? fact.Name() : fact.Caption});
    }
    frame_->Ctl("cbFact").SetItems(std::move(factItems));
    RenderMemberChoices();
}

// The members of the filter's dimension, by key text, shown as the grid shows them.
void CCube::RenderMemberChoices()
{
    auto& memberCombo = frame_->Ctl("cbFilterMember");
    const std::string dimName = frame_->Ctl("cbFilterDimension").GetValue().ToText();
    std::vector<Ui::ComboItem> items;
    std::string counting;
    if (engine_.Active() && engine_.Dims().Exists(dimName)) {
        const auto& dim = engine_.Dims().Item(dimName);
        for (std::uint32_t code = 0; code < dim.MemberCount(); ++code)
            items.push_back({Cube::Internal::KeyText(dim.Member(code)), dim.MemberText(code)});
        // Which members count now, as the grid names them.
        for (const auto& key : dim.Selection()) {
            const auto code = dim.CodeOf(key);
            if (code >= dim.MemberCount()) continue;
            counting += (counting.empty() ? "" : ", ") + dim.MemberText(code);
        }
        if (counting.empty()) counting = "all";
    }
    frame_->Ctl("lbFilterMembers").SetCaption(counting);
    const std::string chosen = memberCombo.GetValue().ToText();
    const bool keep = std::any_of(items.begin(), items.end(), [&](const auto& item) { return item.code == chosen; });
    memberCombo.SetItems(std::move(items));
    if (!keep && !chosen.empty()) memberCombo.SetValue(Value(std::string()));
}

void CCube::Render()
{
    auto& gridCtl = frame_->GridCtl(kGrid);
    gridCtl.ClearColumns();
    gridCtl.DefineStyle("total", Ui::RowStyle{true, "", "#e8e8e8"});
    RenderChoices();
    if (!engine_.Active()) return;

    const auto& grid = engine_.Grid();
    RenderColumns(grid);
    std::exception_ptr styleError;
    for (std::size_t row = 0; row < grid.RowCount(); ++row) {
        const std::size_t added = RenderRow(grid, row);
        // A condition that cannot be evaluated: the grid still shows, then it is reported.
        if (!styleError) styleError = RenderCellStyles(grid, row, added);
    }
    if (const auto cell = FocusedCell()) {
        focus_ = std::make_pair(cell->ColIndex(), cell->RowIndex());
        gridCtl.SetCurrentCell(static_cast<long>(cell->RowIndex()), FactColumnName(cell->ColIndex()));
    }
    ShowStatusOfFocus();
    if (styleError) std::rethrow_exception(styleError);
}

// A column per row dimension, then a column per fact cell column with its header path.
void CCube::RenderColumns(const Cube::CubeGrid& grid)
{
    auto& gridCtl = frame_->GridCtl(kGrid);
    for (const auto* dim : grid.RowDims()) {
        Ui::GridColumn column;
        column.name = dim->Name();
        column.caption = dim->Caption.empty() ? dim->Name() : dim->Caption;
        column.role = Ui::ColumnRole::RowHeader;
        gridCtl.AddColumn(std::move(column));
    }
    const std::size_t colDepth = engine_.Dims().OnAxis(Cube::Axis::Columns).size();
    for (std::size_t col = 0; col < grid.ColCount(); ++col) {
        const auto& header = grid.ColHeader(col / grid.FactCount());
        const auto [kind, expand] = HeaderLook(header, colDepth);
        std::vector<std::string> path;
        for (std::size_t i = 0; i < header.Codes.size(); ++i)
            path.push_back(grid.ColDims()[i]->MemberText(header.Codes[i]));
        if (kind != Ui::HeaderKind::Member && !grid.ColDims().empty()) path.emplace_back(kTotalText);
        std::string caption;
        for (const auto& part : path)
            if (!part.empty()) caption += part + " / ";
        const auto& fact = grid.ColumnFact(col);
        caption += fact.Caption.empty() ? fact.Name() : fact.Caption;
        Ui::GridColumn column;
        column.name = FactColumnName(col);
        column.caption = std::move(caption);
        column.format = "#,##0.00";
        column.role = Ui::ColumnRole::Fact;
        column.factName = fact.Name();
        column.headerPath = std::move(path);
        column.headerKind = kind;
        column.expand = expand;
        gridCtl.AddColumn(std::move(column));
    }
}

// One grid row: its row header's members ("Total" where a subtotal ends), then its cells.
std::size_t CCube::RenderRow(const Cube::CubeGrid& grid, std::size_t row)
{
    auto& gridCtl = frame_->GridCtl(kGrid);
    const std::size_t rowDims = grid.RowDims().size();
    const auto& header = grid.RowHeader(row);
    const auto [kind, expand] = HeaderLook(header, engine_.Dims().OnAxis(Cube::Axis::Rows).size());
    std::vector<Value> cells;
    for (std::size_t i = 0; i < rowDims; ++i) {
        if (i < header.Codes.size())
            cells.emplace_back(grid.RowDims()[i]->MemberText(header.Codes[i]));
        else
            cells.emplace_back(i == header.Codes.size() && kind != Ui::HeaderKind::Member ? std::string(kTotalText)
                                                                                          : std::string());
    }
    for (std::size_t col = 0; col < grid.ColCount(); ++col) {
        const auto cell = grid.Cell(row, col);
        if (cell.IsBlank())
            cells.emplace_back();
        else
            cells.emplace_back(cell.Value());
    }
    const std::size_t added = gridCtl.AddRow(std::move(cells));
    gridCtl.SetRowInfo(added, Ui::GridRowInfo{kind, static_cast<int>(header.Codes.size()), expand});
    if (kind != Ui::HeaderKind::Member && rowDims > 0) gridCtl.SetRowStyle(added, "total");
    return added;
}

// The colours the engine's conditions pick for each fact cell of the row; the error of the
// first condition that cannot be evaluated, the row's remaining cells left plain.
std::exception_ptr CCube::RenderCellStyles(const Cube::CubeGrid& grid, std::size_t row, std::size_t gridRow)
{
    auto& gridCtl = frame_->GridCtl(kGrid);
    for (std::size_t col = 0; col < grid.ColCount(); ++col) {
        const Cube::Style* style = nullptr;
        try {
            style = engine_.CellStyle(grid.Cell(row, col));
        } catch (const std::exception&) {
            return std::current_exception();
        }
        if (style == nullptr || (!style->BackColor && !style->TextColor)) continue;
        Ui::CellStyle look;
        if (style->BackColor) look.backColor = HtmlColor(*style->BackColor);
        if (style->TextColor) look.foreColor = HtmlColor(*style->TextColor);
        gridCtl.SetCellStyle(gridRow, FactColumnName(col), std::move(look));
    }
    return nullptr;
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
