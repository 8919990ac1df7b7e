#pragma once

#include "host/data/Connection.hpp"

#include <iosfwd>
#include <string>

namespace Talvex::Cli {

enum class OutputFormat { Csv, Table, Json };

// Parses "csv", "table" or "json"; throws ValueError naming the option otherwise.
OutputFormat ParseOutputFormat(const std::string& text);

// CSV: a header line, then a line per row, RFC 4180 quoting; numbers in the invariant
// form without exponent, dates as yyyy-MM-dd, null as an empty field.
void PrintCsv(const Data::ResultSet& rs, std::ostream& out);
// A plain text table with aligned columns, numbers to the right.
void PrintTable(const Data::ResultSet& rs, std::ostream& out);
// An array of objects, one per row; numbers as JSON numbers where exact, money as strings.
void PrintJson(const Data::ResultSet& rs, std::ostream& out);

void Print(const Data::ResultSet& rs, OutputFormat format, std::ostream& out);

} // namespace Talvex::Cli
