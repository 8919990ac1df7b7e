#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {
struct DebtOfClientsSourceRow;
}

namespace Talvex::Web {

// Open debt by the age of its documents on a day: up to 30 days, 31 to 60, 61 to 90 and
// older. Debt dated after the day counts in the first band.
struct DebtBands {
    Currency bands[4];
};
DebtBands AgeBands(const std::vector<Quarn_DuzAde::DebtOfClientsSourceRow>& rows, Date today);

// The period a debt tile covers: the twelve whole months up to the month of today.
struct TilePeriod {
    Date begDate;
    Date endDate;
};
TilePeriod DebtTilePeriod(Date today);

// The start page after signing in, as one JSON message ({"t":"start", ...}): receivables and
// payables at a glance, each from the client-debt report's own fetch and compute, over the
// Book's "today". Runs on the session's host thread.
std::string StartPageJson(const std::shared_ptr<Book>& book);

// Opens the report behind a tile with the tile's parameters: they are saved as the user's
// parameters of that report, which the report loads as it opens. Gives the class to run;
// throws ValueError for a tile that opens nothing.
std::string PrepareTileReport(Book& book, std::string_view tile);

} // namespace Talvex::Web
