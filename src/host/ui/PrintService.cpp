#include "host/ui/PrintService.hpp"

#include "host/types/Errors.hpp"
#include "host/ui/DisplayFormat.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"

#include <algorithm>

namespace Talvex::Ui {

namespace {

const Value& Parameter(const ReportParameters& parameters, const std::string& code, const std::string& name)
{
    for (const auto& [key, value] : parameters)
        if (key == name) return value;
    throw ValueError(code + ": no parameter '" + name + "' given");
}

std::size_t ColumnOf(const RowSource& list, const std::string& code, const std::string& column)
{
    const std::vector<std::string> names = list.ColumnNames();
    const auto it = std::find(names.begin(), names.end(), column);
    if (it == names.end()) throw ValueError(code + ": the list has no column '" + column + "'");
    return static_cast<std::size_t>(it - names.begin());
}

void RenderBody(std::string& html, const ReportLayout& layout, const RowSource& list)
{
    std::vector<std::size_t> indexes;
    for (const auto& column : layout.body)
        indexes.push_back(ColumnOf(list, layout.code, column.name));
    html += "<table class=\"body\" data-report=\"" + EscapeHtml(layout.code) + "\"><thead><tr>";
    for (const auto& column : layout.body)
        html += "<th>" + EscapeHtml(column.caption.empty() ? column.name : column.caption) + "</th>";
    html += "</tr></thead><tbody>\n";
    std::vector<Currency> totals(layout.body.size());
    for (std::size_t row = 0; row < list.RowCount(); ++row) {
        html += "<tr>";
        for (std::size_t c = 0; c < layout.body.size(); ++c) {
            const Value value = list.Cell(row, indexes[c]);
            if (layout.body[c].total && value.IsNumber()) totals[c] = totals[c] + value.ToCurrency();
            const bool right = DisplayFormat::IsNumeric(layout.body[c].format) || value.IsNumber();
            html += right ? "<td class=\"num\">" : "<td>";
            html += EscapeHtml(DisplayFormat::Apply(value, layout.body[c].format)) + "</td>";
        }
        html += "</tr>\n";
    }
    html += "</tbody>";
    if (std::any_of(layout.body.begin(), layout.body.end(), [](const ReportColumn& c) { return c.total; })) {
        html += "<tfoot><tr>";
        for (std::size_t c = 0; c < layout.body.size(); ++c)
            html += layout.body[c].total
                        ? "<td class=\"num\">" +
                              EscapeHtml(DisplayFormat::Apply(Value(totals[c]), layout.body[c].format)) + "</td>"
                        : "<td></td>";
        html += "</tr></tfoot>";
    }
    html += "</table>\n";
}

void RenderLayout(std::string& html, const ReportLayouts& layouts, const ReportLayout& layout,
                  const ReportParameters& parameters, const std::vector<std::shared_ptr<const RowSource>>& lists,
                  std::size_t listIndex, int depth)
{
    // A sub-report that names its parent again would print for ever.
    if (depth > 4) throw ValueError(layout.code + ": sub-reports nest too deep");
    html += depth == 0 ? "<h1>" : "<h2>";
    html += EscapeHtml(layout.title.empty() ? layout.code : layout.title);
    html += depth == 0 ? "</h1>\n" : "</h2>\n";
    if (!layout.header.empty()) {
        html += "<dl class=\"header\">";
        for (const auto& field : layout.header)
            html +=
                "<dt>" + EscapeHtml(field.caption.empty() ? field.parameter : field.caption) + "</dt><dd>" +
                EscapeHtml(DisplayFormat::Apply(Parameter(parameters, layout.code, field.parameter), field.format)) +
                "</dd>";
        html += "</dl>\n";
    }
    if (listIndex >= lists.size() || !lists[listIndex])
        throw ValueError(layout.code + ": no data list " + std::to_string(listIndex + 1) + " given");
    RenderBody(html, layout, *lists[listIndex]);
    if (!layout.subReport.empty())
        RenderLayout(html, layouts, layouts.Find(layout.subReport), parameters, lists, listIndex + 1, depth + 1);
}

} // namespace

ReportLayouts& ReportLayouts::Host()
{
    static ReportLayouts layouts;
    return layouts;
}

void ReportLayouts::Register(ReportLayout layout)
{
    if (layout.code.empty()) throw ValueError("ReportLayouts: a layout needs a report code");
    if (layout.body.empty()) throw ValueError("ReportLayouts: " + layout.code + " has no body columns");
    std::lock_guard lock(mutex_);
    layouts_[layout.code] = std::move(layout);
}

bool ReportLayouts::Has(const std::string& code) const
{
    std::lock_guard lock(mutex_);
    return layouts_.count(code) != 0;
}

ReportLayout ReportLayouts::Find(const std::string& code) const
{
    std::lock_guard lock(mutex_);
    auto it = layouts_.find(code);
    if (it == layouts_.end()) throw UiError("Print: no report layout '" + code + "'");
    return it->second;
}

std::string PrintService::Render(const ReportLayouts& layouts, const std::string& reportCode,
                                 const ReportParameters& parameters,
                                 const std::vector<std::shared_ptr<const RowSource>>& lists)
{
    const ReportLayout layout = layouts.Find(reportCode);
    std::string body;
    RenderLayout(body, layouts, layout, parameters, lists, 0, 0);
    const std::string title = EscapeHtml(layout.title.empty() ? layout.code : layout.title);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title><style>body{font-family:sans-serif}table{border-collapse:collapse}"
           "td,th{border:1px solid #999;padding:2px 6px}td.num{text-align:right}"
           "dl.header{display:grid;grid-template-columns:max-content auto;gap:2px 12px}"
           "dd{margin:0}</style></head><body>\n" +
           body + "</body></html>\n";
}

std::string PrintService::Print(const std::string& reportCode, const ReportParameters& parameters,
                                const std::vector<std::shared_ptr<const RowSource>>& lists)
{
    std::string html = Render(layouts_, reportCode, parameters, lists);
    const ReportLayout layout = layouts_.Find(reportCode);
    session_.RecordReport(PrintRecord{layout.title.empty() ? layout.code : layout.title, {}, reportCode, html});
    return html;
}

std::string EscapeHtml(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace Talvex::Ui
