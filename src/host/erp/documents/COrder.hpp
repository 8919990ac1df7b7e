#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Value.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
}

namespace Talvex::Erp {

// The fact cost of one goods row of a manufacturing order: what went into it.
struct FactCostRow {
    std::int64_t IDC = 0; // the order's goods row (THGoodSpec.IDC)
    Currency Summa;       // its fact cost, in cents
};

// The manufacturing order object of the sibling library Quarn_Manufacture ("COrder"): an
// order "MO" with its material issues ("MOS"), its work ("MMW") and the materials of that work
// ("MNM", under the work). The order's fact cost is what its posted documents carry as cost;
// it is spread over the order's goods rows in proportion to their planned cost (by quantity
// when nothing was planned), the last row taking the cents rounding leaves, so that the rows
// always add up to the order's total.
class COrder : public Object {
public:
    explicit COrder(std::shared_ptr<Book> book);

    // Loads the order; false when no order "MO" has the IDC.
    bool Init(std::int64_t orderIdc);
    std::int64_t OrderIDC() const { return orderIdc_; }

    // The fact cost of every goods row of the order, in position order, and the order's total.
    // Read anew on every call, inside the caller's unit of work.
    std::vector<FactCostRow> FactCost(Currency& total) const;

    // Stores the fact cost on the order: each goods row's cost sum and sum (its price the cost
    // per unit to four decimals), the header's sum the total. Writes only what differs and
    // returns how many rows it changed; runs in a unit of work inside the caller's.
    int WriteFactCost();

private:
    std::shared_ptr<Book> book_;
    std::int64_t orderIdc_ = 0;
};

// The finished-goods document object of Quarn_Manufacture ("CFinishGood"): a document "MNFC"
// linked to its order in THDocumentMO. Its rows are valued at the fact cost stored on the
// order's row of the same goods, in proportion to the quantities.
class CFinishGood : public Object {
public:
    explicit CFinishGood(std::shared_ptr<Book> book);

    // Loads the document and finds its order; false when it is no finished-goods document of
    // an order.
    bool Init(std::int64_t documentIdc);
    std::int64_t OrderIDC() const { return orderIdc_; }
    // Finished goods of an order costed by norm price keep the norm.
    bool IsCostByNormPrice() const { return byNormPrice_; }

    // Sets each row's cost sum, sum and price from the order's stored fact cost, and the
    // header's sum from its rows; a row whose goods the order lacks stays as it is. Nothing
    // for an order costed by norm price. Returns how many rows changed; one unit of work
    // inside the caller's.
    int SetPriceByFact();

private:
    std::shared_ptr<Book> book_;
    std::int64_t documentIdc_ = 0;
    std::int64_t orderIdc_ = 0;
    bool byNormPrice_ = false;
};

// The cost of a finished-goods row of `finishedAmount` units from the order row of the same
// goods: the order row's fact cost for its amount, in proportion, to the cent. An order row
// without amount gives its whole cost.
[[nodiscard]] Currency FinishedRowCost(Currency orderRowCost, Currency orderRowAmount, Currency finishedAmount);

// The price a row shows for its cost: cost per unit to four decimals, 0 without amount.
[[nodiscard]] Currency UnitPriceOfCost(Currency cost, Currency amount);

} // namespace Talvex::Erp
