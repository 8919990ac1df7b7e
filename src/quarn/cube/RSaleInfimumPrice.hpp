#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "quarn/cube/RSaleLookup.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class CCube;
class DataList;
namespace Cube {
class Dimension;
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

class COLAPCubeExt2;

// Sales below the lowest price: the lines of posted sales invoices of a period sold at a unit
// price (without VAT) below the good's price of the chosen floor price type ("PriceTypeCode")
// in effect on the sale's day, in the sale's currency and the good's accounting unit, by month,
// department, the person who wrote the invoice and the client, with their sum without VAT in
// the accounting currency.
class RSaleInfimumPrice : public Talvex::Object,
                          public IMainEntry,
                          public Talvex::ICubeForm2,
                          public std::enable_shared_from_this<RSaleInfimumPrice> {
public:
    ~RSaleInfimumPrice() override;

    void Main(Talvex::FieldList& params) override;
    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;

    // Keeps the parameters, takes the Book, adds the period's defaults. False without a Book.
    bool Prepare(Talvex::FieldList& params);
    // The lines sold below the floor, with their unit price and the floor for the drill-down.
    std::shared_ptr<Talvex::DataList> CreateList() const;
    void DefineCube(Talvex::Cube::Engine& engine) const;
    Talvex::FieldList& Params() { return *params_; }

private:
    Talvex::Date DateParam(const char* name) const;

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    RSaleLookup departments_;
    std::shared_ptr<Talvex::DataList> list_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

} // namespace Quarn_DuzAde
