#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "quarn/cube/PriceListFolders.hpp"
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

// Sales against competitors: the sales (invoices, returns with the sign -1) of goods that
// competitors offer too, each line once per competitor's article of its good, by price-list
// folder, period, the competitor's article, the competitor, the buyer and the department,
// with the quantity, the sum without VAT in the accounting currency and the price.
// "IsAnalogue" = 1 also takes the competitors' analogues, else only their same goods.
class RSaleCompetitor : public Talvex::Object,
                        public IMainEntry,
                        public Talvex::ICubeForm2,
                        public std::enable_shared_from_this<RSaleCompetitor> {
public:
    ~RSaleCompetitor() override;

    void Main(Talvex::FieldList& params) override;
    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;

    // Keeps the parameters, takes the Book, adds the defaults and reads the folders and the
    // departments' names. False without a Book.
    bool Prepare(Talvex::FieldList& params);
    std::shared_ptr<Talvex::DataList> CreateList() const;
    virtual void DefineCube(Talvex::Cube::Engine& engine) const;
    const std::vector<std::string>& FolderLevels() const { return folders_.Levels(); }
    Talvex::FieldList& Params() { return *params_; }

protected:
    virtual const char* ClassName() const { return "RSaleCompetitor"; }
    virtual const char* ParamFormName() const { return "fCubeSaleComp"; }
    virtual long FrameText() const;
    // The dimensions both competitor cubes share, in order, and the first layout.
    void DefineDims(Talvex::Cube::Engine& engine) const;
    void Layout(Talvex::Cube::Engine& engine) const;

private:
    Talvex::Date DateParam(const char* name) const;
    bool FlagParam(const char* name) const;

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    PriceListFolders folders_;
    RSaleLookup departments_;
    std::shared_ptr<Talvex::DataList> list_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

// Profit against competitors: the same lines with their cost, profit and profit percentage.
class RProfitByCompetitor : public RSaleCompetitor {
public:
    void DefineCube(Talvex::Cube::Engine& engine) const override;

protected:
    const char* ClassName() const override { return "RProfitByCompetitor"; }
    const char* ParamFormName() const override { return "fCubeProfitByComp"; }
    long FrameText() const override;
};

} // namespace Quarn_DuzAde
