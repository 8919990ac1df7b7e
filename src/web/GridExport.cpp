#include "web/GridExport.hpp"

#include "host/data/QuoteText.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "host/ui/Grid.hpp"
#include "host/ui/PrintService.hpp"

#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace Talvex::Web {

namespace {

std::vector<std::size_t> VisibleColumns(const Ui::Grid& grid)
{
    std::vector<std::size_t> columns;
    for (std::size_t c = 0; c < grid.Columns().size(); ++c) {
        if (grid.Columns()[c].visible) columns.push_back(c);
    }
    return columns;
}

std::string Caption(const Ui::GridColumn& column)
{
    return column.caption.empty() ? column.name : column.caption;
}

bool HasFooter(const Ui::Grid& grid)
{
    for (const auto& column : grid.Columns()) {
        if (!grid.FooterText(column.name).empty()) return true;
    }
    return false;
}

// A sheet name Excel accepts: at most 31 characters, none of []:*?/\.
std::string SheetName(const std::string& title)
{
    std::string name;
    for (char c : title) {
        if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) continue;
        name += c;
    }
    if (name.size() > 31) name.resize(31);
    return name.empty() ? "Sheet1" : name;
}

// One sheet of a workbook and the formats its cells are written in: captions and footers
// bold, money with two decimals, dates as ISO.
class SheetWriter {
public:
    SheetWriter(lxw_workbook* workbook, const std::string& title)
        : sheet_(workbook_add_worksheet(workbook, SheetName(title).c_str())), bold_(workbook_add_format(workbook)),
          money_(workbook_add_format(workbook)), moneyBold_(workbook_add_format(workbook)),
          date_(workbook_add_format(workbook))
    {
        format_set_bold(bold_);
        format_set_num_format(money_, "#,##0.00");
        format_set_num_format(moneyBold_, "#,##0.00");
        format_set_bold(moneyBold_);
        format_set_num_format(date_, "yyyy-mm-dd");
    }

    void Caption(lxw_col_t col, const std::string& text)
    {
        worksheet_write_string(sheet_, 0, col, text.c_str(), bold_);
        worksheet_set_column(sheet_, col, col, 16, nullptr);
    }

    void Cell(lxw_row_t row, lxw_col_t col, const Value& value, const std::string& text, bool isFooter)
    {
        const auto& raw = value.Raw();
        if (std::holds_alternative<Currency>(raw) || std::holds_alternative<Decimal>(raw) ||
            std::holds_alternative<double>(raw) || std::holds_alternative<std::int64_t>(raw)) {
            // The spreadsheet keeps numbers as doubles; the exact amount is in the text it shows.
            const bool isMoney = !std::holds_alternative<std::int64_t>(raw);
            worksheet_write_number(sheet_, row, col, value.ToDouble(),
                                   isMoney ? (isFooter ? moneyBold_ : money_) : (isFooter ? bold_ : nullptr));
        } else if (value.IsDate()) {
            const Date d = value.ToDate();
            lxw_datetime when = {d.Year(), static_cast<int>(d.Month()), static_cast<int>(d.Day()), 0, 0, 0};
            worksheet_write_datetime(sheet_, row, col, &when, date_);
        } else if (!text.empty()) {
            worksheet_write_string(sheet_, row, col, text.c_str(), isFooter ? bold_ : nullptr);
        }
    }

private:
    lxw_worksheet* sheet_;
    lxw_format* bold_;
    lxw_format* money_;
    lxw_format* moneyBold_;
    lxw_format* date_;
};

