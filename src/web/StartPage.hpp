#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Talvex {
class Book;
}
namespace Quarn_DuzAde {
struct CashFlowParams;
}

namespace Talvex::Web {

// One open term: when it falls due and what is still open on it.
struct DueTerm {
    Date due;
    Currency open;
};
// Open debt by how long it is overdue on a day: not yet due (due that day or later), 1 to
// 30 days, 31 to 60, 61 to 90 and more.
inline constexpr int kDebtBandCount = 5;
struct DebtBands {
    Currency bands[kDebtBandCount];
};
DebtBands OverdueBands(const std::vector<DueTerm>& terms, Date today);

// The period a debt tile covers: the twelve whole months up to the month of today.
struct TilePeriod {
    Date begDate;
    Date endDate;
};
TilePeriod DebtTilePeriod(Date today);

// The cash tile's cash-flow cube: this month up to the payment day of today, the company's
// budget and cash accounts, the actual rest.
Quarn_DuzAde::CashFlowParams CashTileParams(Book& book);

// The sales tile's months: this month up to today, and the same days of the month a year
// before (to its last day when the month is shorter).
struct SalesMonths {
    Date thisBeg;
    Date thisEnd;
    Date lastBeg;
    Date lastEnd;
};
SalesMonths SalesTileMonths(Date today);

// The start page after signing in, as one JSON message ({"t":"start", ...}) over the Book's
// "today": receivables and payables, each from the client-debt report's own fetch and
// compute; the cash position from the cash-flow cube's own fetch and compute; this month's sales
// against the same month a year before from the sales cube's own list. Runs on the
// session's host thread.
std::string StartPageJson(const std::shared_ptr<Book>& book);

// The report behind a tile with the tile's parameters: saved as the user's parameters of a
// report that loads them as it opens, or given to the report as it starts. Throws
// ValueError for a tile that opens nothing.
struct TileReport {
    std::string className;
    std::vector<std::pair<std::string, Date>> params;
};
TileReport PrepareTileReport(Book& book, std::string_view tile);

} // namespace Talvex::Web
