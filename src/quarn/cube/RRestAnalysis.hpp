#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "quarn/cube/RSaleLookup.hpp"
#include "quarn/cube/StockRestRows.hpp"
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

// Stock rests and turnover by goods group and month: what came in and went out at cost, the
// rest at the end of each month (at a year or quarter: the rest at its last month, not a
// sum), the share of the available stock that went out and how many days the rest left
// would last at the pace it went out.
class RRestAnalysis : public Talvex::Object,
                      public IMainEntry,
                      public Talvex::ICubeForm2,
                      public std::enable_shared_from_this<RRestAnalysis> {
public:
    ~RRestAnalysis() override;

    // Takes the Book and the parameters and opens the cube window, which carries the report.
    void Main(Talvex::FieldList& inParams) override;
    // Main with the parameters given.
    void Test(Talvex::FieldList& inParams) { Main(inParams); }

    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnUserMenu(int index) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;

    // Keeps the parameters, takes the Book, adds the defaults (the current year, all goods)
    // and reads the goods' names. False without a Book.
    bool Prepare(Talvex::FieldList& inParams);
    // The goods' months of the period: the months that end in it or begin in it.
    std::shared_ptr<Talvex::DataList> CreateList() const;
    // Fetch: the months and the goods tree, then compute the rows with their groups.
    StockRestRows ReadRows() const;
    // Dimensions (levels groups deep) and facts, rests taken at the last month.
    static void DefineCube(Talvex::Cube::Engine& engine, std::size_t levels);
    std::string CubeCaption() const;
    std::string GoodText(const Talvex::Value& key) const;
    Talvex::FieldList& Params() { return *params_; }
    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }

private:
    Talvex::Date DateParam(const char* name) const;

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    RSaleLookup goods_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

} // namespace Quarn_DuzAde
