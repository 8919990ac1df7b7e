#include "host/ui/Grid.hpp"

#include "host/types/Errors.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "host/ui/UiError.hpp"

#include <algorithm>

namespace Talvex::Ui {

namespace {

// Sort rank of a value's kind: empty first, then numbers, dates, texts, the rest.
int KindRank(const Value& v)
{
    if (v.IsEmpty() || v.IsNull()) return 0;
    if (v.IsNumber()) return 1;
    if (v.IsDate()) return 2;
    if (v.IsText()) return 3;
    return 4;
}

int Compare(const Value& a, const Value& b)
{
    const int rankA = KindRank(a);
    const int rankB = KindRank(b);
    if (rankA != rankB) return rankA < rankB ? -1 : 1;
    switch (rankA) {
    case 1: {
        // Exact when both fit money, which every amount of the ERP does.
        try {
            const Currency x = a.ToCurrency();
            const Currency y = b.ToCurrency();
            return x < y ? -1 : (y < x ? 1 : 0);
        } catch (const ValueError&) {
            const double x = a.ToDouble();
            const double y = b.ToDouble();
            return x < y ? -1 : (y < x ? 1 : 0);
        }
    }
    case 2: {
        const Date x = a.ToDate();
        const Date y = b.ToDate();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case 3: {
        const int order = a.ToText().compare(b.ToText());
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    default: return 0;
    }
}

} // namespace

Alignment GridColumn::EffectiveAlignment() const
{
    if (alignment != Alignment::Auto) return alignment;
    return DisplayFormat::IsNumeric(format) ? Alignment::Right : Alignment::Left;
}

Grid::Grid(Form& owner, std::string name) : Control(owner, ControlKind::Grid, std::move(name), "") {}

GridColumn& Grid::AddColumn(std::string name, std::string caption, std::string format)
{
    GridColumn column;
    column.name = std::move(name);
    column.caption = std::move(caption);
    column.format = std::move(format);
    return AddColumn(std::move(column));
}

GridColumn& Grid::AddColumn(GridColumn column)
{
    if (column.name.empty()) throw ValueError(Name() + ": a column needs a name");
    if (FindColumn(column.name)) throw UiError(Name() + ": the column '" + column.name + "' is added twice");
    if (column.caption.empty()) column.caption = column.name;
    columns_.push_back(std::move(column));
    footers_.emplace_back();
    for (auto& row : rows_)
        row.cells.emplace_back();
    Changed("columns");
    return columns_.back();
}

void Grid::ClearColumns()
{
    columns_.clear();
    footers_.clear();
    rows_.clear();
    currentRowId_ = 0;
    currentColumn_.clear();
    selectedIds_.clear();
    Changed("columns");
}

GridColumn& Grid::Column(std::string_view name)
{
    return columns_[ColumnIndex(name)];
}

std::optional<std::size_t> Grid::FindColumn(std::string_view name) const
{
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].name == name) return i;
    }
    return std::nullopt;
}

std::size_t Grid::ColumnIndex(std::string_view name) const
{
    if (auto index = FindColumn(name)) return *index;
    throw UiError(Name() + ": no column '" + std::string(name) + "'");
}

void Grid::ClearRows()
{
    rows_.clear();
    currentRowId_ = 0;
    selectedIds_.clear();
    Changed("rows");
}

std::size_t Grid::AddRow(std::vector<Value> cells)
{
    if (cells.size() > columns_.size())
        throw UiError(Name() + ": a row of " + std::to_string(cells.size()) + " cells for " +
                      std::to_string(columns_.size()) + " columns");
    cells.resize(columns_.size());
    rows_.push_back(Row{std::move(cells), "", nextRowId_++, {}, {}, {}});
    Changed("rows");
    return rows_.size() - 1;
}

const Value& Grid::Cell(std::size_t row, std::string_view column) const
{
    return Cell(row, ColumnIndex(column));
}

const Value& Grid::Cell(std::size_t row, std::size_t column) const
{
    CheckRow(static_cast<long>(row));
    if (column >= columns_.size()) throw UiError(Name() + ": no column " + std::to_string(column));
    return rows_[row].cells[column];
}

