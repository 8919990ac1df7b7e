#pragma once

#include "host/types/Decimal.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace Talvex::Ui {
class Grid;
}

namespace Talvex::Web {

// How much one chart may show. A grid may hold a million rows; a chart shows at most
// `categories` of them (the largest, the rest summed as one "Other" category) and at most
// `series` series (the largest, the rest summed as one "Other" series). A tab asking for
// more than the maxima, or for less than one category beside "Other", is refused.
struct ChartLimits {
    static constexpr std::size_t kMinCategories = 2;
    static constexpr std::size_t kMaxCategories = 100;
    static constexpr std::size_t kMaxSeries = 24;
    // A series' name is its column members and fact; at most this many of the innermost.
    static constexpr std::size_t kMaxNameDepth = 4;
    std::size_t categories = 30;
    std::size_t series = 12;
};

// The chart of a grid as it stands: every visible row with the grid's filters, sorting and
// (for a cube) its layout applied. Categories are the rows in the grid's order, named by
// their innermost text; series the shown number columns. Subtotal and grand-total rows are
// left out (a cube's by their kind, a plain grid's as its bold rows among plain ones), and a
// cube's total columns when any member column shows. Sums are exact.
struct GridChart {
    struct Series {
        std::string name;
        std::string column; // the grid column's name; empty for "Other"
        std::string format; // the column's display format, for the total
        std::vector<std::optional<Decimal>> values; // by category; nothing for an empty cell
        Decimal total;                              // over every charted row
    };
    std::vector<std::string> categories;
    std::vector<Series> series;
    std::size_t rows = 0;        // rows charted
    std::size_t otherRows = 0;   // of them, summed into the last category
    std::size_t otherSeries = 0; // columns summed into the last series
};

extern const char* const kOtherCategory;

// Throws ValueError naming the limit when `limits` asks beyond the maxima.
void CheckChartLimits(const ChartLimits& limits);

GridChart ChartOfGrid(const Ui::Grid& grid, const ChartLimits& limits);

} // namespace Talvex::Web
