#include "host/ui/GridPrinter.hpp"

#include "host/ui/Grid.hpp"
#include "host/ui/Session.hpp"

namespace Talvex::Ui {

VisibleGrid GridPrinter::Visible(const Grid& grid)
{
    VisibleGrid out;
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < grid.Columns().size(); ++i) {
        const GridColumn& column = grid.Columns()[i];
        if (!column.visible) continue;
        columns.push_back(i);
        out.names.push_back(column.name);
        out.captions.push_back(column.caption.empty() ? column.name : column.caption);
        const Value& footer = grid.Footer(column.name);
        out.footers.push_back(footer);
        out.hasFooter = out.hasFooter || !footer.IsEmpty();
    }
    for (std::size_t row : grid.VisibleRows()) {
        std::vector<Value> cells;
        for (std::size_t column : columns)
            cells.push_back(grid.Cell(row, column));
        out.rows.push_back(std::move(cells));
    }
    return out;
}

std::vector<std::string> GridPrinter::Lines(const Grid& grid)
{
    auto join = [](const std::vector<std::string>& parts) {
        std::string line;
        for (std::size_t i = 0; i < parts.size(); ++i)
            line += (i == 0 ? "" : "\t") + parts[i];
        return line;
    };
    const VisibleGrid visible = Visible(grid);
    std::vector<std::string> lines{join(visible.captions)};
    std::vector<std::size_t> columns;
    for (const auto& name : visible.names)
        columns.push_back(grid.ColumnIndex(name));
    for (std::size_t row : grid.VisibleRows()) {
        std::vector<std::string> cells;
        for (std::size_t column : columns)
            cells.push_back(grid.CellText(row, column));
        lines.push_back(join(cells));
    }
    if (visible.hasFooter) {
        std::vector<std::string> cells;
        for (const auto& name : visible.names)
            cells.push_back(grid.FooterText(name));
        lines.push_back(join(cells));
    }
    return lines;
}

void GridPrinter::Print(const Grid& grid, std::string title)
{
    session_.RecordPrint(PrintRecord{std::move(title), Lines(grid), {}, {}});
}

} // namespace Talvex::Ui
