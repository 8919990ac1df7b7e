#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "quarn/cube/RSaleLookup.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class CCube;
namespace Data {
class Recordset;
}
namespace Cube {
class Dimension;
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

class COLAPCubeExt2;

// Sales and the costs the company's allocation procedure spreads over them, by goods and
// month: sales sum, cost of sales, direct, production and general costs, the total cost,
// the profit, and the profit after general costs with its share of the sales.
class RAllocateCostByDept : public Talvex::Object,
                            public IMainEntry,
                            public Talvex::ICubeForm2,
                            public std::enable_shared_from_this<RAllocateCostByDept> {
public:
    RAllocateCostByDept() = default;
    ~RAllocateCostByDept() override;

    // Takes "Book" (or the host's current Book) and opens the cube window.
    void Main(Talvex::FieldList& inParams) override;

    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnUserMenu(int index) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;
    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }

    // The parameters the form fills: "BegDate", "EndDate", "MFCostCenter", "AccSetCode".
    Talvex::FieldList& Params() { return params_; }
    void SetBook(std::shared_ptr<Talvex::Book> book) { book_ = std::move(book); }

    // "sp_" + the company's code + "$CostAnltDistrib" with a placeholder per parameter.
    std::string CommandText() const;
    // Runs the company's procedure through the database command service; null when it
    // failed (the service reported it).
    std::shared_ptr<Talvex::Data::Recordset> RunProcedure();
    // The columns of the procedure's rows with their types and captions.
    static std::shared_ptr<Talvex::FieldList> RowAttributes();
    // Dimensions and facts on an inactive engine.
    static void DefineCube(Talvex::Cube::Engine& engine);
    // "CODE: name" of a goods member.
    std::string GoodText(const Talvex::Value& key) const;

private:
    Talvex::FieldList params_;
    std::shared_ptr<Talvex::Book> book_;
    RSaleLookup goods_;
    bool goodsLoaded_ = false;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

} // namespace Quarn_DuzAde
