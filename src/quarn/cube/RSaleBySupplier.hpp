#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
class DataList;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// Sales by supplier: every sale of a period traced through the stock fixation log to the
// purchase lot it was taken from, so that each supplier's goods show what they sold for,
// what they cost, the profit and the mark-up, beside what is left of the supplier's lots at
// the period's end.
class RSaleBySupplier : public CubeReport, public ReportExecBase {
public:
    RSaleBySupplier();

    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
    // The same without a window's host: runs the report on a Book.
    void RunDebug(const std::shared_ptr<Talvex::Book>& book);

    // Keeps the parameters, takes the Book and adds the defaults; false without a Book.
    bool Prepare(Talvex::FieldList& inParams);

    // The rows: the sold parts of the lots (dated by the sale) and the lots' rests at the
    // period's end (dated on that day). For the cube the figures are summed over every other
    // column and the document columns are left out.
    std::shared_ptr<Talvex::DataList> CreateList(bool forDrillDown) const;

    static void DefineCube(Talvex::Cube::Engine& engine);
    std::string CubeCaption() const;

private:
    void Open(Talvex::CCube& cube) override;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;
    std::shared_ptr<Talvex::DataList> SoldList(bool forDrillDown) const;
    std::shared_ptr<Talvex::DataList> RestList(bool forDrillDown) const;
    void JoinTexts(Talvex::DataList& list, const std::string& goodExpr, const std::string& vendorExpr) const;
    void FilterSuppliers(Talvex::DataList& list, const std::string& vendorExpr) const;
    void AddTextFields(Talvex::DataList& list) const;
    void AddFields(Talvex::DataList& list, bool forDrillDown, const std::string& date, const std::string& vendorExpr,
                   const std::string& goodExpr, const std::string& outAmount, const std::string& outSum, const std::string& outCost,
                   const std::string& restAmount, const std::string& restValue, const std::string& docId,
                   const std::string& number, const std::string& docType) const;
};

} // namespace Quarn_DuzAde
