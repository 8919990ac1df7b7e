#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/AnalytHierarchy.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "quarn/cube/CashFlowRows.hpp"
#include "quarn/cube/RSaleLookup.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <optional>
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

// What the cash-flow cube is asked for: the period, the flow-kind analytic type, the budget
// account set and account, the cash account and which running rests to show.
struct CashFlowParams {
    Talvex::Date begDate;
    Talvex::Date endDate;
    std::string flowKindAnlt;
    std::string accSetBudget;
    std::string accBudget;
    std::string acc;
    bool planRest = false;
    bool sfRest = false;
    bool factRest = false;
    bool RestsWanted() const { return planRest || sfRest || factRest; }
};

// The cash-flow planning cube: per cash-flow kind (on every level of its tree) and party,
// on payment days, the opening debts, the budgeted flows, the debts and plans becoming due,
// the planned cash payments and the actual payments, in the accounting currency, with the
// deviation of the actual flow from the planned one and, on request, the running rests.
class RCashFlow : public Talvex::Object,
                  public ReportExecBase,
                  public IMainEntry,
                  public Talvex::ICubeForm2,
                  public std::enable_shared_from_this<RCashFlow> {
public:
    static constexpr const char* kSettingsKey = "fCubeCashFlow";

    RCashFlow() = default;
    ~RCashFlow() override;

    void Main(Talvex::FieldList& params) override;
    // Opens the cube as Main does (the host's and the command line's runs); no result list.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
    // A fixed run without the form: the Book of the parameter, account set "SRS", account
    // "BSP", analytic type "27", 1 to 30 November 2005.
    void Test(Talvex::FieldList& parm);

    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnUserMenu(int index) override;
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;
    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }

    // Takes the Book (the parameter "Book", else the current one) and builds the look-ups.
    bool Prepare(Talvex::FieldList& params);

    // Fetch: the cube's list (the six parts united, converted and dated on payment days).
    std::shared_ptr<Talvex::DataList> CreateCashFlowList(const CashFlowParams& params) const;
    // Fetch and compute: the rows of the list, with the cash account's opening rest of the
    // postings that carry no flow kind, and the running rests when asked for.
    CashFlowRows ReadRows(const CashFlowParams& params) const;
    // Reads and computes the cube's data over a Book, the way the report does (for the start
    // page and the tests).
    static CashFlowRows Compute(const std::shared_ptr<Talvex::Book>& book, const CashFlowParams& params);
    // The choices of a user who never chose: the first budget set, its first account with an
    // analytic, that account's first analytic type, and the smallest account of the books
    // holding every account kept by that type (the bank and cash group).
    static CashFlowParams DefaultParams(Talvex::Book& book);

    // Dimensions, facts and the first layout on an inactive engine.
    void DefineCube(Talvex::Cube::Engine& engine, const CashFlowParams& params) const;
    std::string CubeCaption(const CashFlowParams& params) const;
    std::string DimMappingText(const std::string& dimName, const Talvex::Value& key) const;

    const CashFlowParams& Params() const { return params_; }
    int LevelCount() const { return hierarchy_.LevelCount(); }
    // The flow-kind tree the cube's levels come from (read when the cube opens).
    Talvex::AnalytHierarchy& Hierarchy() { return hierarchy_; }

private:
    void OpenCube(Talvex::CCube& cube);
    void OpenDrillDown(const Talvex::Cube::GridCell* cell);
    std::shared_ptr<Talvex::FieldList> FieldsAttr() const;

    std::shared_ptr<Talvex::Book> book_;
    std::shared_ptr<Talvex::FieldList> given_ = std::make_shared<Talvex::FieldList>();
    CashFlowParams params_;
    bool skipForm_ = false;
    RSaleLookup parties_;
    RSaleLookup flowKinds_;
    Talvex::AnalytHierarchy hierarchy_;
    std::optional<CashFlowRows> rows_;
    std::shared_ptr<Talvex::Data::Recordset> data_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

} // namespace Quarn_DuzAde
