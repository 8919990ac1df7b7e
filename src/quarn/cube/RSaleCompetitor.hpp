#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/cube/PriceListFolders.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class DataList;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// Sales against competitors: the sales (invoices, returns with the sign -1) of goods that
// competitors offer too, each line once per competitor's article of its good, by price-list
// folder, period, the competitor's article, the competitor, the buyer and the department,
// with the quantity, the sum without VAT in the accounting currency and the price.
// "IsAnalogue" = 1 also takes the competitors' analogues, else only their same goods.
class RSaleCompetitor : public CubeReport, public IMainEntry {
public:
    RSaleCompetitor();

    // Takes the Book and the parameters and opens the cube window, which carries the report.
    void Main(Talvex::FieldList& params) override;

    // Keeps the parameters, takes the Book, adds the defaults and reads the folders and the
    // departments' names. False without a Book.
    bool Prepare(Talvex::FieldList& params);
    // The sales lines, one per competitor's article of their good, with the document
    // columns for the drill-down.
    std::shared_ptr<Talvex::DataList> CreateList() const;
    // The list read as the window reads it: the halves of the period at once.
    std::shared_ptr<Talvex::DataList> ReadList();
    virtual void DefineCube(Talvex::Cube::Engine& engine) const;
    std::string CubeCaption() const;
    const std::vector<std::string>& FolderLevels() const { return folders_.Levels(); }

protected:
    RSaleCompetitor(long titleText, const char* className, const char* paramFormName);

    // The dimensions both competitor cubes share, in order, and the first layout.
    void DefineDims(Talvex::Cube::Engine& engine) const;
    void Layout(Talvex::Cube::Engine& engine) const;

private:
    void Open(Talvex::CCube& cube) override;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;

    const char* className_;
    const char* paramFormName_;
    PriceListFolders folders_;
    std::shared_ptr<Talvex::DataList> list_;
};

// Profit against competitors: the same lines with their cost, profit and profit percentage.
class RProfitByCompetitor : public RSaleCompetitor {
public:
    RProfitByCompetitor();

    void DefineCube(Talvex::Cube::Engine& engine) const override;
};

} // namespace Quarn_DuzAde
