#pragma once

#include "host/types/Decimal.hpp"

#include "host/types/Currency.hpp"
#include "quarn/cube/CubeReport.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Talvex {
class DataList;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// The unit cost of the goods bought in a period, one cell per purchase row under its goods:
// the rows bought at the lowest cost price are shown green ("MinPrice"), those whose cost
// price is more than the tolerated percent above it pink ("BigPrice"). A buyer sees at a
// glance which purchases were made at a worse price. Opened from the purchases-above-price
// cube for the goods of its focused cell.
class RDiffCostPrice : public CubeReport, public IMainEntry {
public:
    RDiffCostPrice();

    // Needs "BegDate", "EndDate", "GoodCode" (empty for all goods), "Procent" and
    // "CalcMinCost"; "Book" or the host's Book. With "CalcMinCost" 0 the lowest cost price
    // is the one given as "MinCost" (computed from the rows when that is missing too). A
    // missing parameter is told with the single button "Gerai" and nothing opens.
    void Main(Talvex::FieldList& inParams) override;

    // Checks and keeps the parameters; false (and the message shown) when one is missing.
    bool Prepare(Talvex::FieldList& inParams);
    // The purchase rows of the period with a cost and a quantity, ordered by date and row.
    std::shared_ptr<Talvex::DataList> CreateSourceList() const;
    // "Good" over "Code"; CostSumm, AmountAccount and CostPriceCalc on an inactive engine.
    static void DefineCube(Talvex::Cube::Engine& engine);
    // The lowest cost price M: exact, and as the cube computes its cell (the cube's figures
    // are doubles), which is what the "MinPrice" condition must meet to the last bit.
    struct LowestPrice {
        Talvex::Decimal exact;
        double inCube = 0;
    };
    // The lowest CostSumm / AmountAccount of a row read, chosen by exact division; nothing
    // when no row has a quantity.
    static std::optional<LowestPrice> LowestCostPrice(const std::vector<Talvex::Decimal>& costSumm,
                                                      const std::vector<Talvex::Decimal>& amountAccount);
    // M x (1 + percent / 100), exact, rounded half to even to the currency's four decimals.
    static Talvex::Currency BigPriceThreshold(const Talvex::Decimal& minCost, Talvex::Currency percent);
    // The styles "MinPrice" and "BigPrice" (added when missing) and the conditions on
    // CostPriceCalc: equal to the lowest cost price, and above the threshold.
    static void MarkPrices(Talvex::Cube::Engine& engine, const LowestPrice& minCost, Talvex::Currency threshold);

    std::string CubeCaption() const;
    // The lowest cost price of the rows read, exact; nothing before a read or without quantities.
    std::optional<Talvex::Decimal> MinCost() const
    {
        return minCost_ ? std::optional<Talvex::Decimal>(minCost_->exact) : std::nullopt;
    }

private:
    // The rows read, the lowest cost price and the marks; "no rows" told with "Gerai".
    void Open(Talvex::CCube& cube) override;
    // The purchase documents of the cell with the row, goods, quantity and cost columns.
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;
    std::optional<LowestPrice> MinCostOfRows(Talvex::DataList& list) const;

    std::optional<LowestPrice> minCost_;
    std::shared_ptr<Talvex::DataList> list_;
};

} // namespace Quarn_DuzAde
