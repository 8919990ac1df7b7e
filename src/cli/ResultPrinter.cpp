#include "cli/ResultPrinter.hpp"

#include "host/data/QuoteText.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/DisplayFormat.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>

namespace Talvex::Cli {
namespace {

constexpr const char* kFooterMarker = "(footer)";

bool IsFigure(const Value& value, const ListingColumn& column)
{
    return value.IsNumber() && Ui::DisplayFormat::IsNumeric(column.format);
}

// The number format without its thousands separators: "#,##0.00" gives "#0.00".
std::string Ungrouped(std::string_view format)
{
    const std::size_t point = std::min(format.find('.'), format.size());
    std::string integerPart(format.substr(0, point));
    std::erase(integerPart, ',');
    return integerPart + std::string(format.substr(point));
}

// Invariant text for files: a figure at its column's decimals, without thousands separators.
std::string InvariantText(const Value& value, const ListingColumn& column)
{
    if (IsFigure(value, column)) return Ui::DisplayFormat::Apply(value, Ungrouped(column.format));
    return value.ToInvariantText();
}

// Text for people: a figure as its column's display format shows it.
std::string ShownText(const Value& value, const ListingColumn& column)
{
    if (value.IsNull()) return "NULL";
    if (IsFigure(value, column)) return Ui::DisplayFormat::Apply(value, column.format);
    return value.ToInvariantText();
}

// Display width in characters of UTF-8 text.
std::size_t Width(const std::string& s)
{
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

OutputFormat ParseOutputFormat(const std::string& text)
{
    if (text == "csv") return OutputFormat::Csv;
    if (text == "table") return OutputFormat::Table;
    if (text == "json") return OutputFormat::Json;
    throw ValueError("--format: '" + text + "' is not one of csv, table, json");
}

Listing ListingOf(const Data::ResultSet& rs)
{
    Listing listing;
    for (const auto& column : rs.columns)
        listing.columns.push_back({column.name, column.kind, ""});
    listing.rows = rs.rows;
    return listing;
}

void PrintCsv(const Listing& listing, std::ostream& out)
{
    const auto& columns = listing.columns;
    for (std::size_t c = 0; c < columns.size(); ++c)
        out << (c ? "," : "") << Data::CsvField(columns[c].name);
    out << "\r\n";
    auto line = [&](const std::vector<Value>& row, bool footer) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            std::string text = InvariantText(row[c], columns[c]);
            if (footer && c == 0 && text.empty()) text = kFooterMarker;
            out << (c ? "," : "") << Data::CsvField(text);
        }
        out << "\r\n";
    };
    for (const auto& row : listing.rows)
        line(row, false);
    if (listing.footer) line(*listing.footer, true);
}

void PrintTable(const Listing& listing, std::ostream& out)
{
    const auto& columns = listing.columns;
    std::vector<std::size_t> widths;
    for (const auto& column : columns)
        widths.push_back(Width(column.name));
    auto texts = [&](const std::vector<Value>& row) {
        std::vector<std::string> line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line.push_back(ShownText(row[c], columns[c]));
            widths[c] = std::max(widths[c], Width(line.back()));
        }
        return line;
    };
    std::vector<std::vector<std::string>> lines;
    for (const auto& row : listing.rows)
        lines.push_back(texts(row));
    const std::vector<std::string> footer = listing.footer ? texts(*listing.footer) : std::vector<std::string>{};

    auto pad = [&](const std::string& s, std::size_t w, bool right) {
        std::string fill(w - Width(s), ' ');
        return right ? fill + s : s + fill;
    };
    auto rule = [&] {
        for (std::size_t c = 0; c < columns.size(); ++c)
            out << (c ? "-+-" : "") << std::string(widths[c], '-');
        out << "\n";
    };
    auto print = [&](const std::vector<std::string>& line, const std::vector<Value>& values) {
        for (std::size_t c = 0; c < line.size(); ++c)
            out << (c ? " | " : "") << pad(line[c], widths[c], values[c].IsNumber());
        out << "\n";
    };
    for (std::size_t c = 0; c < columns.size(); ++c)
        out << (c ? " | " : "") << pad(columns[c].name, widths[c], false);
    out << "\n";
    rule();
    for (std::size_t r = 0; r < lines.size(); ++r)
        print(lines[r], listing.rows[r]);
    if (listing.footer) {
        rule();
        print(footer, *listing.footer);
    }
    out << "(" << listing.rows.size() << (listing.rows.size() == 1 ? " row)\n" : " rows)\n");
}

void PrintJson(const Listing& listing, std::ostream& out)
{
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : listing.rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (std::size_t c = 0; c < row.size(); ++c) {
            const Value& v = row[c];
            const ListingColumn& column = listing.columns[c];
            nlohmann::ordered_json item;
            if (v.IsNull() || v.IsEmpty())
                item = nullptr;
            else if (auto b = std::get_if<bool>(&v.Raw()))
                item = *b;
            else if (IsFigure(v, column))
                item = InvariantText(v, column); // at the column's decimals, exact
            else if (auto i = std::get_if<std::int64_t>(&v.Raw()))
                item = *i;
            else if (auto d = std::get_if<double>(&v.Raw()))
                item = *d;
            else
                item = v.ToText(); // money stays exact as text
            object[column.name] = std::move(item);
        }
        rows.push_back(std::move(object));
    }
    out << rows.dump(2) << "\n";
}

void Print(const Listing& listing, OutputFormat format, std::ostream& out)
{
    switch (format) {
    case OutputFormat::Csv: PrintCsv(listing, out); break;
    case OutputFormat::Table: PrintTable(listing, out); break;
    case OutputFormat::Json: PrintJson(listing, out); break;
    }
}

} // namespace Talvex::Cli
