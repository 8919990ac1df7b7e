#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <map>
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

// Low-value assets (and fixed-asset objects) handed over to persons and held by them on a
// day: which holder, under the client tree, holds which item, how many, at what value.
class RLValAssState : public Talvex::Object,
                      public IMainEntry,
                      public Talvex::ICubeForm2,
                      public std::enable_shared_from_this<RLValAssState> {
public:
    RLValAssState() = default;
    ~RLValAssState() override;

    void Main(Talvex::FieldList& params) override;

    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnUserMenu(int index) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;
    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }

    // The choices of the form: a department (empty: all), whether it stands for everything
    // under it (1) or itself alone (0), and the day the holdings are shown for.
    void SetBook(std::shared_ptr<Talvex::Book> book) { book_ = std::move(book); }
    void SetChoice(int deptType, std::string deptCode, Talvex::Date stateDate);

    // Reads the client tree and the holders' places in it: the number of holder levels.
    std::size_t ReadHolderTree();
    // The rows: every item issued up to the day and not returned by then, with the holder's
    // tree levels "ClntCode1".."ClntCode<n>" (the last is the holder).
    std::shared_ptr<Talvex::DataList> CreateList(bool forDrillDown) const;
    void DefineCube(Talvex::Cube::Engine& engine) const;
    // "CODE [name]" of a client or client group.
    std::string HolderText(const std::string& code) const;
    std::size_t HolderLevels() const { return levels_; }

private:
    void OpenDrillDown(const Talvex::Cube::GridCell* cell);

    std::shared_ptr<Talvex::Book> book_;
    int deptType_ = 0;
    std::string deptCode_;
    Talvex::Date stateDate_;
    bool hasChoice_ = false;
    std::map<std::string, std::string> names_;              // client code -> name
    std::map<std::string, std::vector<std::string>> paths_; // holder -> codes from the root down
    std::size_t levels_ = 1;
    std::shared_ptr<Talvex::DataList> drillList_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

} // namespace Quarn_DuzAde