void Grid::SetCell(std::size_t row, std::string_view column, Value value)
{
    const std::size_t index = ColumnIndex(column);
    CheckRow(static_cast<long>(row));
    rows_[row].cells[index] = std::move(value);
    Changed("rows");
}

std::string Grid::CellText(std::size_t row, std::size_t column) const
{
    return DisplayFormat::Apply(Cell(row, column), columns_[column].format);
}

void Grid::SetEditable(std::string_view column, CellRule rule)
{
    GridColumn& edited = Column(column);
    edited.editable = true;
    edited.rule = std::move(rule);
    Changed("columns");
}

bool Grid::HasEditableColumns() const
{
    return std::any_of(columns_.begin(), columns_.end(), [](const GridColumn& column) { return column.editable; });
}

void Grid::SetRowsAddable(bool addable)
{
    rowsAddable_ = addable;
    Changed("columns");
}

void Grid::SetRowsDeletable(bool deletable)
{
    rowsDeletable_ = deletable;
    Changed("columns");
}

Value Grid::AcceptCell(std::size_t row, std::string_view column, const Value& input) const
{
    const GridColumn& edited = columns_[ColumnIndex(column)];
    CheckRow(static_cast<long>(row));
    if (!edited.editable) throw UiError(Name() + ": the column '" + edited.name + "' cannot be edited");
    // The caption is what the user sees above the cell; the name is what answers files write.
    const std::string label = edited.caption == edited.name ? edited.name : edited.caption + " (" + edited.name + ")";
    return edited.rule.Accept(label, input, *this, row);
}

void Grid::DeleteRow(std::size_t row)
{
    CheckRow(static_cast<long>(row));
    const std::uint64_t id = rows_[row].id;
    std::erase(selectedIds_, id);
    // The current row moves to the row that takes the deleted one's place, or the one before.
    if (currentRowId_ == id) {
        if (row + 1 < rows_.size())
            currentRowId_ = rows_[row + 1].id;
        else
            currentRowId_ = row > 0 ? rows_[row - 1].id : 0;
    }
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    Changed("rows");
}

void Grid::SetRefusal(std::size_t row, std::string_view column, CellRefusal refusal)
{
    const std::size_t index = ColumnIndex(column);
    CheckRow(static_cast<long>(row));
    rows_[row].refusals[index] = std::move(refusal);
    Changed("rows");
}

void Grid::ClearRefusal(std::size_t row, std::string_view column)
{
    const std::size_t index = ColumnIndex(column);
    CheckRow(static_cast<long>(row));
    if (rows_[row].refusals.erase(index) != 0) Changed("rows");
}

const CellRefusal* Grid::RefusalAt(std::size_t row, std::size_t column) const
{
    CheckRow(static_cast<long>(row));
    auto it = rows_[row].refusals.find(column);
    return it == rows_[row].refusals.end() ? nullptr : &it->second;
}

void Grid::DefineStyle(std::string id, RowStyle style)
{
    if (id.empty()) throw ValueError(Name() + ": a row style needs an id");
    styles_[std::move(id)] = std::move(style);
    Changed("styles");
}

const RowStyle* Grid::Style(std::string_view id) const
{
    auto it = styles_.find(id);
    return it == styles_.end() ? nullptr : &it->second;
}

void Grid::SetRowStyle(std::size_t row, std::string id)
{
    CheckRow(static_cast<long>(row));
    if (!id.empty() && Style(id) == nullptr) throw UiError(Name() + ": no row style '" + id + "'");
    rows_[row].style = std::move(id);
    Changed("styles");
}

const std::string& Grid::RowStyleId(std::size_t row) const
{
    CheckRow(static_cast<long>(row));
    return rows_[row].style;
}

void Grid::SetCellStyle(std::size_t row, std::string_view column, CellStyle style)
{
    const std::size_t index = ColumnIndex(column);
    CheckRow(static_cast<long>(row));
    rows_[row].cellStyles[index] = std::move(style);
    Changed("styles");
}

void Grid::ClearCellStyle(std::size_t row, std::string_view column)
{
    const std::size_t index = ColumnIndex(column);
    CheckRow(static_cast<long>(row));
    if (rows_[row].cellStyles.erase(index) > 0) Changed("styles");
}

