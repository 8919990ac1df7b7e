#pragma once

#include <string>
#include <string_view>

namespace Talvex::Data {

// The text between two quote characters, every quote inside it doubled: the one escaping
// rule of SQL text literals ('it''s'), quoted SQL names ("a""b") and CSV fields. Whatever
// the text holds, the result reads back as that text and nothing else.
std::string QuoteByDoubling(std::string_view text, char quote);

// A field of a CSV line: as it stands, or in double quotes when it holds a comma, a double
// quote or a line break.
std::string CsvField(std::string_view text);

} // namespace Talvex::Data
