#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/cube/FloorPrices.hpp"
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

// Sales below the lowest price: the lines of posted sales invoices of a period sold at a unit
// price (without VAT) below the good's price of the chosen floor price type ("PriceTypeCode")
// in effect on the sale's day, in the sale's currency and the good's accounting unit, by month,
// department, the person who wrote the invoice and the client, with their sum without VAT in
// the accounting currency.
class RSaleInfimumPrice : public CubeReport, public IMainEntry {
public:
    RSaleInfimumPrice();

    // Takes the Book and the parameters and opens the cube window, which carries the report.
    void Main(Talvex::FieldList& params) override;

    // Keeps the parameters, takes the Book, adds the period's defaults and an empty floor
    // type, reads the departments' names. False without a Book.
    bool Prepare(Talvex::FieldList& params);
    // The lines sold below the floor, with their unit price and the floor for the drill-down.
    // Reads the floor type's prices into a table of the session first; throws ValueError
    // naming "PriceTypeCode" when no type is chosen.
    std::shared_ptr<Talvex::DataList> CreateList();
    // The list read as the window reads it: the floors first, then the halves of the period
    // at once.
    std::shared_ptr<Talvex::DataList> ReadList();
    void DefineCube(Talvex::Cube::Engine& engine) const;
    std::string CubeCaption() const;

private:
    void Open(Talvex::CCube& cube) override;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;

    // The floor type's prices into the session's table; ValueError when no type is chosen.
    void ReadFloors();
    // The lines below the floors read last.
    std::shared_ptr<Talvex::DataList> ListBelowFloors() const;

    FloorPrices floors_;
    std::shared_ptr<Talvex::DataList> list_;
};

} // namespace Quarn_DuzAde
