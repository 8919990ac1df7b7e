#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Decimal.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/sales/GoodTurnover.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Goods turnover: per good, for a period, the stock at its start, what came in, what went out
// and the stock at its end, at cost, with the days the average stock lasts at the period's
// pace (turnover days) and the times it turned; subtotals per goods group and a total. Shown
// in a list window; a double click on a good lists the documents of its movements.
class CRepGoodTurnAnalysis : public Talvex::Object, public IMainEntry {
public:
    // "DateBeg", "DateEnd", "GoodCode" (a good or a node of the goods tree; empty: all) and
    // "Consigned" (1: the consignment lots count too) pre-fill the form.
    void Main(Talvex::FieldList& params) override;

    struct Params {
        Talvex::Date dateBeg;
        Talvex::Date dateEnd;
        std::string goodCode;
        bool consigned = false;
    };

    // One document behind a good's movement: a lot that came in within the period, or what an
    // outgoing row dated within it took from a lot, valued at that lot's unit cost.
    struct Movement {
        bool incoming = true;
        std::int64_t docId = 0;
        std::string docTypeCode;
        std::string number;
        Talvex::Date documentDate;
        Talvex::Decimal amount;
        Talvex::Currency value;
    };

    // Fetch: the lots of the chosen goods dated up to the period's end, with their rests at
    // its start and end.
    static std::vector<GoodTurnLot> FetchLots(const std::shared_ptr<Talvex::Book>& book, const Params& params);
    // Fetch for the drill-down: a good's movements in the period, by date.
    static std::vector<Movement> FetchMovements(const std::shared_ptr<Talvex::Book>& book, const Params& params,
                                                const std::string& goodCode);
};

} // namespace Quarn_DuzAde
