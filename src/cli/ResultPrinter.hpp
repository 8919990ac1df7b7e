#pragma once

#include "host/data/Connection.hpp"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Cli {

enum class OutputFormat { Csv, Table, Json };

// Parses "csv", "table" or "json"; throws ValueError naming the option otherwise.
OutputFormat ParseOutputFormat(const std::string& text);

// The format an amount column gets when nothing else says how to show it: money in cents.
inline constexpr std::string_view kMoneyFormat = "#,##0.00";

// A column as the command prints it. A number format ("#,##0.00", "0", the grid's display
// format) prints the column's figures at its decimals; without one a value prints as it is.
struct ListingColumn {
    std::string name;
    Data::ColumnKind kind = Data::ColumnKind::Other;
    std::string format;
};

// What the command prints: columns, rows, and the footer line of a grid that shows one
// (a value per column, empty where the grid shows none).
struct Listing {
    std::vector<ListingColumn> columns;
    std::vector<std::vector<Value>> rows;
    std::optional<std::vector<Value>> footer;
};

// The rows of a statement, printed as they come (no formats, no footer).
Listing ListingOf(const Data::ResultSet& rs);

// CSV: a header line, then a line per row, RFC 4180 quoting, every line ending in CRLF;
// numbers in the invariant form without exponent or thousands separators, at their column's
// decimals; dates as yyyy-MM-dd; null as an empty field. The footer is the last line: its
// first cell reads "(footer)" unless the grid's footer shows a value in that column.
void PrintCsv(const Listing& listing, std::ostream& out);
// A plain text table with aligned columns, numbers to the right in their column's display
// format; the footer under a rule after the rows; then the row count.
void PrintTable(const Listing& listing, std::ostream& out);
// An array of objects, one per row (the footer is not among them); numbers as JSON numbers
// where exact, money and formatted figures as strings at their column's decimals.
void PrintJson(const Listing& listing, std::ostream& out);

void Print(const Listing& listing, OutputFormat format, std::ostream& out);

} // namespace Talvex::Cli
