#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// Low-value assets (and fixed-asset objects) handed over to persons and held by them on a
// day: which holder, under the client tree, holds which item, how many, at what value.
class RLValAssState : public CubeReport, public IMainEntry {
public:
    RLValAssState();

    void Main(Talvex::FieldList& params) override;

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
    void Open(Talvex::CCube& cube) override;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;
    std::optional<std::string> MemberText(const std::string& dimName, const Talvex::Value& key) const override;

    int deptType_ = 0;
    std::string deptCode_;
    Talvex::Date stateDate_;
    bool hasChoice_ = false;
    std::map<std::string, std::string> names_;              // client code -> name
    std::map<std::string, std::vector<std::string>> paths_; // holder -> codes from the root down
    std::size_t levels_ = 1;
};

} // namespace Quarn_DuzAde
