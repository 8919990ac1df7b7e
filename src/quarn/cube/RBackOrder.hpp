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

// The back orders: the lines of sales orders of a period that their invoices have not yet
// delivered in full by the period's end, by day, good, department and client, with the
// quantity ordered ("PAmount"), delivered ("FAmount"), still owed ("Amount") and the value
// of what is owed at the order's price in the accounting currency ("SummaAcc").
class RBackOrder : public Talvex::Object,
                   public IMainEntry,
                   public Talvex::ICubeForm2,
                   public std::enable_shared_from_this<RBackOrder> {
public:
    ~RBackOrder() override;

    // Takes the Book and the parameters and opens the cube window, which carries the report.
    void Main(Talvex::FieldList& params) override;

    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;
    void OnUserMenu(int index) override;

    // What Main does before the window opens: keeps the parameters, takes the Book, adds the
    // defaults ("DateBeg", "DateEnd") and reads the departments' names. False without a Book.
    bool Prepare(Talvex::FieldList& params);
    // The open order lines of the period: one row per order line still owed, with the
    // document columns for the drill-down.
    std::shared_ptr<Talvex::DataList> CreateList() const;
    void DefineCube(Talvex::Cube::Engine& engine) const;
    std::string CubeCaption() const;
    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }
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