const CellStyle* Grid::CellStyleAt(std::size_t row, std::size_t column) const
{
    CheckRow(static_cast<long>(row));
    if (column >= columns_.size()) throw UiError(Name() + ": no column " + std::to_string(column));
    const auto& styles = rows_[row].cellStyles;
    const auto it = styles.find(column);
    return it == styles.end() ? nullptr : &it->second;
}

const CellStyle* Grid::CellStyleAt(std::size_t row, std::string_view column) const
{
    return CellStyleAt(row, ColumnIndex(column));
}

void Grid::ClearCellStyles()
{
    for (auto& row : rows_)
        row.cellStyles.clear();
    Changed("styles");
}

void Grid::SetRowInfo(std::size_t row, GridRowInfo info)
{
    CheckRow(static_cast<long>(row));
    rows_[row].info = info;
    Changed("rows");
}

const GridRowInfo& Grid::RowInfo(std::size_t row) const
{
    CheckRow(static_cast<long>(row));
    return rows_[row].info;
}

void Grid::SetFooter(std::string_view column, Value value)
{
    footers_[ColumnIndex(column)] = std::move(value);
    Changed("footer");
}

const Value& Grid::Footer(std::string_view column) const
{
    return footers_[ColumnIndex(column)];
}

std::string Grid::FooterText(std::string_view column) const
{
    const std::size_t index = ColumnIndex(column);
    return DisplayFormat::Apply(footers_[index], columns_[index].format);
}

void Grid::ClearFooters()
{
    for (auto& footer : footers_)
        footer = Value();
    Changed("footer");
}

long Grid::CurrentRow() const
{
    if (auto index = IndexOfId(currentRowId_)) return static_cast<long>(*index);
    return -1;
}

void Grid::SetCurrentRow(long row)
{
    if (row < 0) {
        currentRowId_ = 0;
    } else {
        CheckRow(row);
        currentRowId_ = rows_[static_cast<std::size_t>(row)].id;
    }
    Changed("current");
}

void Grid::SetCurrentCell(long row, std::string_view column)
{
    CheckRow(row);
    if (!column.empty()) currentColumn_ = columns_[ColumnIndex(column)].name;
    SetCurrentRow(row);
}

std::vector<long> Grid::SelectedRows() const
{
    std::vector<long> rows;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (std::find(selectedIds_.begin(), selectedIds_.end(), rows_[i].id) != selectedIds_.end())
            rows.push_back(static_cast<long>(i));
    }
    return rows;
}

void Grid::SetSelectedRows(const std::vector<long>& rows)
{
    for (long row : rows)
        CheckRow(row);
    selectedIds_.clear();
    for (long row : rows)
        selectedIds_.push_back(rows_[static_cast<std::size_t>(row)].id);
    if (!rows.empty()) currentRowId_ = rows_[static_cast<std::size_t>(rows.front())].id;
    Changed("selection");
}

void Grid::SortBy(std::string_view column, bool ascending)
{
    const std::size_t index = ColumnIndex(column);
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        const int order = Compare(a.cells[index], b.cells[index]);
        return ascending ? order < 0 : order > 0;
    });
    Changed("rows");
}

void Grid::SetRowFilter(std::function<bool(const Grid&, std::size_t)> keep)
{
    rowFilter_ = std::move(keep);
    Changed("filter");
}

void Grid::ClearRowFilter()
{
    rowFilter_ = nullptr;
    Changed("filter");
}

bool Grid::IsRowVisible(std::size_t row) const
{
    CheckRow(static_cast<long>(row));
    return !rowFilter_ || rowFilter_(*this, row);
}

std::vector<std::size_t> Grid::VisibleRows() const
{
    std::vector<std::size_t> visible;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (IsRowVisible(i)) visible.push_back(i);
    }
    return visible;
}

void Grid::CheckRow(long row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        throw UiError(Name() + ": no row " + std::to_string(row) + " (the grid has " + std::to_string(rows_.size()) +
                      ")");
}

std::optional<std::size_t> Grid::IndexOfId(std::uint64_t id) const
{
    if (id == 0) return std::nullopt;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].id == id) return i;
    }
    return std::nullopt;
}

} // namespace Talvex::Ui
