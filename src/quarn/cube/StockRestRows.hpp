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

// One good's stock movement in one month, at cost in the accounting currency: what came in,
// what went out (fixed out of its lots) and the rest left at the month's end.
struct StockMonthRow {
    std::string goodCode;
    Talvex::Date dateEnd; // the month's last day
    Talvex::Currency incomeAmount;
    Talvex::Currency incomeCost;
    Talvex::Currency restAmount;
    Talvex::Currency restCost;
    Talvex::Currency fixedAmount;
    Talvex::Currency fixedCost;
    std::int64_t monthDays = 0;
};

// A goods item or group of the goods tree and the group it stands in (empty at the root).
struct GoodsTreeNode {
    std::string code;
    std::string parent;
};

// The stock rest cube's rows: each good's months with the goods groups above it, one level
// per depth of the tree ("GoodCode1" the outermost group ... "GoodCodeN" the innermost one),
// so that a group on any level selects exactly its goods. A good standing higher in the tree
// than others repeats its innermost group on the deeper levels; a good outside any group
// stands for itself on every level. Months without rest and without movement are left out:
// a rest taken at the last month of a period then comes from the last month that had one.
class StockRestRows {
public:
    // Throws ValueError naming the good whose groups loop.
    StockRestRows(std::vector<StockMonthRow> rows, const std::vector<GoodsTreeNode>& tree);

    const std::vector<StockMonthRow>& Rows() const { return rows_; }
    // The number of group levels.
    std::size_t Levels() const { return levels_; }
    // The groups of a row's good, outermost first, padded to Levels().
    const std::vector<std::string>& PathOf(std::size_t row) const { return paths_.at(pathOf_.at(row)); }

    // The rows as the cube and its drill-down read them: "GoodCode1".."GoodCodeN",
    // "GoodCode", "DateEnd" and the facts named as the cube names them.
    std::shared_ptr<Talvex::Data::Recordset> ToRecordset() const;

private:
    std::vector<StockMonthRow> rows_;
    std::vector<std::vector<std::string>> paths_;
    std::vector<std::size_t> pathOf_;
    std::size_t levels_ = 0;
};

} // namespace Quarn_DuzAde