// The grid's visible columns and rows, and its footers, as a workbook of one sheet.
void WriteWorkbook(const char* path, const Ui::Grid& grid, const std::string& sheetTitle)
{
    lxw_workbook* workbook = workbook_new(path);
    if (workbook == nullptr) throw ValueError("export: the workbook cannot be created");
    SheetWriter sheet(workbook, sheetTitle);
    const auto columns = VisibleColumns(grid);
    for (std::size_t k = 0; k < columns.size(); ++k)
        sheet.Caption(static_cast<lxw_col_t>(k), Caption(grid.Columns()[columns[k]]));
    lxw_row_t r = 1;
    for (std::size_t row : grid.VisibleRows()) {
        for (std::size_t k = 0; k < columns.size(); ++k)
            sheet.Cell(r, static_cast<lxw_col_t>(k), grid.Cell(row, columns[k]), grid.CellText(row, columns[k]), false);
        ++r;
    }
    if (HasFooter(grid)) {
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const std::string& name = grid.Columns()[columns[k]].name;
            sheet.Cell(r, static_cast<lxw_col_t>(k), grid.Footer(name), grid.FooterText(name), true);
        }
    }
    if (workbook_close(workbook) != LXW_NO_ERROR) throw ValueError("export: the workbook cannot be written");
}

} // namespace

std::string EscapeHtml(const std::string& text)
{
    return Ui::EscapeHtml(text);
}

std::string GridToCsv(const Ui::Grid& grid)
{
    const auto columns = VisibleColumns(grid);
    std::ostringstream out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t k = 0; k < cells.size(); ++k)
            out << (k ? "," : "") << Data::CsvField(cells[k]);
        out << "\r\n";
    };
    std::vector<std::string> cells;
    for (std::size_t c : columns)
        cells.push_back(Caption(grid.Columns()[c]));
    line(cells);
    for (std::size_t row : grid.VisibleRows()) {
        cells.clear();
        for (std::size_t c : columns)
            cells.push_back(grid.CellText(row, c));
        line(cells);
    }
    if (HasFooter(grid)) {
        cells.clear();
        for (std::size_t c : columns)
            cells.push_back(grid.FooterText(grid.Columns()[c].name));
        line(cells);
    }
    return out.str();
}

std::string GridToXlsx(const Ui::Grid& grid, const std::string& sheetTitle)
{
    char path[] = "/tmp/talvex-export-XXXXXX.xlsx";
    const int fd = mkstemps(path, 5);
    if (fd < 0) throw ValueError("export: no temporary file for the workbook");
    close(fd);
    struct Remove {
        const char* path;
        ~Remove() { std::remove(path); }
    } remove{path};
    WriteWorkbook(path, grid, sheetTitle);
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string GridToPrintHtml(const Ui::Grid& grid, const std::string& title)
{
    const auto columns = VisibleColumns(grid);
    std::ostringstream out;
    out << "<!doctype html><html><head><meta charset=\"utf-8\"><title>" << EscapeHtml(title)
        << "</title><link rel=\"stylesheet\" href=\"/print.css\"></head><body class=\"print\"><h1>" << EscapeHtml(title)
        << "</h1><table><thead><tr>";
    auto alignClass = [&](std::size_t c) {
        return grid.Columns()[c].EffectiveAlignment() == Ui::Alignment::Right ? " class=\"num\"" : "";
    };
    for (std::size_t c : columns)
        out << "<th" << alignClass(c) << ">" << EscapeHtml(Caption(grid.Columns()[c])) << "</th>";
    out << "</tr></thead><tbody>";
    for (std::size_t row : grid.VisibleRows()) {
        const Ui::RowStyle* style = grid.RowStyleId(row).empty() ? nullptr : grid.Style(grid.RowStyleId(row));
        out << "<tr" << (style != nullptr && style->bold ? " class=\"bold\"" : "") << ">";
        for (std::size_t c : columns)
            out << "<td" << alignClass(c) << ">" << EscapeHtml(grid.CellText(row, c)) << "</td>";
        out << "</tr>";
    }
    out << "</tbody>";
    if (HasFooter(grid)) {
        out << "<tfoot><tr>";
        for (std::size_t c : columns)
            out << "<td" << alignClass(c) << ">" << EscapeHtml(grid.FooterText(grid.Columns()[c].name)) << "</td>";
        out << "</tr></tfoot>";
    }
    out << "</table><p class=\"noprint\"><button onclick=\"window.print()\">Print</button></p></body></html>";
    return out.str();
}

} // namespace Talvex::Web
