#pragma once

#include "host/cube/Engine.hpp"
#include "host/cube/ICubeForm2.hpp"
#include "host/ui/Form.hpp"

#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Talvex {

class Book;
class DataList;
class CCube;

// The drill-down level of one axis of the cube window: how many of its dimensions are
// expanded (0: only the outermost one's members; -1: all).
class CubeAxis {
public:
    CubeAxis(CCube& owner, Cube::Axis axis) : owner_(&owner), axis_(axis) {}
    int DrillDownLevel() const;
    void SetDrillDownLevel(int level);

private:
    CCube* owner_;
    Cube::Axis axis_;
};

// The frame of a cube window: the window of the session's window model that front ends
// see and drive. Its controls:
//   lbCubeCaption            the cube's caption over the grid
//   CubeGrid                 the visible grid: one column per row dimension (named by the
//                            dimension), then one column per fact cell column, named "F<k>"
//                            with k the cell's ColIndex; a click on a cell focuses it, a
//                            double-click on a fact cell raises OnFactCellDblClick, a
//                            double-click on a row header cell expands or collapses that
//                            member (nothing on a total or on the innermost dimension).
//                            The grid tells front ends how to draw it: each column's role
//                            (RowHeader or Fact), a fact column's fact name, header path
//                            (its column members, outer first, "Total" ending a subtotal
//                            or the grand total), header kind and expand state; each row's
//                            kind (Member, Subtotal, GrandTotal), level and expand state;
//                            and a cell style (back colour, text colour) on every fact cell
//                            a condition picks, refreshed after every re-layout.
//   UserMenu1..UserMenuN     buttons of the report's user menu items (separators have none)
//   cbDimension, cbAxis, edPosition, btMoveDimension
//                            moving a dimension: its name, "Rows", "Columns" or "Filter", the
//                            place on that axis from 0; BeforeMoveDimension may refuse. A
//                            drag and drop of a dimension posts the same three values and
//                            the click.
//   btExpandRows, btCollapseRows, btExpandColumns, btCollapseColumns
//                            one drill-down level more or less on an axis
//   cbLevel, btExpandLevel, btCollapseLevel
//                            a dimension on the rows or columns (a period level, say) and
//                            showing or hiding the members of the next one under all of
//                            its members
//   edHeaderColumn, edHeaderLevel, btExpandMember, btCollapseMember
//                            one member: edHeaderColumn "F<k>" names the column header of
//                            that grid column and edHeaderLevel the column dimension from 0
//                            (empty: the header's innermost member); edHeaderColumn empty
//                            or a row dimension's column names the row header of the
//                            grid's current row at that column (empty: the current column)
//   cbFilterDimension, cbFilterMember, btFilterOnly, btFilterAdd, btFilterRemove, btFilterAll
//                            which members of a dimension count, wherever it stands: only
//                            the chosen one, one more, all but it, or all again;
//                            lbFilterMembers shows the members of that dimension that
//                            count ("all" when none is chosen)
//   cbFact, btShowFact, btHideFact
//                            showing or hiding a fact (FactVisible); a disabled fact stays
//                            hidden and the last shown fact stays
//   lbStatus1, lbStatus2     the two texts of the status panel
// The frame keeps the cube control and the report alive until the user closes it.
class CubeWindow : public Ui::Form {
public:
    static constexpr const char* kFormName = "CCube";
    CubeWindow();
    ~CubeWindow() override;

    CCube& CubeControl() { return *cube_; }
    const CCube& CubeControl() const { return *cube_; }

private:
    friend CCube& OpenCubeForm(std::shared_ptr<ICubeForm2> report, std::string key);
    void AddControls();
    void OnGridEvents();
    void OnLayoutButtons();
    void OnMemberButtons();
    void OnFilterButtons();
    void OnFactButtons();
    std::string ChosenLevelDimension() const;
    // The member edHeaderColumn and edHeaderLevel name (or the current row header's), as its
    // keys outer first; sets the axis it stands on.
    std::vector<Value> ChosenHeaderMembers(Cube::Axis& axis) const;
    std::vector<Value> ColumnHeaderMembers(const std::string& column, std::size_t colIndex) const;
    std::vector<Value> RowHeaderMembers(const std::string& dim) const;
    // The filter's dimension and its chosen member; the member is required when needMember.
    std::pair<std::string, std::optional<Value>> ChosenFilter(bool needMember) const;

    std::unique_ptr<CCube> cube_;
    std::shared_ptr<ICubeForm2> report_;
};

// The cube control of a cube window: the engine, the grid's focused cell, captions,
// styles and conditions, and the status panel. The reports reach it through the
// ICubeForm2 callbacks; front ends through the controls of its frame (CubeWindow).
class CCube {
public:
    explicit CCube(CubeWindow& frame);
    CCube(const CCube&) = delete;
    CCube& operator=(const CCube&) = delete;

    // The engine.
    Cube::Engine& cube() { return engine_; }
    const Cube::Engine& cube() const { return engine_; }
    // The window frame; its Caption is the window's title.
    CubeWindow& Parent() { return *frame_; }
    Cube::Facts& Facts() { return engine_.Facts(); }
    CubeAxis& VAxis() { return vAxis_; }
    CubeAxis& HAxis() { return hAxis_; }
    // The cube's caption, shown over the grid.
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    const std::string& CubeCaption() const { return caption_; }

