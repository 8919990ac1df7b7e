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

// The purchases cube: the goods rows of posted purchase invoices of a period by supplier
// (under its generic client), department, buyer (the invoice's author) and month, with the
// quantity, the purchase value in the accounting currency, the lowest and highest unit
// price and the average price, and the invoices behind any cell.
class RPurchase : public Talvex::Object,
                  public ReportExecBase,
                  public Talvex::ICubeForm2,
                  public std::enable_shared_from_this<RPurchase> {
public:
    RPurchase() = default;
    ~RPurchase() override;

    // Prepares the report and opens the cube window, which carries it from then on; no
    // result list, so always false.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnUserMenu(int index) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;
    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }

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
    // The display text of a "Department" member: code and name.
    std::string DimMappingText(const std::string& dimName, const Talvex::Value& key) const;

    Talvex::FieldList& Params() { return *params_; }

private:
    Talvex::Date DateParam(const char* name) const;
    std::string TextParam(const char* name) const;
    bool FlagParam(const char* name) const;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell);

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    RSaleLookup departments_;
    std::shared_ptr<Talvex::DataList> drillList_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

} // namespace Quarn_DuzAde
