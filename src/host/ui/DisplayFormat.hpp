#pragma once

#include "host/types/Value.hpp"

#include <string>
#include <string_view>

namespace Talvex::Ui {

// Display formats of grid columns, footers and boxes, written as the ERP writes them:
// numbers "#,##0.00", "0", "#,##0.####"; dates "yyyy-mm-dd", "mm.yyyy", "yyyy/mm", "mm".
// A number is shown through its number format and a date through its date format; an
// empty format shows the value's own text. Texts are invariant: "." for decimals and ","
// between thousands.
class DisplayFormat {
public:
    static std::string Apply(const Value& value, std::string_view format);
    // True when the format is a number format (money columns align right).
    static bool IsNumeric(std::string_view format);
    // The format that shows a value of a result column whole: money with two decimals, an
    // exact decimal with every decimal of its scale, grouped; empty for other values.
    static std::string Natural(const Value& value);
};

} // namespace Talvex::Ui