    // Grid operations. The focused cell is nothing while the grid is empty (or the engine
    // inactive); otherwise it is the cell last focused, the first cell when none was.
    std::optional<Cube::GridCell> FocusedCell() const;
    // Throws ValueError naming an index outside the grid.
    void SetFocusedCell(std::size_t colIndex, std::size_t rowIndex);
    Cube::Styles& Styles() { return engine_.Styles(); }
    Cube::Conditions& Conditions() { return engine_.Conditions(); }
    // The status panel's two texts, index 0 and 1.
    const std::string& StatusText(int index) const;
    void SetStatusText(int index, std::string text);

    // What the user does in the window; each tells the report as the host does and shows
    // the new layout. Rows and columns are grid indexes from 0.
    void UserFocusCell(std::size_t colIndex, std::size_t rowIndex);
    void UserDblClickCell(std::size_t colIndex, std::size_t rowIndex);
    void UserChooseMenu(int index); // from 1, as OnUserMenu receives it
    // False when the report cancelled the move.
    bool UserMoveDimension(const std::string& dimName, Cube::Axis axis, int position);
    void UserExpand(Cube::Axis axis);
    void UserCollapse(Cube::Axis axis);
    // One member, by its keys on the axis's dimensions, outer first.
    void UserExpandMember(Cube::Axis axis, const std::vector<Value>& members);
    void UserCollapseMember(Cube::Axis axis, const std::vector<Value>& members);
    // The members of a grid row's header (or a column header) down to the dimension at
    // position depth - 1 of the axis. Throws ValueError when the header has fewer members.
    std::vector<Value> HeaderMembers(Cube::Axis axis, std::size_t header, std::size_t depth) const;
    // A double-click on the row header cell of a grid row under a row dimension's column.
    void UserToggleRowHeader(std::size_t row, const std::string& dimName);
    // All members of a dimension on the rows or columns show (or hide) the next dimension.
    void UserExpandLevel(const std::string& dimName);
    void UserCollapseLevel(const std::string& dimName);
    // The members of a dimension that count; empty: all. Throws ValueError naming a key
    // that is no member.
    void UserFilterMembers(const std::string& dimName, const std::vector<Value>& members);
    // A member key as cbFilterMember's items name it.
    static std::string FilterMemberCode(const Value& key);
    // FactVisible of a fact; throws ValueError for a disabled fact or the last shown one.
    void UserShowFact(const std::string& factName, bool visible);

    // The report this window calls back (null before OpenCubeForm gives it one).
    ICubeForm2* Report() const { return report_; }
    void SetReport(ICubeForm2* report);
    const std::vector<std::string>& UserMenuItems() const { return menuItems_; }
    void SetUserMenuItems(std::vector<std::string> items);

    // Activates the engine when it has a source but is not active yet, gives a cube whose
    // rows and columns are both empty the host's first layout (the first two plain
    // dimensions down the rows, the period levels across the columns in level order), and
    // shows the grid in the frame. Called by the host after every callback.
    void Refresh();

private:
    friend CCube& AttachDataList(CCube& cube, Book& book, DataList& list, int options, int chunk);
    friend class CubeWindow;
    void DefaultLayout();
    void Render();
    void RenderColumns(const Cube::CubeGrid& grid);
    std::size_t RenderRow(const Cube::CubeGrid& grid, std::size_t row);
    std::exception_ptr RenderCellStyles(const Cube::CubeGrid& grid, std::size_t row, std::size_t gridRow);
    void RenderChoices();
    void RenderMemberChoices();
    const Cube::Dimension& AxisDimension(const std::string& dimName, const char* control, std::size_t& position);
    // A dimension of cbLevel with another under it on its axis; depth: how many stand there.
    const Cube::Dimension& LevelDimension(const std::string& dimName, std::size_t& position, std::size_t& depth);
    void ShowStatusOfFocus();

    CubeWindow* frame_;
    Cube::Engine engine_;
    CubeAxis vAxis_{*this, Cube::Axis::Rows};
    CubeAxis hAxis_{*this, Cube::Axis::Columns};
    std::string caption_;
    std::optional<std::pair<std::size_t, std::size_t>> focus_; // column, row
    std::string status_[2];
    ICubeForm2* report_ = nullptr;
    std::vector<std::string> menuItems_;
};

// Runs a cube report the way the host does: creates a cube window, calls OnOpenCube,
// activates the cube, calls OnLoad, and shows the window as a modeless window of the current
// session under the key (the report's class name by default: one window per key). Errors of
// a callback are reported through the session and the window still opens. The window keeps
// the report alive until it is closed. Returns the window's cube control.
CCube& OpenCubeForm(std::shared_ptr<ICubeForm2> report, std::string key = "");

// The loader: reads the list's rows (refreshing the list when it was not read yet) into the
// cube's engine as its source and activates it. The two trailing numbers are the host's
// load options and are kept for their callers' sake. Returns the cube to use from then on.
CCube& AttachDataList(CCube& cube, Book& book, DataList& list, int options = 0, int chunk = 150);

} // namespace Talvex
