#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "quarn/cube/PendingFlowRows.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class CCube;
namespace Cube {
class Dimension;
class Engine;
class GridCell;
} // namespace Cube
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

class COLAPCubeExt2;

// What the expected cash-flow cube is asked for.
struct PendingCashFlowParams {
    Talvex::Date dateBeg;   // terms due from this day on
    long direction = 0;     // 0 both, 1 what we owe (money out), 2 what is owed to us (money in)
    std::string marketGroup; // clients of this market group only; empty: every client
    bool includeCPAY = false;
    bool centerBranch = false;
    std::string contractType;
    bool includeDimWeek = false;
};

// The expected cash flow: the payment terms still open today that fall due from a day on,
// by direction, the client's responsible person, client group and client, on their due days
// (year, quarter, month, ten days, day and, on request, week), in the accounting currency
// with money going out negative, and the documents behind any cell.
class RPendingCashFlow : public Talvex::Object,
                         public ReportExecBase,
                         public Talvex::ICubeForm2,
                         public std::enable_shared_from_this<RPendingCashFlow> {
public:
    RPendingCashFlow() = default;
    ~RPendingCashFlow() override;

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

    // Keeps the parameters, takes the Book and adds the defaults (terms due from today,
    // both directions, every client). False (nothing done) when no Book is given.
    bool Prepare(Talvex::FieldList& inParams);
    // The parameters as the cube reads them; throws ValueError naming a bad one.
    PendingCashFlowParams ParamsOf() const;

    // Fetch: the open terms of the choice, with their clients, read once.
    static std::vector<PendingTerm> ReadTerms(const std::shared_ptr<Talvex::Book>& book,
                                              const PendingCashFlowParams& params);
    // Fetch and compute, as the report does (for the tests and the bench).
    static PendingFlowRows Compute(const std::shared_ptr<Talvex::Book>& book, const PendingCashFlowParams& params);
    static PendingFlowTexts Texts();

    // Dimensions, facts and the first layout on an inactive engine.
    static void DefineCube(Talvex::Cube::Engine& engine, bool withWeeks);
    std::string CubeCaption(const PendingCashFlowParams& params) const;

    Talvex::FieldList& Params() { return *params_; }

private:
    void OpenDrillDown(const Talvex::Cube::GridCell* cell);
    std::shared_ptr<Talvex::FieldList> FieldsAttr() const;

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    std::optional<PendingFlowRows> rows_;
    std::shared_ptr<Talvex::Data::Recordset> data_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

} // namespace Quarn_DuzAde
