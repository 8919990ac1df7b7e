#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Talvex::Data {
class Recordset;
}

namespace Quarn_DuzAde {

// One goods row of a posted purchase invoice as the purchases-above-price cube reads it:
// the invoice, the row, the department, the person who wrote the invoice, the supplier, the
// goods in their accounting unit, the accounting quantity and the stock value.
struct PurchaseLineRow {
    std::int64_t idc = 0;
    std::string docTypeCode;
    std::string number;
    Talvex::Date documentDate;
    std::int64_t posNumb = 0;
    std::string department;
    std::string person;
    std::string client;
    std::string goodCode;
    std::string goodName;
    std::string unitCode;
    Talvex::Currency amountAccount;
    Talvex::Currency costSumm;
};

// Where a row's unit cost stands against the lowest unit cost of its goods in the period.
enum class PriceMark { Lowest = 1, WithinTolerance = 2, AboveTolerance = 3 };

// A purchase row set against the cheapest purchase of the same goods.
struct PurchasePriceRow {
    PurchaseLineRow line;
    // The lowest unit cost of the goods, to four decimals (display only).
    Talvex::Currency minPrice;
    // What the row's quantity would have cost at the lowest unit cost, to four decimals;
    // equal to the row's own value for the cheapest row.
    Talvex::Currency minSumma;
    PriceMark mark = PriceMark::Lowest;
};

// Sets every purchase row against the lowest unit cost (value over accounting quantity) its
// goods were bought at among the rows given, and marks the rows dearer than that by more
// than the tolerated percent. Prices are compared as exact fractions, so two rows whose
// unit costs differ only beyond the fourth decimal are not taken for equal.
class PurchasePriceMarks {
public:
    // Throws ValueError when a row has no quantity or the percent is negative.
    PurchasePriceMarks(const std::vector<PurchaseLineRow>& rows, Talvex::Currency tolerancePercent);

    const std::vector<PurchasePriceRow>& Rows() const { return rows_; }
    Talvex::Currency TolerancePercent() const { return tolerance_; }

    // The rows as the cube and its drill-down read them: the row's columns, "Code" (goods
    // code), "Good" (name and unit), "Ind" (the mark's text), "AmountAccount", "CostSumm",
    // "MinSumma" and "MinPrice". markTexts gives the texts of Lowest, WithinTolerance and
    // AboveTolerance in that order.
    std::shared_ptr<Talvex::Data::Recordset> ToRecordset(const std::vector<std::string>& markTexts) const;

private:
    std::vector<PurchasePriceRow> rows_;
    Talvex::Currency tolerance_;
};

} // namespace Quarn_DuzAde
