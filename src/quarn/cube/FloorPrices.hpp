#pragma once

#include "quarn/cube/SessionTable.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
}

namespace Quarn_DuzAde {

// The prices of one price type as spans of days, read once into a table of the session
// ("#FloorPrices3": "GoodCode", "CurrencyCode", "DateApply", "DateNext", "Price"): each price
// of a good's accounting unit in a currency holds from its "DateApply" up to the day before
// the next price's ("DateNext", null for the latest). A sales line meets the price in effect
// on its day by one equality on the good and the currency and a range on its date, instead
// of a search for the latest price per line.
class FloorPrices {
public:
    // Reads the prices of the type again (dropping the table read before).
    void Read(const std::shared_ptr<Talvex::Book>& book, const std::string& priceTypeCode);
    // The table's name; empty before the first Read.
    const std::string& Table() const { return table_.Name(); }
    // The join condition of a line under the alias of the table, its good, currency and date.
    std::string InEffect(const std::string& alias, const std::string& goodCode, const std::string& currencyCode,
                         const std::string& date) const;

private:
    SessionTable table_;
};

} // namespace Quarn_DuzAde
