#pragma once

#include "host/types/Value.hpp"
#include "host/ui/CellRule.hpp"
#include "host/ui/Control.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Ui {

// Auto aligns number formats (money) right and everything else left.
enum class Alignment { Auto, Left, Right, Center };

// What a column holds, for front ends that draw header columns apart from figures: plain
// data, the members of a row dimension (a row header), or one fact's figures.
enum class ColumnRole { Data, RowHeader, Fact };

// Where a row or a column stands in a cube-like layout: a plain row, a member, the
// subtotal of a member or the grand total.
enum class HeaderKind { None, Member, Subtotal, GrandTotal };

// Whether a member's header can show more (collapsed) or less (expanded); None for a
// member of the innermost dimension, a subtotal or a plain row.
enum class ExpandState { None, Expanded, Collapsed };

struct GridColumn {
    std::string name;
    std::string caption;
    std::string format; // DisplayFormat: "#,##0.00", "yyyy-mm-dd"
    int width = 0;      // 0: the front end decides
    bool visible = true;
    Alignment alignment = Alignment::Auto;
    // Header metadata; left as Data/empty by plain lists.
    ColumnRole role = ColumnRole::Data;
    std::string factName;                // a fact column: the fact's name
    std::vector<std::string> headerPath; // a fact column: its column members, outer first
    HeaderKind headerKind = HeaderKind::None;
    ExpandState expand = ExpandState::None; // of the innermost member of headerPath
    // Editing: the user may type into the column's cells; the rule says what it accepts.
    bool editable = false;
    CellRule rule;
    // The reference whose card a cell opens ("REFClient"); empty: no card. The code is the
    // cell's own value, or that of cardCodeColumn in the same row (a "code: name" column
    // beside a hidden code).
    std::string cardReference;
    std::string cardCodeColumn;

    Alignment EffectiveAlignment() const;
};

// Where a row stands: its kind, how many members its header holds (0 for the grand total)
// and whether its innermost member can expand or collapse.
struct GridRowInfo {
    HeaderKind kind = HeaderKind::None;
    int level = 0;
    ExpandState expand = ExpandState::None;
};

// How one cell looks, over its row's style. Colours are "#rrggbb"; empty keeps the row's.
struct CellStyle {
    std::string backColor;
    std::string foreColor;
    bool bold = false;
    bool operator==(const CellStyle&) const = default;
};

// Input a cell refused: it stays in the cell, shown with the problem, until the user types
// something the column accepts.
struct CellRefusal {
    std::string text;
    std::string message;
};

// How a row looks: subtotal rows bold, on a coloured background. Colours are "#rrggbb".
struct RowStyle {
    bool bold = false;
    std::string foreColor;
    std::string backColor;
};

// A grid of rows of Values under named columns, with a footer value per column, row
// styles, a current cell, a selection, sorting and a row filter. Rows are addressed by
// their index as stored (0-based); sorting reorders them and the current row and the
// selection follow their rows.
class Grid : public Control {
public:
    Grid(Form& owner, std::string name);

    GridColumn& AddColumn(std::string name, std::string caption = "", std::string format = "");
    // A column with all its attributes (header metadata too), observers told once.
    GridColumn& AddColumn(GridColumn column);
    // Drops columns, rows and footers.
    void ClearColumns();
    const std::vector<GridColumn>& Columns() const { return columns_; }
    GridColumn& Column(std::string_view name);
    std::optional<std::size_t> FindColumn(std::string_view name) const;
    std::size_t ColumnIndex(std::string_view name) const; // throws UiError naming grid and column

    void ClearRows();
    // Missing trailing cells are empty; more cells than columns is an error.
    std::size_t AddRow(std::vector<Value> cells);
    std::size_t RowCount() const { return rows_.size(); }
    const Value& Cell(std::size_t row, std::string_view column) const;
    const Value& Cell(std::size_t row, std::size_t column) const;
    void SetCell(std::size_t row, std::string_view column, Value value);
    std::string CellText(std::size_t row, std::size_t column) const;

    void DefineStyle(std::string id, RowStyle style);
    const RowStyle* Style(std::string_view id) const;
    // An empty id is the plain style.
    void SetRowStyle(std::size_t row, std::string id);
    const std::string& RowStyleId(std::size_t row) const;

    // Per-cell styles, optional, kept with their row when rows are sorted.
    void SetCellStyle(std::size_t row, std::string_view column, CellStyle style);
    void ClearCellStyle(std::size_t row, std::string_view column);
    // Null when the cell has no style of its own.
    const CellStyle* CellStyleAt(std::size_t row, std::size_t column) const;
    const CellStyle* CellStyleAt(std::size_t row, std::string_view column) const;
    // Drops every cell style (row styles stay).
    void ClearCellStyles();

    // Editing. A column's rule checks what the user types (Form::UserEditCell); rows may be
    // added at the end and deleted when the form allows it.
    void SetEditable(std::string_view column, CellRule rule = {});
    bool HasEditableColumns() const;
    bool RowsAddable() const { return rowsAddable_; }
    void SetRowsAddable(bool addable);
    bool RowsDeletable() const { return rowsDeletable_; }
    void SetRowsDeletable(bool deletable);
    // The input as the cell would keep it; throws ValueError naming the column and the problem.
    Value AcceptCell(std::size_t row, std::string_view column, const Value& input) const;
    void DeleteRow(std::size_t row);
    void SetRefusal(std::size_t row, std::string_view column, CellRefusal refusal);
    void ClearRefusal(std::size_t row, std::string_view column);
    // Null when the cell holds no refused input.
    const CellRefusal* RefusalAt(std::size_t row, std::size_t column) const;

    void SetRowInfo(std::size_t row, GridRowInfo info);
    const GridRowInfo& RowInfo(std::size_t row) const;

    void SetFooter(std::string_view column, Value value);
    const Value& Footer(std::string_view column) const;
    std::string FooterText(std::string_view column) const; // through the column's format
    void ClearFooters();

    long CurrentRow() const; // -1 when none
    void SetCurrentRow(long row);
    // The current cell; an empty column keeps the current column.
    void SetCurrentCell(long row, std::string_view column);
    const std::string& CurrentColumnName() const { return currentColumn_; }
    std::vector<long> SelectedRows() const; // in row order
    void SetSelectedRows(const std::vector<long>& rows);

    // Stable: rows with equal keys keep their order. Empty values sort first.
    void SortBy(std::string_view column, bool ascending = true);

    void SetRowFilter(std::function<bool(const Grid&, std::size_t)> keep);
    void ClearRowFilter();
    bool IsRowVisible(std::size_t row) const;
    std::vector<std::size_t> VisibleRows() const;

protected:
    void CheckRow(long row) const;

private:
    struct Row {
        std::vector<Value> cells;
        std::string style;
        std::uint64_t id = 0;
        std::map<std::size_t, CellStyle> cellStyles; // by column index
        GridRowInfo info;
        std::map<std::size_t, CellRefusal> refusals; // by column index
    };
    std::optional<std::size_t> IndexOfId(std::uint64_t id) const;

    std::vector<GridColumn> columns_;
    std::vector<Row> rows_;
    std::vector<Value> footers_;
    std::map<std::string, RowStyle, std::less<>> styles_;
    std::uint64_t nextRowId_ = 1;
    std::uint64_t currentRowId_ = 0;
    std::string currentColumn_;
    std::vector<std::uint64_t> selectedIds_;
    std::function<bool(const Grid&, std::size_t)> rowFilter_;
    bool rowsAddable_ = false;
    bool rowsDeletable_ = false;
};

} // namespace Talvex::Ui
