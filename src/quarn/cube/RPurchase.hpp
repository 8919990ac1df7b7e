#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>

namespace Talvex {
class DataList;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// The purchases cube: the goods rows of posted purchase invoices of a period by supplier
// (under its generic client), department, buyer (the invoice's author) and month, with the
// quantity, the purchase value in the accounting currency, the lowest and highest unit
// price and the average price, and the invoices behind any cell.
class RPurchase : public CubeReport, public ReportExecBase {
public:
    RPurchase();

    // Prepares the report and opens the cube window, which carries it from then on; no
    // result list, so always false.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Keeps the parameters, takes the Book, adds the defaults and reads the department
    // names. False (nothing done) when no Book is given.
    bool Prepare(Talvex::FieldList& inParams);

    // The purchase rows of the period: for the cube (quantity and value summed, lowest and
    // highest unit price over every other column, no document columns) or, for the
    // drill-down, one row per goods row with the invoice's columns.
    std::shared_ptr<Talvex::DataList> CreatePurchaseList(bool forDrillDown) const;

    // Dimensions, facts and the first layout on an inactive engine.
    static void DefineCube(Talvex::Cube::Engine& engine);
    // The window caption: the goods node or good, if any, and the period.
    std::string CubeCaption() const;

private:
    void Open(Talvex::CCube& cube) override;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;
};

} // namespace Quarn_DuzAde
