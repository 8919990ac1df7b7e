#pragma once

#include "quarn/debt/OverdueBands.hpp"

#include <string>
#include <vector>

namespace Talvex::Ui {
class Form;
}

namespace Quarn_DuzAde {

// The user's own overdue-interval grid on a report's form: "Days", "IsPayBefore" (when the
// form keeps it) and "DaysOrder", one row a bound. A bound that would make the bands
// overlap or leave a gap is refused at its cell; a new row goes last.
class OverdueIntervalGrid {
public:
    static void AddTo(Talvex::Ui::Form& form, const std::string& gridName, bool withPayBefore);
    // The rows in DaysOrder order; throws ValueError naming the grid, the column and the
    // row when a row has no bound or the bounds cannot make bands.
    static std::vector<OverdueInterval> Read(const Talvex::Ui::Form& form, const std::string& gridName);
    static void Show(Talvex::Ui::Form& form, const std::string& gridName,
                     const std::vector<OverdueInterval>& intervals);

    // The text an interval list is saved as ("30:0;60:0;90:1") and read back from.
    static std::string ToText(const std::vector<OverdueInterval>& intervals);
    static std::vector<OverdueInterval> Parse(const std::string& text);
};

} // namespace Quarn_DuzAde
