#pragma once

#include "host/types/Currency.hpp"

#include <cstdint>
#include <vector>

namespace Quarn_DuzAde {

// One goods row of a manufacturing document as the cost check lists it: an order "MO" row, or
// a finished-goods "MNFC" row with its order and the order's row of the same goods.
struct ManufacturingRow {
    std::int64_t IDC = 0; // the document
    bool isFinishedGoods = false;
    std::int64_t gsIDC = 0;         // the goods row
    std::int64_t MOIDC = 0;         // the order the document belongs to
    std::int64_t GSMOIDC = 0;       // finished goods: the order's row of the same goods, 0 when none
    Talvex::Currency amountAccount; // the row's quantity in accounting units
    Talvex::Currency DocOldFSum;    // the document's cost as stored
    Talvex::Currency RowNewSumm;    // the row's recalculated cost
    Talvex::Currency DocNewFSum;    // the document's recalculated cost
    bool recalculated = false;      // the row got its figures from its order's fact cost
};

// The fact cost of one row of an order, as the order object gives it.
struct OrderRowFact {
    std::int64_t gsIDC = 0;
    Talvex::Currency summa;
};

// Gives the rows of one order, and of its finished goods, their recalculated costs: an order
// row its fact cost to the cent and the order's total (to the cent) as the document's; a
// finished-goods row the share of its order row's fact cost its quantity takes, and its
// document the sum of its rows. Rows of other orders stay as they are.
void ApplyOrderFactCost(std::vector<ManufacturingRow>& rows, std::int64_t orderIdc,
                        const std::vector<OrderRowFact>& facts, Talvex::Currency orderTotal);

// The documents of the rows whose recalculated cost differs from the stored one, each once,
// in the order of the rows: what writing the manufacturing sums must write.
std::vector<std::int64_t> ChangedDocuments(const std::vector<ManufacturingRow>& rows, bool finishedGoods);

// The cost a return row should carry: the source row's cost per unit times the returned
// quantity, to the cent; 0 when the source row has no quantity.
[[nodiscard]] Talvex::Currency ReturnRowCost(Talvex::Currency sourceCost, Talvex::Currency sourceAmount,
                                             Talvex::Currency listedAmount);

} // namespace Quarn_DuzAde
