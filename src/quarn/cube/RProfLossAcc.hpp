#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "host/types/Date.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <map>
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

// The shape of a chart's income and expense side: how many group levels stand above its
// posting accounts and how many analytics its accounts are kept by.
struct ProfLossShape {
    int parentLevels = 0;
    int analyticLevels = 0;
    // Per analytic level (from 1), the analytic type each account keeps at that position.
    std::vector<std::map<std::string, std::string>> analyticTypes;
};

// Profit and loss by account as a cube: every posting to an income (class 5) or expense
// (class 6) account of one chart, by the department of its document, the account's groups,
// the account, the posting side's analytic objects and the posting date. "Turn" is the
// turnover of the period, "Rest" the balance the postings up to the period's end leave;
// income reads positive on both, as on the profit-and-loss statement.
class RProfLossAcc : public CubeReport, public ReportExecBase {
public:
    RProfLossAcc();

    // Prepares the report and opens the cube window, which carries it from then on; no
    // result list, so always false.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Keeps the parameters, takes the Book, adds the defaults (the year running, the Book's
    // chart) and reads the department names. False (nothing done) when no Book is given.
    bool Prepare(Talvex::FieldList& inParams);

    // The group levels and analytics of the chart's income and expense accounts.
    ProfLossShape ReadShape() const;

    // The posting sides of the chart's income and expense accounts up to the period's end:
    // for the cube (summed by every dimension) or, for the drill-down, one row per posting
    // side with its document's columns.
    std::shared_ptr<Talvex::DataList> CreatePostingList(const ProfLossShape& shape, bool forDrillDown) const;

    // Dimensions, facts and the first layout on an inactive engine.
    static void DefineCube(Talvex::Cube::Engine& engine, const ProfLossShape& shape);
    // The window caption: the chart and the period.
    std::string CubeCaption() const;

private:
    void Open(Talvex::CCube& cube) override;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;

    ProfLossShape shape_;
};

} // namespace Quarn_DuzAde
