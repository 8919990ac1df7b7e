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

// Competitors' prices: the prices seen at competitors from dates within a period, in one
// currency, by our good, the competitor's price type and our price type it is compared with,
// the competitor (as our client, its region, its code) and the date; with the number of price
// records and their lowest, average and highest price.
class RCompetitorPrice : public Talvex::Object,
                         public ReportExecBase,
                         public Talvex::ICubeForm2,
                         public std::enable_shared_from_this<RCompetitorPrice> {
public:
    ~RCompetitorPrice() override;

    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;

    // Keeps the parameters, takes the Book, adds the defaults ("BegPeriod", "EndPeriod",
    // "CurrencyCode"). False without a Book.
    bool Prepare(Talvex::FieldList& params);
    // One row per price record of the period and currency.
    std::shared_ptr<Talvex::DataList> CreateList() const;
    void DefineCube(Talvex::Cube::Engine& engine) const;
    std::string CubeCaption() const;
    Talvex::FieldList& Params() { return *params_; }

private:
    Talvex::Date DateParam(const char* name) const;

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    RSaleLookup priceTypes_;
    std::shared_ptr<Talvex::DataList> list_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

} // namespace Quarn_DuzAde
