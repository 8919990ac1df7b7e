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

// The back orders: the lines of sales orders of a period that their invoices have not yet
// delivered in full by the period's end, by day, good, department and client, with the
// quantity ordered ("PAmount"), delivered ("FAmount"), still owed ("Amount") and the value
// of what is owed at the order's price in the accounting currency ("SummaAcc").
class RBackOrder : public CubeReport, public IMainEntry {
public:
    RBackOrder();

    // Takes the Book and the parameters and opens the cube window, which carries the report.
    void Main(Talvex::FieldList& params) override;

    // What Main does before the window opens: keeps the parameters, takes the Book, adds the
    // defaults ("DateBeg", "DateEnd") and reads the departments' names. False without a Book.
    bool Prepare(Talvex::FieldList& params);
    // The open order lines of the period: one row per order line still owed, with the
    // document columns for the drill-down.
    std::shared_ptr<Talvex::DataList> CreateList() const;
    void DefineCube(Talvex::Cube::Engine& engine) const;
    std::string CubeCaption() const;

private:
    void Open(Talvex::CCube& cube) override;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;

    std::shared_ptr<Talvex::DataList> list_;
};

} // namespace Quarn_DuzAde
