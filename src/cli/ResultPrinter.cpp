#include "cli/ResultPrinter.hpp"

#include "host/types/Errors.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>

namespace Talvex::Cli {
namespace {

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

bool RightAligned(const Value& v)
{
    return v.IsNumber();
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

void PrintCsv(const Data::ResultSet& rs, std::ostream& out)
{
    for (std::size_t c = 0; c < rs.columns.size(); ++c)
        out << (c ? "," : "") << CsvField(rs.columns[c].name);
    out << "\r\n";
    for (const auto& row : rs.rows) {
        for (std::size_t c = 0; c < row.size(); ++c)
            out << (c ? "," : "") << CsvField(row[c].ToInvariantText());
        out << "\r\n";
    }
}

void PrintTable(const Data::ResultSet& rs, std::ostream& out)
{
    std::vector<std::size_t> widths;
    for (const auto& col : rs.columns)
        widths.push_back(Width(col.name));
    std::vector<std::vector<std::string>> texts;
    for (const auto& row : rs.rows) {
        std::vector<std::string> line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line.push_back(row[c].IsNull() ? "NULL" : row[c].ToInvariantText());
            widths[c] = std::max(widths[c], Width(line.back()));
        }
        texts.push_back(std::move(line));
    }
    auto pad = [&](const std::string& s, std::size_t w, bool right) {
        std::string fill(w - Width(s), ' ');
        return right ? fill + s : s + fill;
    };
    for (std::size_t c = 0; c < rs.columns.size(); ++c)
        out << (c ? " | " : "") << pad(rs.columns[c].name, widths[c], false);
    out << "\n";
    for (std::size_t c = 0; c < rs.columns.size(); ++c)
        out << (c ? "-+-" : "") << std::string(widths[c], '-');
    out << "\n";
    for (std::size_t r = 0; r < texts.size(); ++r) {
        for (std::size_t c = 0; c < texts[r].size(); ++c)
            out << (c ? " | " : "") << pad(texts[r][c], widths[c], RightAligned(rs.rows[r][c]));
        out << "\n";
    }
    out << "(" << rs.rows.size() << (rs.rows.size() == 1 ? " row)\n" : " rows)\n");
}

void PrintJson(const Data::ResultSet& rs, std::ostream& out)
{
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : rs.rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (std::size_t c = 0; c < row.size(); ++c) {
            const Value& v = row[c];
            nlohmann::ordered_json item;
            if (v.IsNull() || v.IsEmpty())
                item = nullptr;
            else if (auto b = std::get_if<bool>(&v.Raw()))
                item = *b;
            else if (auto i = std::get_if<std::int64_t>(&v.Raw()))
                item = *i;
            else if (auto d = std::get_if<double>(&v.Raw()))
                item = *d;
            else
                item = v.ToText(); // money stays exact as text
            object[rs.columns[c].name] = std::move(item);
        }
        rows.push_back(std::move(object));
    }
    out << rows.dump(2) << "\n";
}

void Print(const Data::ResultSet& rs, OutputFormat format, std::ostream& out)
{
    switch (format) {
    case OutputFormat::Csv: PrintCsv(rs, out); break;
    case OutputFormat::Table: PrintTable(rs, out); break;
    case OutputFormat::Json: PrintJson(rs, out); break;
    }
}

} // namespace Talvex::Cli
