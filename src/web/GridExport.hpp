#pragma once

#include <string>

namespace Talvex::Ui {
class Grid;
}

namespace Talvex::Web {

// A grid as the person sees it (visible columns, visible rows in their order, the footer
// last) written out for another program or for paper.

// CSV by RFC 4180: cells as displayed, a header of captions, the footer as a last row.
std::string GridToCsv(const Ui::Grid& grid);
// An XLSX workbook (bytes): numbers as numbers with the column's format, dates as dates,
// captions bold, the footer bold. Throws ValueError when the workbook cannot be written.
std::string GridToXlsx(const Ui::Grid& grid, const std::string& sheetTitle);
// A page for the printer: the title, the whole table and its footer.
std::string GridToPrintHtml(const Ui::Grid& grid, const std::string& title);

// Text made safe inside HTML.
std::string EscapeHtml(const std::string& text);

} // namespace Talvex::Web
