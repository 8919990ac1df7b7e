#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/cube/RSaleLookup.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <optional>
#include <string>

namespace Talvex {
class DataList;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// Competitors' prices: the prices seen at competitors from dates within a period, in one
// currency, by our good, the competitor's price type and our price type it is compared with,
// the competitor (as our client, its region, its code) and the date; with the number of price
// records and their lowest, average and highest price.
class RCompetitorPrice : public CubeReport, public ReportExecBase {
public:
    RCompetitorPrice();

    // Prepares and, when visual, opens the cube window, which carries the report.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Keeps the parameters, takes the Book, adds the defaults ("BegPeriod", "EndPeriod",
    // "CurrencyCode") and reads the price types' names. False without a Book.
    bool Prepare(Talvex::FieldList& params);
    // One row per price record of the period and currency.
    std::shared_ptr<Talvex::DataList> CreateList() const;
    void DefineCube(Talvex::Cube::Engine& engine) const;
    std::string CubeCaption() const;

private:
    void Open(Talvex::CCube& cube) override;
    // Price records are no documents: the drill-down lists the cell's records with their price.
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;
    // "PriceType" members show "code:name".
    std::optional<std::string> MemberText(const std::string& dimName, const Talvex::Value& key) const override;

    RSaleLookup priceTypes_;
    std::shared_ptr<Talvex::DataList> list_;
};

} // namespace Quarn_DuzAde
