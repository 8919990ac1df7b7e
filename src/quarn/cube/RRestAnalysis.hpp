#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/cube/StockRestRows.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>

namespace Talvex {
class DataList;
namespace Cube {
class Engine;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// Stock rests and turnover by goods group and month: what came in and went out at cost, the
// rest at the end of each month (at a year or quarter: the rest at its last month, not a
// sum), the share of the available stock that went out and how many days the rest left
// would last at the pace it went out.
class RRestAnalysis : public CubeReport, public IMainEntry {
public:
    RRestAnalysis();

    // Takes the Book and the parameters and opens the cube window, which carries the report.
    void Main(Talvex::FieldList& inParams) override;
    // Main with the parameters given.
    void Test(Talvex::FieldList& inParams) { Main(inParams); }

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

private:
    void Open(Talvex::CCube& cube) override;
    std::optional<std::string> MemberText(const std::string& dimName, const Talvex::Value& key) const override;

    RSaleLookup goods_;
};

} // namespace Quarn_DuzAde
